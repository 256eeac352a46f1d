#include "template/TStringScanner.h"

#include <boost/regex/icu.hpp>

#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include "text/Exception.h"

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Code points of UTF-16 text; an unpaired surrogate becomes U+FFFD, which
// keeps it one character and keeps the engine's UTF-16 decoder from throwing.
// `offsets`, when wanted and the text holds surrogate pairs, gets the UTF-16
// offset of every code point plus the end.
std::vector<UChar32> ToCodePoints(std::u16string_view text, std::vector<std::size_t>* offsets)
{
    std::vector<UChar32> out;
    out.reserve(text.size());
    bool pairs = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
            pairs = true;
            break;
        }
        out.push_back(IsHigh(c) || IsLow(c) ? 0xFFFD : c);
    }
    if (!pairs)
        return out;

    out.clear();
    if (offsets)
        offsets->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (offsets)
            offsets->push_back(i);
        const char16_t c = text[i];
        if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
            out.push_back(0x10000 + ((static_cast<UChar32>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            out.push_back(IsHigh(c) || IsLow(c) ? 0xFFFD : c);
        }
    }
    if (offsets)
        offsets->push_back(text.size());
    return out;
}

// Compiled "\A" + pattern, one per distinct pattern for the whole process.
class TPatternCache {
public:
    std::shared_ptr<const boost::u32regex> Get(const UnicodeString& pattern)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = compiled_.find(pattern);
        if (it != compiled_.end())
            return it->second;
        // Patterns built from data could grow the cache without bound.
        if (compiled_.size() >= MaxEntries)
            compiled_.clear();
        const std::vector<UChar32> source = ToCodePoints(u"\\A" + pattern, nullptr);
        std::shared_ptr<const boost::u32regex> regex;
        try {
            regex = std::make_shared<const boost::u32regex>(
                boost::make_u32regex(source.data(), source.data() + source.size(), boost::regex_constants::perl));
        } catch (const std::exception& e) {
            throw Exception(u"正規表現 \"" + pattern + u"\" に誤りがあります。" + Utf8ToUtf16(e.what()));
        }
        compiled_.emplace(pattern, regex);
        return regex;
    }

private:
    static constexpr std::size_t MaxEntries = 256;
    std::mutex mutex_;
    std::unordered_map<UnicodeString, std::shared_ptr<const boost::u32regex>> compiled_;
};

TPatternCache& PatternCache()
{
    static TPatternCache cache;
    return cache;
}

} // namespace

struct TStringScanner::Impl {
    UnicodeString text;                  // original text up to the first NUL
    std::vector<UChar32> codePoints;     // what the engine searches
    std::vector<std::size_t> offsets;    // UTF-16 offset per code point; empty = same index
    std::size_t position = 0;            // next code point to scan
    std::vector<UnicodeString> groups;
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

int TStringScanner::Match(const UnicodeString& pattern)
{
    Impl& s = *impl_;
    s.groups.clear();
    const auto regex = PatternCache().Get(pattern);
    const UChar32* base = s.codePoints.data();
    const UChar32* first = base + s.position;
    const UChar32* last = base + s.codePoints.size();
    bool found = false;
    try {
        // Searching from the position (not from the text's start) makes "\A"
        // and look-behinds see exactly the remaining text.
        found = boost::u32regex_search(first, last, s.match, *regex, boost::match_default);
    } catch (const std::exception& e) {
        throw Exception(u"正規表現 \"" + pattern + u"\" の照合に失敗しました。" + Utf8ToUtf16(e.what()));
    }
    if (!found)
        return -1;

    s.groups.reserve(s.match.size());
    for (std::size_t i = 0; i < s.match.size(); ++i) {
        const auto& sub = s.match[static_cast<int>(i)];
        if (!sub.matched) {
            s.groups.emplace_back();
            continue;
        }
        const std::size_t b = s.Offset(static_cast<std::size_t>(sub.first - base));
        const std::size_t e = s.Offset(static_cast<std::size_t>(sub.second - base));
        s.groups.push_back(s.text.substr(b, e - b));
    }
    s.position = static_cast<std::size_t>(s.match[0].second - base);
    return static_cast<int>(s.groups[0].size());
}

UnicodeString TStringScanner::Scan(const UnicodeString& pattern)
{
    if (Match(pattern) < 0)
        return UnicodeString();
    return impl_->groups[0];
}

int TStringScanner::Skip(const UnicodeString& pattern)
{
    return Match(pattern);
}

UnicodeString TStringScanner::Group(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= impl_->groups.size())
        return UnicodeString();
    return impl_->groups[static_cast<std::size_t>(index)];
}
