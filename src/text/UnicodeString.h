#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// Core text is UTF-16; it may carry unpaired surrogates from outside data.
using UnicodeString = std::u16string;

// Raw tag for bytes that came from a file and name no real code page.
inline constexpr unsigned RawCodePage = 65535;

// A counted byte sequence tagged with the code page it is in.
struct RawByteString {
    std::string bytes;
    unsigned codePage = RawCodePage;

    bool empty() const { return bytes.empty(); }
    std::size_t size() const { return bytes.size(); }
    bool operator==(const RawByteString&) const = default;
};

// UTF-16 surrogates: a high one followed by a low one stands for one code
// point past U+FFFF; outside data may hold either alone.
constexpr bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
constexpr bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
constexpr char32_t CombineSurrogates(char32_t high, char32_t low)
{
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Append one code point; a lone surrogate is written as itself (in UTF-8 as
// the three bytes of its value, which strict decoders refuse).
void AppendUtf8(std::string& out, char32_t c);
void AppendUtf16(UnicodeString& out, char32_t c);

// UTF-8 <-> UTF-16 for messages, paths and the console. Invalid UTF-8 and
// unpaired surrogates become U+FFFD; nothing throws.
UnicodeString Utf8ToUtf16(std::string_view utf8);
// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view bytes);
std::string Utf16ToUtf8(std::u16string_view text);
// Utf16ToUtf8 appended to `out`.
void AppendAsUtf8(std::string& out, std::u16string_view text);

// File names and arguments are bytes. Bytes that are not UTF-8 become the
// lone surrogates U+DC80..U+DCFF and back, so a name handed to the program
// names the same file when it is used.
UnicodeString FromNative(std::string_view bytes);
std::string ToNative(std::u16string_view text);

std::filesystem::path ToPath(const UnicodeString& text);
UnicodeString FromPath(const std::filesystem::path& path);
