#include "template/TStringScanner.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "template/TCompiledPattern.h"
#include "text/Exception.h"

namespace {

// Reads UTF-16 text free of surrogates as code points, without a copy.
class TUnitIterator {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = UChar32;
    using difference_type = std::ptrdiff_t;
    using pointer = const UChar32*;
    using reference = UChar32;

    TUnitIterator() = default;
    explicit TUnitIterator(const char16_t* p) : p_(p) {}

    UChar32 operator*() const { return *p_; }
    UChar32 operator[](difference_type n) const { return p_[n]; }
    TUnitIterator& operator++() { ++p_; return *this; }
    TUnitIterator operator++(int) { TUnitIterator old = *this; ++p_; return old; }
    TUnitIterator& operator--() { --p_; return *this; }
    TUnitIterator operator--(int) { TUnitIterator old = *this; --p_; return old; }
    TUnitIterator& operator+=(difference_type n) { p_ += n; return *this; }
    TUnitIterator& operator-=(difference_type n) { p_ -= n; return *this; }
    friend TUnitIterator operator+(TUnitIterator it, difference_type n) { return it += n; }
    friend TUnitIterator operator+(difference_type n, TUnitIterator it) { return it += n; }
    friend TUnitIterator operator-(TUnitIterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(TUnitIterator a, TUnitIterator b) { return a.p_ - b.p_; }
    friend bool operator==(TUnitIterator a, TUnitIterator b) { return a.p_ == b.p_; }
    friend auto operator<=>(TUnitIterator a, TUnitIterator b) { return a.p_ <=> b.p_; }

private:
    const char16_t* p_ = nullptr;
};

} // namespace

struct TStringScanner::Impl {
    UnicodeString text;                  // original text up to the first NUL
    // Only text with surrogates is searched as a copy of code points; other
    // text is searched in place, one code unit per code point.
    std::vector<UChar32> codePoints;
    std::vector<std::size_t> offsets;    // UTF-16 offset per code point; empty = same index
    bool wide = false;
    std::size_t size = 0;                // code points
    std::size_t position = 0;            // next code point to scan
    // Code point begin and end of each group of the last match, NotMatched
    // when it took no part.
    static constexpr std::size_t NotMatched = static_cast<std::size_t>(-1);
    std::vector<std::pair<std::size_t, std::size_t>> groups;
    boost::match_results<const UChar32*> wideMatch;
    boost::match_results<TUnitIterator> unitMatch;
    // Where each pattern's tail last occurs (code point index, -1: nowhere), by pattern id.
    std::vector<std::pair<std::uint64_t, std::ptrdiff_t>> lastTail;
    // First place of each stop character at or after some earlier position
    // (no stop character lies between): scans only move forward, so looking
    // them up costs one pass over the text per character.
    std::vector<std::pair<UChar32, std::size_t>> nextStop;

    std::size_t Offset(std::size_t index) const { return offsets.empty() ? index : offsets[index]; }

    // Whether the ending every match needs still occurs at or after the position.
    template <class Iterator>
    bool TailAhead(const TCompiledPattern& compiled, Iterator base)
    {
        if (compiled.shape.tail.empty())
            return true;
        auto it = std::find_if(lastTail.begin(), lastTail.end(), [&](const auto& e) { return e.first == compiled.id; });
        if (it == lastTail.end()) {
            // Each new ending costs one pass over the text; a few are plenty.
            if (lastTail.size() >= 32)
                return true;
            it = lastTail.emplace(lastTail.end(), compiled.id,
                                  LastTail(compiled.shape.tail, base, base + static_cast<std::ptrdiff_t>(size)));
        }
        return it->second >= 0 && static_cast<std::size_t>(it->second) >= position;
    }

    template <class Iterator>
    std::size_t FindStop(UChar32 stop, Iterator base) const
    {
        std::size_t at = position;
        while (at < size && base[static_cast<std::ptrdiff_t>(at)] != stop)
            ++at;
        return at;
    }

    // Whether a match can end at the first stop character ahead, as it must.
    template <class Iterator>
    bool StopAllows(const TCompiledPattern& compiled, Iterator base)
    {
        const UChar32 stop = compiled.shape.stop;
        if (stop < 0)
            return true;
        auto it = std::find_if(nextStop.begin(), nextStop.end(), [&](const auto& e) { return e.first == stop; });
        if (it == nextStop.end()) {
            if (nextStop.size() >= 32)
                return true;
            it = nextStop.emplace(nextStop.end(), stop, FindStop(stop, base));
        } else if (it->second < position) {
            it->second = FindStop(stop, base);
        }
        return TailEndsAtStop(compiled.shape.tail, base + static_cast<std::ptrdiff_t>(position),
                              base + static_cast<std::ptrdiff_t>(it->second), base + static_cast<std::ptrdiff_t>(size));
    }

    template <class Iterator, class Results>
    bool Search(Iterator base, const TCompiledPattern& compiled, std::u16string_view pattern, Results& match)
    {
        const Iterator first = base + static_cast<std::ptrdiff_t>(position);
        const Iterator last = base + static_cast<std::ptrdiff_t>(size);
        if (!HeadMayMatch(compiled.shape.masks, first, last) || !TailAhead(compiled, base) ||
            !StopAllows(compiled, base))
            return false;
        try {
            // Searching from the position (not from the text's start) makes
            // "\A" and look-behinds see exactly the remaining text.
            if (!boost::u32regex_search(first, last, match, compiled.regex, boost::match_default))
                return false;
        } catch (const std::exception& e) {
            throw Exception(u"正規表現 \"" + UnicodeString(pattern) + u"\" の照合に失敗しました。" +
                            Utf8ToUtf16(e.what()));
        }
        groups.reserve(match.size());
        for (std::size_t i = 0; i < match.size(); ++i) {
            const auto& sub = match[static_cast<int>(i)];
            if (sub.matched)
                groups.emplace_back(static_cast<std::size_t>(sub.first - base), static_cast<std::size_t>(sub.second - base));
            else
                groups.emplace_back(NotMatched, NotMatched);
        }
        position = groups[0].second;
        return true;
    }
};

TStringScanner::TStringScanner(const UnicodeString& text)
    : impl_(std::make_unique<Impl>())
{
    Impl& s = *impl_;
    s.text = text.substr(0, text.find(u'\0'));
    s.wide = std::any_of(s.text.begin(), s.text.end(), IsSurrogate);
    if (s.wide)
        s.codePoints = ToCodePoints(s.text, &s.offsets);
    s.size = s.wide ? s.codePoints.size() : s.text.size();
}

TStringScanner::~TStringScanner() = default;

bool TStringScanner::IsEmpty() const
{
    return impl_->position >= impl_->size;
}

std::u16string_view TStringScanner::Rest() const
{
    return std::u16string_view(impl_->text).substr(impl_->Offset(impl_->position));
}

int TStringScanner::Match(std::u16string_view pattern)
{
    Impl& s = *impl_;
    s.groups.clear();
    const TCompiledPattern& compiled = FindCompiledPattern(pattern);
    const bool found = s.wide ? s.Search(static_cast<const UChar32*>(s.codePoints.data()), compiled, pattern, s.wideMatch)
                              : s.Search(TUnitIterator(s.text.data()), compiled, pattern, s.unitMatch);
    if (!found)
        return -1;
    return static_cast<int>(s.Offset(s.groups[0].second) - s.Offset(s.groups[0].first));
}

UnicodeString TStringScanner::Scan(std::u16string_view pattern)
{
    if (Match(pattern) < 0)
        return UnicodeString();
    return Group(0);
}

int TStringScanner::Skip(std::u16string_view pattern)
{
    return Match(pattern);
}

UnicodeString TStringScanner::Group(int index) const
{
    const Impl& s = *impl_;
    if (index < 0 || static_cast<std::size_t>(index) >= s.groups.size())
        return UnicodeString();
    const auto [begin, end] = s.groups[static_cast<std::size_t>(index)];
    if (begin == Impl::NotMatched)
        return UnicodeString();
    return s.text.substr(s.Offset(begin), s.Offset(end) - s.Offset(begin));
}
