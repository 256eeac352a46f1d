#include "text/UnicodeString.h"

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(UnicodeString& out, char32_t c)
{
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

namespace {

// A multi-byte UTF-8 sequence at p[0] (p[0] >= 0x80, n bytes left): its code
// point and length when it is strictly valid; else length 0 and `skip` the
// bytes looked at (at least the lead byte).
struct TUtf8Sequence {
    char32_t c = 0;
    std::size_t length = 0;
    std::size_t skip = 1;
};

TUtf8Sequence DecodeSequence(const unsigned char* p, std::size_t n)
{
    const unsigned char b = p[0];
    std::size_t extra;
    char32_t c;
    char32_t min;
    if ((b & 0xE0) == 0xC0) { extra = 1; c = b & 0x1F; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { extra = 2; c = b & 0x0F; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { extra = 3; c = b & 0x07; min = 0x10000; }
    else return {};
    std::size_t j = 1;
    for (; j <= extra; ++j) {
        if (j >= n || (p[j] & 0xC0) != 0x80)
            break;
        c = (c << 6) | (p[j] & 0x3F);
    }
    if (j <= extra || c < min || c > 0x10FFFF || IsSurrogate(c))
        return {0, 0, j};
    return {c, extra + 1, extra + 1};
}

} // namespace

UnicodeString Utf8ToUtf16(std::string_view in)
{
    UnicodeString out;
    out.reserve(in.size());
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            out += static_cast<char16_t>(p[i++]);
            continue;
        }
        const TUtf8Sequence sequence = DecodeSequence(p + i, n - i);
        if (sequence.length == 0)
            out += u'\uFFFD';
        else
            AppendUtf16(out, sequence.c);
        i += sequence.skip;
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const TUtf8Sequence sequence = DecodeSequence(p + i, n - i);
        if (sequence.length == 0)
            return false;
        i += sequence.length;
    }
    return true;
}

std::string Utf16ToUtf8(std::u16string_view in)
{
    std::string out;
    AppendAsUtf8(out, in);
    return out;
}

void AppendAsUtf8(std::string& out, std::u16string_view in)
{
    // Sized for the worst case once, written through a pointer, cut to size:
    // whole pages go through here.
    const std::size_t start = out.size();
    out.resize(start + in.size() * 3);
    auto* p = reinterpret_cast<unsigned char*>(out.data() + start);
    const std::size_t n = in.size();
    for (std::size_t i = 0; i < n; ++i) {
        char32_t c = in[i];
        if (c < 0x80) {
            *p++ = static_cast<unsigned char>(c);
            continue;
        }
        if (c < 0x800) {
            *p++ = static_cast<unsigned char>(0xC0 | (c >> 6));
            *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
            continue;
        }
        if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(in[i + 1])) {
            c = CombineSurrogates(c, in[++i]);
            *p++ = static_cast<unsigned char>(0xF0 | (c >> 18));
            *p++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
            continue;
        }
        if (IsSurrogate(c))
            c = 0xFFFD;
        *p++ = static_cast<unsigned char>(0xE0 | (c >> 12));
        *p++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        *p++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
    out.resize(static_cast<std::size_t>(reinterpret_cast<char*>(p) - out.data()));
}

UnicodeString FromNative(std::string_view bytes)
{
    UnicodeString out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        // The longest valid sequence here (at most four bytes), else one byte escaped.
        std::size_t length = 1;
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead >= 0x80) {
            length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if (i + length > bytes.size() || !IsValidUtf8(bytes.substr(i, length))) {
                out += static_cast<char16_t>(0xDC00 + lead);
                ++i;
                continue;
            }
        }
        out += Utf8ToUtf16(bytes.substr(i, length));
        i += length;
    }
    return out;
}

std::string ToNative(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool paired = IsLowSurrogate(c) && i > 0 && IsHighSurrogate(text[i - 1]);
        if (c >= 0xDC80 && c <= 0xDCFF && !paired) {
            out += Utf16ToUtf8(text.substr(start, i - start));
            out += static_cast<char>(c - 0xDC00);
            start = i + 1;
        }
    }
    out += Utf16ToUtf8(text.substr(start));
    return out;
}

std::filesystem::path ToPath(const UnicodeString& text)
{
    return std::filesystem::path(ToNative(text));
}

UnicodeString FromPath(const std::filesystem::path& path)
{
    return FromNative(path.native());
}
