#include "template/TStringScanner.h"

#include <boost/regex/icu.hpp>

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>

#include "text/Exception.h"

namespace {

bool IsSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

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

// Code points of UTF-16 text; an unpaired surrogate becomes U+FFFD, which
// keeps it one character and keeps the engine's UTF-16 decoder from throwing.
// `offsets`, when wanted and the text holds surrogate pairs, gets the UTF-16
// offset of every code point plus the end.
std::vector<UChar32> ToCodePoints(std::u16string_view text, std::vector<std::size_t>* offsets)
{
    std::vector<UChar32> out;
    std::vector<std::size_t> at;
    out.reserve(text.size());
    at.reserve(offsets ? text.size() + 1 : 0);
    bool pairs = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (offsets)
            at.push_back(i);
        const char16_t c = text[i];
        if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
            out.push_back(0x10000 + ((static_cast<UChar32>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            pairs = true;
            ++i;
        } else {
            out.push_back(IsSurrogate(c) ? 0xFFFD : c);
        }
    }
    if (pairs && offsets) {
        at.push_back(text.size());
        *offsets = std::move(at);
    }
    return out;
}

// The literal characters every match of `pattern` must begin with, so that a
// position that cannot match is refused without running the engine. Stops at
// the first construct that is not a plain, unrepeated character; a pattern
// with alternatives gets none.
std::vector<UChar32> LiteralPrefix(std::u16string_view pattern)
{
    std::vector<UChar32> prefix;
    if (pattern.find(u'|') != std::u16string_view::npos)
        return prefix;
    static constexpr std::u16string_view meta = u".[](){}?*+|^$#";
    static constexpr std::u16string_view escapedSpecial = u"<>'`";
    for (std::size_t i = 0; i < pattern.size();) {
        char16_t c = pattern[i];
        std::size_t length = 1;
        if (c == u'\\') {
            if (i + 1 >= pattern.size())
                break;
            c = pattern[i + 1];
            const bool alnum = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
            if (alnum || c >= 0x80 || escapedSpecial.find(c) != std::u16string_view::npos)
                break;
            length = 2;
        } else if (meta.find(c) != std::u16string_view::npos || IsSurrogate(c)) {
            break;
        }
        const std::size_t next = i + length;
        if (next < pattern.size() && std::u16string_view(u"?*+{").find(pattern[next]) != std::u16string_view::npos)
            break;
        prefix.push_back(c);
        i = next;
    }
    return prefix;
}

struct TCompiledPattern {
    boost::u32regex regex;
    std::vector<UChar32> prefix;
};

std::shared_ptr<const TCompiledPattern> Compile(std::u16string_view pattern)
{
    UnicodeString anchored = u"\\A";
    anchored += pattern;
    const std::vector<UChar32> source = ToCodePoints(anchored, nullptr);
    try {
        return std::make_shared<const TCompiledPattern>(TCompiledPattern{
            boost::make_u32regex(source.data(), source.data() + source.size(), boost::regex_constants::perl),
            LiteralPrefix(pattern)});
    } catch (const std::exception& e) {
        throw Exception(u"正規表現 \"" + UnicodeString(pattern) + u"\" に誤りがあります。" + Utf8ToUtf16(e.what()));
    }
}

// Compiled patterns, one per distinct pattern for the whole process.
class TPatternCache {
public:
    std::shared_ptr<const TCompiledPattern> Get(std::u16string_view pattern)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = compiled_.find(pattern);
        if (it != compiled_.end())
            return it->second;
        // Patterns built from data could grow the cache without bound.
        if (compiled_.size() >= MaxEntries)
            compiled_.clear();
        auto compiled = Compile(pattern);
        compiled_.emplace(UnicodeString(pattern), compiled);
        return compiled;
    }

private:
    static constexpr std::size_t MaxEntries = 256;
    std::mutex mutex_;
    std::map<UnicodeString, std::shared_ptr<const TCompiledPattern>, std::less<>> compiled_;
};

// A few recent patterns per thread, found without the lock. The reference
// stays valid until the thread's next lookup.
const TCompiledPattern& FindPattern(std::u16string_view pattern)
{
    static TPatternCache shared;
    struct Entry {
        UnicodeString pattern;
        std::shared_ptr<const TCompiledPattern> compiled;
    };
    thread_local std::array<Entry, 16> recent;
    thread_local std::size_t next = 0;
    for (const Entry& entry : recent) {
        if (entry.compiled && entry.pattern == pattern)
            return *entry.compiled;
    }
    auto compiled = shared.Get(pattern);
    Entry& entry = recent[next];
    next = (next + 1) % recent.size();
    entry.compiled.reset();  // an entry is never left pairing one pattern with another's regex
    entry.pattern = pattern;
    entry.compiled = std::move(compiled);
    return *entry.compiled;
}

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

    std::size_t Offset(std::size_t index) const { return offsets.empty() ? index : offsets[index]; }

    template <class Iterator, class Results>
    bool Search(Iterator base, const TCompiledPattern& compiled, std::u16string_view pattern, Results& match)
    {
        const Iterator first = base + static_cast<std::ptrdiff_t>(position);
        const Iterator last = base + static_cast<std::ptrdiff_t>(size);
        if (size - position < compiled.prefix.size() ||
            !std::equal(compiled.prefix.begin(), compiled.prefix.end(), first))
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
    const TCompiledPattern& compiled = FindPattern(pattern);
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
