#include "template/TStringScanner.h"

#include <boost/regex/icu.hpp>

#include <array>
#include <map>
#include <mutex>
#include <stdexcept>

#include "text/Exception.h"

namespace {

bool IsSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Code points of UTF-16 text; an unpaired surrogate becomes U+FFFD, which
// keeps it one character and keeps the engine's UTF-16 decoder from throwing.
// `offsets`, when wanted and the text holds surrogate pairs, gets the UTF-16
// offset of every code point plus the end.
std::vector<UChar32> ToCodePoints(std::u16string_view text, std::vector<std::size_t>* offsets)
{
    std::size_t i = 0;
    while (i < text.size() && !IsSurrogate(text[i]))
        ++i;
    std::vector<UChar32> out(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(i));
    if (i == text.size())
        return out;

    out.reserve(text.size());
    bool pairs = false;
    std::vector<std::size_t> at;
    for (std::size_t k = 0; k < i; ++k)
        at.push_back(k);
    for (; i < text.size(); ++i) {
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
    at.push_back(text.size());
    if (pairs && offsets)
        *offsets = std::move(at);
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

// A few recent patterns per thread, found without the lock.
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
    Entry& entry = recent[next];
    next = (next + 1) % recent.size();
    entry.compiled = shared.Get(pattern);
    entry.pattern = pattern;
    return *entry.compiled;
}

} // namespace

struct TStringScanner::Impl {
    static constexpr std::size_t NotMatched = static_cast<std::size_t>(-1);

    UnicodeString text;                  // original text up to the first NUL
    std::vector<UChar32> codePoints;     // what the engine searches
    std::vector<std::size_t> offsets;    // UTF-16 offset per code point; empty = same index
    std::size_t position = 0;            // next code point to scan
    // UTF-16 begin and end of each group of the last match; NotMatched when it took no part.
    std::vector<std::pair<std::size_t, std::size_t>> groups;
    boost::match_results<const UChar32*> match;

    std::size_t Offset(std::size_t index) const { return offsets.empty() ? index : offsets[index]; }
};

TStringScanner::TStringScanner(const UnicodeString& text)
    : impl_(std::make_unique<Impl>())
{
    impl_->text = text.substr(0, text.find(u'\0'));
    impl_->codePoints = ToCodePoints(impl_->text, &impl_->offsets);
}

TStringScanner::~TStringScanner() = default;

bool TStringScanner::IsEmpty() const
{
    return impl_->position >= impl_->codePoints.size();
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
    const UChar32* base = s.codePoints.data();
    const UChar32* first = base + s.position;
    const UChar32* last = base + s.codePoints.size();
    if (static_cast<std::size_t>(last - first) < compiled.prefix.size() ||
        !std::equal(compiled.prefix.begin(), compiled.prefix.end(), first))
        return -1;

    bool found = false;
    try {
        // Searching from the position (not from the text's start) makes "\A"
        // and look-behinds see exactly the remaining text.
        found = boost::u32regex_search(first, last, s.match, compiled.regex, boost::match_default);
    } catch (const std::exception& e) {
        throw Exception(u"正規表現 \"" + UnicodeString(pattern) + u"\" の照合に失敗しました。" + Utf8ToUtf16(e.what()));
    }
    if (!found)
        return -1;

    s.groups.reserve(s.match.size());
    for (std::size_t i = 0; i < s.match.size(); ++i) {
        const auto& sub = s.match[static_cast<int>(i)];
        if (sub.matched)
            s.groups.emplace_back(s.Offset(static_cast<std::size_t>(sub.first - base)),
                                  s.Offset(static_cast<std::size_t>(sub.second - base)));
        else
            s.groups.emplace_back(Impl::NotMatched, Impl::NotMatched);
    }
    s.position = static_cast<std::size_t>(s.match[0].second - base);
    return static_cast<int>(s.groups[0].second - s.groups[0].first);
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
    if (index < 0 || static_cast<std::size_t>(index) >= impl_->groups.size())
        return UnicodeString();
    const auto [begin, end] = impl_->groups[static_cast<std::size_t>(index)];
    if (begin == Impl::NotMatched)
        return UnicodeString();
    return impl_->text.substr(begin, end - begin);
}
