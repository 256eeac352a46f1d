#include "template/TCompiledPattern.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "text/Exception.h"

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool IsAsciiAlnum(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool Contains(std::u16string_view set, char16_t c)
{
    return set.find(c) != std::u16string_view::npos;
}

// Characters with a meaning of their own outside a class ("#" only under the
// x option, counted anyway).
constexpr std::u16string_view Meta = u".[](){}?*+|^$#\\";

// A character after "\" that stands for itself: punctuation other than the
// word-boundary and buffer assertions.
bool IsEscapedLiteral(char16_t c)
{
    return !IsAsciiAlnum(c) && c < 0x80 && !Contains(u"<>'`", c);
}

// Alternatives, inline options ("(?i)", "(?x)") and "\Q" quoting change what
// literal characters mean; such patterns get no literal hints.
bool HintsAreSafe(std::u16string_view pattern)
{
    if (Contains(pattern, u'|') || pattern.find(u"\\Q") != std::u16string_view::npos)
        return false;
    for (std::size_t at = pattern.find(u"(?"); at != std::u16string_view::npos; at = pattern.find(u"(?", at + 1)) {
        if (at + 2 >= pattern.size() || !Contains(u":=!<>#", pattern[at + 2]))
            return false;
    }
    return true;
}

} // namespace

bool IsSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

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
            // Keeps the engine's own UTF-16 decoding, which throws, out of play.
            out.push_back(IsSurrogate(c) ? 0xFFFD : c);
        }
    }
    if (pairs && offsets) {
        at.push_back(text.size());
        *offsets = std::move(at);
    }
    return out;
}

std::vector<UChar32> LiteralPrefix(std::u16string_view pattern)
{
    std::vector<UChar32> prefix;
    if (!HintsAreSafe(pattern))
        return prefix;
    for (std::size_t i = 0; i < pattern.size();) {
        char16_t c = pattern[i];
        std::size_t length = 1;
        if (c == u'\\') {
            if (i + 1 >= pattern.size() || !IsEscapedLiteral(pattern[i + 1]))
                break;
            c = pattern[i + 1];
            length = 2;
        } else if (Contains(Meta, c) || IsSurrogate(c)) {
            break;
        }
        // A repeated character may be absent or stand more than once.
        const std::size_t next = i + length;
        if (next < pattern.size() && Contains(u"?*+{", pattern[next]))
            break;
        prefix.push_back(c);
        i = next;
    }
    return prefix;
}

UnicodeString LiteralSuffix(std::u16string_view pattern)
{
    UnicodeString suffix;
    if (!HintsAreSafe(pattern))
        return suffix;
    std::size_t end = pattern.size();
    while (end > 0) {
        const char16_t c = pattern[end - 1];
        std::size_t slashes = 0;
        while (slashes + 1 < end && pattern[end - 2 - slashes] == u'\\')
            ++slashes;
        if (slashes % 2 == 1) {
            // An escape such as "\x41", "\cA" or "\12" may own the characters
            // collected so far: give up rather than guess where it ends.
            if (!IsEscapedLiteral(c))
                return UnicodeString();
            end -= 2;
        } else {
            // U+FFFD is left out: it also matches where the text had an unpaired surrogate.
            if (Contains(Meta, c) || IsSurrogate(c) || c == 0xFFFD)
                break;
            end -= 1;
        }
        suffix.insert(suffix.begin(), c);
    }
    return suffix;
}

namespace {

std::shared_ptr<const TCompiledPattern> Compile(std::u16string_view pattern)
{
    UnicodeString anchored = u"\\A";
    anchored += pattern;
    const std::vector<UChar32> source = ToCodePoints(anchored, nullptr);
    try {
        return std::make_shared<const TCompiledPattern>(TCompiledPattern{
            boost::make_u32regex(source.data(), source.data() + source.size(), boost::regex_constants::perl),
            LiteralPrefix(pattern), LiteralSuffix(pattern)});
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

} // namespace

const TCompiledPattern& FindCompiledPattern(std::u16string_view pattern)
{
    static TPatternCache shared;
    // A few recent patterns per thread are found without the lock.
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
