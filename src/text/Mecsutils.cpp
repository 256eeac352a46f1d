#include "text/Mecsutils.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "text/TCodeUnitScan.h"

namespace {

// Code-unit substitution table. Most Japanese text (kanji, ASCII) has none of
// the "from" characters, so a bitmap of their high bytes rules a code unit out
// with a single lookup.
class TSubstitution {
public:
    constexpr TSubstitution(std::initializer_list<std::pair<char16_t, char16_t>> pairs)
    {
        for (const auto& [from, to] : pairs) {
            from_[count_] = from;
            to_[count_] = to;
            ++count_;
            min_ = std::min(min_, from);
            max_ = std::max(max_, from);
            span_ = static_cast<char16_t>(max_ - min_);
            highBytes_[from >> 8 >> 5] |= 1u << ((from >> 8) & 31);
        }
    }

    void Apply(UnicodeString& text) const
    {
        using namespace TCodeUnitScan;
        char16_t* p = text.data();
        const std::size_t n = text.size();
        const Units min = Splat(min_), span = Splat(span_);
        const auto inRange = [&](Units v) { return v - min <= span; };
        std::size_t i = 0;
        while ((i = SkipBlocks(p, n, i, inRange)) < n) {
            const std::size_t end = std::min(n, i + kLanes);
            ApplyTo(p + i, p + end);
            i = end;
        }
    }

private:
    static constexpr std::size_t kMax = 8;

    void ApplyTo(char16_t* begin, char16_t* end) const
    {
        for (char16_t* it = begin; it != end; ++it) {
            char16_t& c = *it;
            const unsigned high = c >> 8;
            if (c < min_ || c > max_ || (highBytes_[high >> 5] & (1u << (high & 31))) == 0)
                continue;  // ASCII and most kana and kanji
            for (std::size_t i = 0; i < count_; ++i) {
                if (c == from_[i]) {
                    c = to_[i];
                    break;
                }
            }
        }
    }

    char16_t from_[kMax]{};
    char16_t to_[kMax]{};
    std::size_t count_ = 0;
    char16_t min_ = 0xFFFF;
    char16_t max_ = 0;
    char16_t span_ = 0;  // max_ - min_: one unsigned comparison tests the range
    std::uint32_t highBytes_[8]{};  // high bytes of the "from" units
};

constexpr TSubstitution kJISX0208ToUnicode{
    {0x00A2, 0xFFE0}, {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2}, {0x2014, 0x2015},
    {0x2016, 0x2225}, {0x203E, 0xFFE3}, {0x2212, 0xFF0D}, {0x301C, 0xFF5E},
};
constexpr TSubstitution kUnicodeToCP932{{0x2014, 0x2015}, {0x203E, 0xFFE3}};
constexpr TSubstitution kUnicodeToJISX0208{
    {0x2014, 0x2015}, {0x203E, 0xFFE3}, {0x2225, 0x2016}, {0xFF0D, 0x2212},
    {0xFF5E, 0x301C}, {0xFFE0, 0x00A2}, {0xFFE1, 0x00A3}, {0xFFE2, 0x00AC},
};

// Writes a code point at `w`; there is always room, as no output is longer
// than the code units it came from.
void PutCodePoint(UnicodeString& text, std::size_t& w, char32_t cp)
{
    if (cp < 0x10000) {
        text[w++] = static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        text[w++] = static_cast<char16_t>(0xD800 + (cp >> 10));
        text[w++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

} // namespace

UnicodeString MecsMappingFix_CP932ToUnicode(UnicodeString text)
{
    return text;
}

UnicodeString MecsMappingFix_JISX0208ToUnicode(UnicodeString text)
{
    kJISX0208ToUnicode.Apply(text);
    return text;
}

UnicodeString MecsMappingFix_UnicodeToCP932(UnicodeString text)
{
    kUnicodeToCP932.Apply(text);
    return MecsMappingFix_JISX0213ToJISX0208(std::move(text));
}

UnicodeString MecsMappingFix_UnicodeToJISX0208(UnicodeString text)
{
    kUnicodeToJISX0208.Apply(text);
    return MecsMappingFix_JISX0213ToJISX0208(std::move(text));
}

// True for the code units the JIS X 0213 pass has to look at.
bool NeedsJISX0213Pass(char16_t c)
{
    return c == 0x525D || c == 0x5861 || c == 0x9830 || (c & 0xF800) == 0xD800;
}

auto NeedsJISX0213Pass(TCodeUnitScan::Units v)
{
    using TCodeUnitScan::Splat;
    return (v == Splat(0x525D)) | (v == Splat(0x5861)) | (v == Splat(0x9830)) |
           ((v & Splat(0xF800)) == Splat(0xD800));
}

UnicodeString MecsMappingFix_JISX0213ToJISX0208(UnicodeString text)
{
    const std::size_t n = text.size();
    // Most text has none of them: find the first before touching anything.
    std::size_t w = TCodeUnitScan::SkipBlocks(text.data(), n, 0,
                                              [](TCodeUnitScan::Units v) { return NeedsJISX0213Pass(v); });
    while (w < n && !NeedsJISX0213Pass(text[w]))
        ++w;
    for (std::size_t i = w; i < n; ++i) {
        const char16_t c = text[i];
        if (!NeedsJISX0213Pass(c)) {
            text[w++] = c;  // the common case: nothing to look at
            continue;
        }
        char32_t cp = c;
        if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(text[i + 1])) {
            cp = CombineSurrogates(c, text[i + 1]);
            ++i;
        } else if (IsSurrogate(c)) {
            continue;  // unpaired: no code point to encode
        }
        switch (cp) {
        case 0x525D: cp = 0x5265; break;
        case 0x5861: cp = 0x586B; break;
        case 0x9830: cp = 0x982C; break;
        case 0x20B9F: cp = 0x53F1; break;
        default: break;
        }
        PutCodePoint(text, w, cp);
    }
    text.resize(w);
    return text;
}

UnicodeString MecsStretchElement(const RawByteString& bytes)
{
    UnicodeString out(bytes.size(), u'\0');
    std::transform(bytes.bytes.begin(), bytes.bytes.end(), out.begin(),
                   [](char b) { return static_cast<char16_t>(static_cast<unsigned char>(b)); });
    return out;
}
