#include "template/TCompiledPattern.h"

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "text/Exception.h"

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
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out.push_back(static_cast<UChar32>(CombineSurrogates(c, text[i + 1])));
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

namespace {

std::shared_ptr<const TCompiledPattern> Compile(std::u16string_view pattern)
{
    static std::atomic<std::uint64_t> serial{0};
    UnicodeString anchored = u"\\A";
    anchored += pattern;
    const std::vector<UChar32> source = ToCodePoints(anchored, nullptr);
    try {
        return std::make_shared<const TCompiledPattern>(TCompiledPattern{
            boost::make_u32regex(source.data(), source.data() + source.size(), boost::regex_constants::perl),
            AnalyzePattern(pattern), ++serial});
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
