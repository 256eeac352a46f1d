#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "text/TCodePageConverter.h"
#include "text/UnicodeString.h"

// Conversion primitives under DecodeString / EncodeString.
namespace Stringutility {

// The system ANSI code page that code page 0 stands for: UTF-8.
inline constexpr unsigned SystemAnsiCodePage = 65001;

// Bytes in a code page to text. Code page 0 takes the bytes' own tag (0 in
// the tag: the system ANSI code page); raw file bytes (tag 65535) therefore
// give empty text, as does a code page that cannot be opened.
UnicodeString AnsiToUTF16(const RawByteString& bytes, unsigned codePage);

// Text up to its first U+0000 to bytes in a code page (0: the system ANSI code
// page). Unmappable characters become the default character (or what
// `unmappable` says); a code page that
// cannot be opened gives empty bytes. Tagged with the code page used.
RawByteString UTF16ToAnsi(const UnicodeString& text, unsigned codePage,
                          TCodePageConverter::TUnmappable unmappable = TCodePageConverter::TUnmappable::DefaultChar);

// Code units in byte order, no byte-order mark, unpaired surrogates kept.
RawByteString UnicodeToUTF16LE(const UnicodeString& text);
RawByteString UnicodeToUTF16BE(const UnicodeString& text);

// UTF-16 bytes to text; a trailing odd byte is ignored.
UnicodeString UTF16LEToUnicode(std::string_view bytes);
UnicodeString UTF16BEToUnicode(std::string_view bytes);

// A byte array as a raw byte string (tag 65535).
RawByteString BytesToRawByteString(std::span<const std::uint8_t> bytes);

} // namespace Stringutility
