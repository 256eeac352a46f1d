// Scans generated templates with the parser's six token patterns and compares
// the time with a plain search for "<!---" over the same text.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>

#include <boost/regex/icu.hpp>

#include <time.h>

#include "template/TStringScanner.h"

namespace {

const char16_t* const TokenPatterns[] = {
    u"<!---\\s+excel[^>]*?--->",      u"<!---\\s+cell[^>]*?--->",
    u"<!---\\s+loop_start[^>]*?--->", u"<!---\\s+loop_end[^>]*?--->",
    u"<!---[^-](.*?)[^-]--->",        u"(?:.+?(?=(?:<!---|\\z)))",
};

// About `chars` characters holding `tags` tags, literal text spread between them.
UnicodeString MakeTemplate(std::size_t chars, std::size_t tags)
{
    std::vector<UnicodeString> pieces;
    pieces.reserve(tags);
    std::size_t tagChars = 0;
    for (std::size_t i = 0; i < tags; ++i) {
        UnicodeString tag;
        switch (i % 10) {
        case 0: tag = i == 0 ? u"<!--- excel quit=A1 type=list --->" : u"<!--- loop_start --->"; break;
        case 4: case 8: tag = u"<!--- c --->"; break;
        case 9: tag = u"<!--- loop_end --->"; break;
        default:
            tag = u"<!--- cell name=" + UnicodeString(1, static_cast<char16_t>(u'A' + i % 26)) +
                  UnicodeString(1, static_cast<char16_t>(u'1' + i % 9)) + u" --->";
        }
        tagChars += tag.size();
        pieces.push_back(std::move(tag));
    }
    const std::size_t textChars = chars > tagChars ? chars - tagChars : 0;
    static const char16_t filler[] = u"<td>\u65E5\u672C\u8A9E text</td>\n";
    UnicodeString out;
    out.reserve(chars + tags);
    std::size_t written = 0;
    for (std::size_t i = 0; i < tags; ++i) {
        out += pieces[i];
        const std::size_t target = textChars * (i + 1) / tags;
        for (; written < target; ++written)
            out += filler[written % (std::size(filler) - 1)];
    }
    return out;
}

std::size_t FindBaseline(const UnicodeString& text)
{
    std::size_t count = 0;
    for (std::size_t pos = text.find(u"<!---"); pos != UnicodeString::npos; pos = text.find(u"<!---", pos + 1))
        ++count;
    return count;
}

std::size_t ScanTokens(const UnicodeString& text)
{
    TStringScanner scanner(text);
    std::size_t tokens = 0;
    while (!scanner.IsEmpty()) {
        bool matched = false;
        for (const char16_t* pattern : TokenPatterns) {
            if (!scanner.Scan(pattern).empty()) {
                matched = true;
                break;
            }
        }
        if (!matched)
            return 0;
        ++tokens;
    }
    return tokens;
}

// The same token loop straight on the regex engine: patterns compiled once,
// searched over a ready code-point copy. What the engine alone costs.
std::size_t EngineTokens(const std::vector<UChar32>& text, const std::vector<boost::u32regex>& patterns)
{
    boost::match_results<const UChar32*> match;
    const UChar32* position = text.data();
    const UChar32* end = position + text.size();
    std::size_t tokens = 0;
    while (position != end) {
        bool matched = false;
        for (const auto& pattern : patterns) {
            if (boost::u32regex_search(position, end, match, pattern) && match[0].length() > 0) {
                position = match[0].second;
                matched = true;
                break;
            }
        }
        if (!matched)
            return 0;
        ++tokens;
    }
    return tokens;
}

// CPU time of this thread for one run, in milliseconds: steadier than wall
// time on a shared machine.
double TimeMs(const std::function<std::size_t()>& work, std::size_t& result)
{
    timespec start{}, stop{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    result = work();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &stop);
    return (stop.tv_sec - start.tv_sec) * 1e3 + (stop.tv_nsec - start.tv_nsec) / 1e6;
}

} // namespace

int main()
{
    const std::size_t MiB = 1024 * 1024;
    struct Size { const char* name; std::size_t chars; std::size_t tags; };
    const Size sizes[] = {{"1 MB", MiB, 50000}, {"4 MB", 4 * MiB, 200000}};

    std::vector<boost::u32regex> engine;
    for (const char16_t* pattern : TokenPatterns)
        engine.push_back(boost::make_u32regex(u"\\A" + UnicodeString(pattern)));

    std::printf("%-6s %8s %8s %10s %10s %8s %10s %8s\n", "size", "tags", "tokens", "find ms", "scan ms", "ratio",
                "engine ms", "ratio");
    double scan1 = 0;
    for (const Size& size : sizes) {
        const UnicodeString text = MakeTemplate(size.chars, size.tags);
        const std::vector<UChar32> codePoints(text.begin(), text.end());
        std::size_t found = 0, tokens = 0, engineTokens = 0;
        // Alternate the two and keep the best of each, so that load from
        // other processes hits both alike.
        double find = 1e300, scan = 1e300, bare = 1e300;
        for (int round = 0; round < 7; ++round) {
            for (int i = 0; i < 5; ++i)
                find = std::min(find, TimeMs([&] { return FindBaseline(text); }, found));
            scan = std::min(scan, TimeMs([&] { return ScanTokens(text); }, tokens));
            bare = std::min(bare, TimeMs([&] { return EngineTokens(codePoints, engine); }, engineTokens));
        }
        if (found != size.tags || tokens == 0 || tokens != engineTokens) {
            std::fprintf(stderr, "unexpected counts: %zu tags found, %zu tokens\n", found, tokens);
            return 1;
        }
        std::printf("%-6s %8zu %8zu %10.3f %10.3f %7.1fx %10.3f %7.1fx\n", size.name, found, tokens, find, scan,
                    scan / find, bare, bare / find);
        if (scan1 == 0)
            scan1 = scan;
        else
            std::printf("growth 1 MB -> 4 MB: scan %.2fx (linear = 4x)\n", scan / scan1);
    }

    // Broken templates: "<!---" openings that are never closed, or closed
    // only by "---->", which the comment pattern does not accept. Each one is
    // tried as a comment; this must not grow with the square of the size.
    for (const char16_t* piece : {u"<!---x ", u"<!---x ---->"}) {
        double small = 0;
        for (std::size_t chars : {MiB / 4, MiB}) {
            UnicodeString text;
            while (text.size() < chars)
                text += piece;
            std::size_t tokens = 0, found = 0;
            double find = 1e300, scan = 1e300;
            for (int round = 0; round < 3; ++round) {
                find = std::min(find, TimeMs([&] { return FindBaseline(text); }, found));
                scan = std::min(scan, TimeMs([&] { return ScanTokens(text); }, tokens));
            }
            std::printf("\"%s\" %4zu KB: %zu tokens, find %.3f ms, scan %.3f ms, ratio %.1fx\n",
                        Utf16ToUtf8(piece).c_str(), chars / 1024, tokens, find, scan, scan / find);
            if (small == 0)
                small = scan;
            else
                std::printf("growth 256 KB -> 1 MB: scan %.2fx (linear = 4x)\n", scan / small);
        }
    }

    // Openings of a tag that never closes before the one ">" at the end:
    // each is tried as a tag up to that ">". Cost must grow like the length.
    double openings2000 = 0;
    for (std::size_t openings : {2000, 8000}) {
        UnicodeString text;
        for (std::size_t i = 0; i < openings; ++i)
            text += u"<!--- excel a";
        text += u">---->";
        std::size_t tokens = 0, found = 0;
        double find = 1e300, scan = 1e300;
        for (int round = 0; round < 3; ++round) {
            find = std::min(find, TimeMs([&] { return FindBaseline(text); }, found));
            scan = std::min(scan, TimeMs([&] { return ScanTokens(text); }, tokens));
        }
        std::printf("%zu \"<!--- excel a\" openings, %zu KB: %zu tokens, find %.3f ms, scan %.3f ms, ratio %.1fx\n",
                    openings, text.size() / 1000, tokens, find, scan, scan / find);
        if (openings2000 == 0)
            openings2000 = scan;
        else
            std::printf("growth 2,000 -> 8,000 openings: scan %.2fx (linear = 4x)\n", scan / openings2000);
    }
    return 0;
}
