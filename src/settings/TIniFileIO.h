#pragma once

#include <string>
#include <string_view>

#include "settings/TIniFile.h"
#include "text/UnicodeString.h"

// Byte-level side of ini documents: reading a file and telling its encoding.
namespace TIniFileIO {

// Largest file read as an ini document.
inline constexpr unsigned long long MaxFileSize = 16ull << 20;

// Reads the whole file into `bytes`. False when the file does not exist;
// an Exception with the platform's reason when it exists but cannot be read,
// and a Japanese message when it is larger than MaxFileSize.
bool ReadExisting(const UnicodeString& path, std::string& bytes);

// A UTF-8 or UTF-16 mark selects that encoding; without one the bytes are
// UTF-8 when they are valid UTF-8, else Shift_JIS.
UnicodeString Decode(std::string_view bytes, TIniEncoding& encoding);

// Text in the given encoding, with its mark. Shift_JIS that cannot hold every
// character (or whose bytes would read as UTF-8) falls back to UTF-8 with a
// mark, and UTF-8 that cannot (unpaired surrogates) to UTF-16 with a mark;
// both programs read either.
std::string Encode(const UnicodeString& text, TIniEncoding encoding);

} // namespace TIniFileIO
