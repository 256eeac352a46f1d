// Compares the scanner with the plain approach it replaces: compile "\A" +
// pattern at every call and search a copy of the remaining text.
#include <gtest/gtest.h>

#include <boost/regex/icu.hpp>

#include <random>

#include "template/TStringScanner.h"

namespace {

class TPlainScanner {
public:
    explicit TPlainScanner(const UnicodeString& text) : rest_(text.substr(0, text.find(u'\0'))) {}

    int Skip(const UnicodeString& pattern)
    {
        groups_.clear();
        const boost::u32regex regex = boost::make_u32regex(u"\\A" + pattern);
        boost::match_results<UnicodeString::const_iterator> match;
        if (!boost::u32regex_search(rest_.cbegin(), rest_.cend(), match, regex))
            return -1;
        for (std::size_t i = 0; i < match.size(); ++i)
            groups_.push_back(match[static_cast<int>(i)].matched ? UnicodeString(match[static_cast<int>(i)].str())
                                                                  : UnicodeString());
        rest_ = UnicodeString(match[0].second, rest_.cend());
        return static_cast<int>(groups_[0].size());
    }

    const UnicodeString& Rest() const { return rest_; }
    const std::vector<UnicodeString>& Groups() const { return groups_; }

private:
    UnicodeString rest_;
    std::vector<UnicodeString> groups_;
};

TEST(TStringScanner, AgreesWithThePlainScannerOnRandomTemplates)
{
    const char16_t* const fragments[] = {
        u"<!---", u"--->", u"---->", u" ", u"\n", u"\u3000", u"excel", u"cell", u"loop_start", u"loop_end",
        u"name=A1", u"x='a b'", u">", u"-", u"<!--", u"-->", u"text", u"\u65E5\u672C", u"\U0001F600", u"\"",
        u"a", u"b", u"c", u"--", u"\t", u"_", u"=", u"\uFFFD",
    };
    const char16_t* const patterns[] = {
        u"<!---\\s+excel[^>]*?--->",      u"<!---\\s+cell[^>]*?--->",
        u"<!---\\s+loop_start[^>]*?--->", u"<!---\\s+loop_end[^>]*?--->",
        u"<!---[^-](.*?)[^-]--->",        u"(?:.+?(?=(?:<!---|\\z)))",
        u"([a-zA-Z0-9_]+)\\s*=\\s*([\\\"']?)", u"(\\s+|--->)", u"(\\S*)", u"([^']*)'",
        u"a?b*c", u"[^-]--->", u"\\s*<!---", u"-+>", u"(\\w+)\\s*=", u"[^>]*+>", u"<!---[^-]", u"\\S+?\\s",
        u"\\.?[ab]+", u"\uFFFD.", u"[^\\s-]--", u"[^>-]*?c>", u"a*\u65E5", u"\\s*=*-->",
    };
    std::mt19937 random(20240601);
    for (int round = 0; round < 1000; ++round) {
        UnicodeString text;
        const int pieces = static_cast<int>(random() % 30);
        for (int i = 0; i < pieces; ++i)
            text += fragments[random() % std::size(fragments)];
        TStringScanner scanner(text);
        TPlainScanner plain(text);
        for (int step = 0; step < 60 && !plain.Rest().empty(); ++step) {
            const UnicodeString pattern = patterns[random() % std::size(patterns)];
            ASSERT_EQ(scanner.Skip(pattern), plain.Skip(pattern)) << Utf16ToUtf8(text) << " / " << Utf16ToUtf8(pattern);
            ASSERT_EQ(UnicodeString(scanner.Rest()), plain.Rest());
            for (std::size_t g = 0; g <= plain.Groups().size(); ++g)
                ASSERT_EQ(scanner.Group(static_cast<int>(g)), g < plain.Groups().size() ? plain.Groups()[g] : u"");
        }
        EXPECT_EQ(scanner.IsEmpty(), plain.Rest().empty());
    }
}

} // namespace
