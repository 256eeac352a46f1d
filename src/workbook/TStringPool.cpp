#include "workbook/TStringPool.h"

#include <new>
#include <string>

#include "text/UnicodeString.h"

namespace Excel {

namespace {

// UTF-8 that also carries unpaired surrogates, each as the three bytes
// UTF-8 would give its code point, so any UTF-16 text round-trips.
void AppendWtf8(std::u16string_view text, std::string& out)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            c = CombineSurrogates(c, text[++i]);
        AppendUtf8(out, c);
    }
}

// The inverse of AppendWtf8; the pool holds nothing else. Every byte gives
// at most one UTF-16 unit, so the text is sized once and filled in place;
// ASCII and well-formed two- and three-byte sequences, nearly all text, take
// the short way, anything else the general step.
UnicodeString FromWtf8(std::string_view bytes)
{
    UnicodeString text(bytes.size(), u'\0');
    char16_t* out = text.data();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned b = *p;
        if (b < 0x80) {
            *out++ = static_cast<char16_t>(b);
            ++p;
            continue;
        }
        const auto left = end - p;
        if (b >= 0xC0 && b < 0xE0 && left >= 2 && (p[1] & 0xC0) == 0x80) {
            *out++ = static_cast<char16_t>((b & 0x1F) << 6 | (p[1] & 0x3F));
            p += 2;
            continue;
        }
        if (b >= 0xE0 && b < 0xF0 && left >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
            *out++ = static_cast<char16_t>((b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
            p += 3;
            continue;
        }
        const int extra = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        std::uint32_t c = extra == 1 ? b & 0x1F : extra == 2 ? b & 0x0F : b & 0x07;
        for (int k = 1; k <= extra && k < left; ++k)
            c = c << 6 | (p[k] & 0x3F);
        p += extra < left ? extra + 1 : left;
        if (c < 0x10000) {
            *out++ = static_cast<char16_t>(c);
        } else {
            c -= 0x10000;
            *out++ = static_cast<char16_t>(0xD800 + (c >> 10));
            *out++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        }
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

} // namespace

std::uint32_t TStringPool::Add(std::u16string_view text)
{
    std::string utf8;
    AppendWtf8(text, utf8);
    return AddUtf8(utf8);
}

void TStringPool::Reserve(std::size_t count, std::size_t bytes)
{
    starts_.reserve(starts_.size() + count);
    bytes_.reserve(bytes_.size() + bytes);
}

std::uint32_t TStringPool::AddUtf8(std::string_view utf8)
{
    constexpr std::size_t MaxPoolBytes = UINT32_MAX;
    if (utf8.size() > MaxPoolBytes - bytes_.size())
        throw std::bad_alloc();
    starts_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    bytes_.append(utf8.data(), utf8.size());
    return static_cast<std::uint32_t>(starts_.size() - 1);
}

std::uint32_t TStringPool::AddAll(const TStringPool& other)
{
    const auto first = static_cast<std::uint32_t>(Count());
    Reserve(other.Count(), other.bytes_.size());
    for (std::uint32_t i = 0; i < other.Count(); ++i)
        AddUtf8(other.Utf8(i));
    return first;
}

std::string_view TStringPool::Utf8(std::uint32_t index) const
{
    const std::uint64_t start = starts_[index];
    const std::uint64_t end = index + 1 < starts_.size() ? starts_[index + 1] : bytes_.size();
    return {bytes_.data() + start, end - start};
}

UnicodeString TStringPool::Get(std::uint32_t index) const
{
    return FromWtf8(Utf8(index));
}

} // namespace Excel
