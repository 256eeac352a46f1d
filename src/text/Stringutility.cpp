#include "text/Stringutility.h"

#include <unicode/normalizer2.h>

#include "text/TCodePageConverter.h"
#include "text/TCodeUnitScan.h"

namespace Stringutility {

namespace {

constexpr unsigned kShiftJis = 932;

RawByteString ToUTF16Bytes(const UnicodeString& text, bool bigEndian, unsigned tag)
{
    RawByteString out;
    out.codePage = tag;
    out.bytes.resize(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto hi = static_cast<char>(text[i] >> 8);
        const auto lo = static_cast<char>(text[i] & 0xFF);
        out.bytes[2 * i] = bigEndian ? hi : lo;
        out.bytes[2 * i + 1] = bigEndian ? lo : hi;
    }
    return out;
}

UnicodeString FromUTF16Bytes(std::string_view bytes, bool bigEndian)
{
    UnicodeString out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        out[i] = static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    return out;
}

// Marks that Shift_JIS encoding composes with the character before them.
bool IsNonSpacingMark(char16_t c)
{
    return (c >= 0x0300 && c <= 0x036F) || c == 0x3099 || c == 0x309A;
}

// The text up to its first U+0000, and whether a mark in it may compose.
std::u16string_view UpToNul(const UnicodeString& text, bool& hasMark)
{
    using namespace TCodeUnitScan;
    const char16_t* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    bool mark = false;
    for (; i + kLanes <= n; i += kLanes) {
        const Units v = Load(p + i);
        if (Any(v == Splat(0)))
            break;
        mark |= Any((v - Splat(0x0300) <= Splat(0x6F)) | (v - Splat(0x3099) <= Splat(1)));
    }
    for (; i < n && p[i] != 0; ++i)
        mark |= IsNonSpacingMark(p[i]);
    hasMark = mark;
    return std::u16string_view(p, i);
}

// Base character plus non-spacing mark to the precomposed character where
// Unicode has one (か + U+3099 to が), as Shift_JIS only holds the latter.
UnicodeString ComposePairs(std::u16string_view text)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status) || nfc == nullptr)
        return UnicodeString(text);
    UnicodeString out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (IsNonSpacingMark(c) && !out.empty()) {
            const UChar32 composed = nfc->composePair(out.back(), c);
            if (composed >= 0 && composed < 0x10000) {
                out.back() = static_cast<char16_t>(composed);
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace

UnicodeString AnsiToUTF16(const RawByteString& bytes, unsigned codePage)
{
    if (codePage == 0)
        codePage = bytes.codePage == 0 ? SystemAnsiCodePage : bytes.codePage;
    UnicodeString out;
    if (bytes.empty())
        return out;
    TCodePageConverter::Decode(bytes.bytes, codePage, out);
    return out;
}

RawByteString UTF16ToAnsi(const UnicodeString& text, unsigned codePage, TCodePageConverter::TUnmappable unmappable)
{
    if (codePage == 0)
        codePage = SystemAnsiCodePage;
    RawByteString out;
    out.codePage = codePage;
    // Conversion takes the text as null-terminated.
    bool hasMark = false;
    const std::u16string_view view = UpToNul(text, hasMark);
    if (view.empty())
        return out;
    if (codePage == kShiftJis && hasMark) {
        TCodePageConverter::Encode(ComposePairs(view), codePage, out.bytes, unmappable);
    } else {
        TCodePageConverter::Encode(view, codePage, out.bytes, unmappable);
    }
    return out;
}

RawByteString UnicodeToUTF16LE(const UnicodeString& text)
{
    return ToUTF16Bytes(text, false, 1200);
}

RawByteString UnicodeToUTF16BE(const UnicodeString& text)
{
    return ToUTF16Bytes(text, true, 1201);
}

UnicodeString UTF16LEToUnicode(std::string_view bytes)
{
    return FromUTF16Bytes(bytes, false);
}

UnicodeString UTF16BEToUnicode(std::string_view bytes)
{
    return FromUTF16Bytes(bytes, true);
}

RawByteString BytesToRawByteString(std::span<const std::uint8_t> bytes)
{
    RawByteString out;
    out.bytes.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return out;
}

} // namespace Stringutility
