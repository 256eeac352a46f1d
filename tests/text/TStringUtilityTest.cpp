#include <gtest/gtest.h>

#include "text/TStringUtility.h"

namespace {

using namespace TStringUtility;

TEST(HTMLEncode, EscapesTheFiveCharactersOnly)
{
    struct Case {
        const char16_t* text;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"a<b & \"c\">", u"a&lt;b &amp; &quot;c&quot;&gt;"},
        {u"&amp;", u"&amp;amp;"},
        {u"<a title='x' onclick='y'>", u"&lt;a title=&#39;x&#39; onclick=&#39;y&#39;&gt;"},
        {u"", u""},
        {u"\u65E5\u00A9\t\x01\r\n", u"\u65E5\u00A9\t\x01\r\n"},
        {u"<<>>", u"&lt;&lt;&gt;&gt;"},
        {u"&lt;", u"&amp;lt;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HTMLEncode(c.text), c.expected) << Utf16ToUtf8(c.text);
}

TEST(ReplaceString, ReplacesLiterallyWithoutRescanning)
{
    struct Case {
        const char16_t* text;
        const char16_t* from;
        const char16_t* to;
        unsigned flags;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"aaa", u"aa", u"b", rfReplaceAll, u"ba"},
        {u"x&y", u"&", u"&amp;", rfReplaceAll, u"x&amp;y"},
        {u"a-b-c", u"-", u"+", 0, u"a+b-c"},
        {u"a-b-c", u"-", u"+", rfReplaceAll, u"a+b+c"},
        {u"ABC", u"b", u"x", rfReplaceAll | rfIgnoreCase, u"ABC"},
        {u"abc", u"", u"x", rfReplaceAll, u"abc"},
        {u"abc", u"abc", u"", rfReplaceAll, u""},
        {u"", u"a", u"b", rfReplaceAll, u""},
        {u"aXbX", u"X", u"XX", rfReplaceAll, u"aXXbXX"},
        {u"\U0001F600\U0001F600", u"\U0001F600", u"!", rfReplaceAll, u"!!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceString(c.text, c.from, c.to, c.flags), c.expected) << Utf16ToUtf8(c.text);
}

TEST(LCMapText, MapsPrintableAsciiAndSpaceToFullWidth)
{
    EXPECT_EQ(LCMapText(u"", LCMAP_FULLWIDTH), u"");
    EXPECT_EQ(LCMapText(u"A1 !~", LCMAP_FULLWIDTH), u"\uFF21\uFF11\u3000\uFF01\uFF5E");
    EXPECT_EQ(LCMapText(u"con$", LCMAP_FULLWIDTH), u"\uFF43\uFF4F\uFF4E\uFF04");
    // No full-width form: unchanged.
    EXPECT_EQ(LCMapText(u"\t\x7F\u3042\uFF21", LCMAP_FULLWIDTH), u"\t\x7F\u3042\uFF21");
    EXPECT_EQ(LCMapText(u"abc", 0), u"abc");
}

} // namespace
