#include <gtest/gtest.h>

#include "text/TCommaText.h"
#include "support/TestSupport.h"

using testsupport::U;

namespace {

using List = std::vector<UnicodeString>;

TEST(TCommaText, JoinQuotesOnlyWhatNeedsIt)
{
    const std::pair<List, const char*> cases[] = {
        {{}, ""},
        {{u""}, "\"\""},
        {{u"", u""}, ","},
        {{u"a", u""}, "a,"},
        {{u"C:\\My Files\\b.tbm", u"C:\\a.tbm"}, "\"C:\\My Files\\b.tbm\",C:\\a.tbm"},
        {{u"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{u"a,b"}, "\"a,b\""},
        {{u"tab\there"}, "\"tab\there\""},
        {{u"\x01"}, "\"\x01\""},
        {{U("/データ/表.tbm"), U("é\u00FF")}, "/データ/表.tbm,é\u00FF"},
        {{u"'single'"}, "'single'"},
    };
    for (const auto& [entries, expected] : cases)
        EXPECT_EQ(Utf16ToUtf8(TCommaText::Join(entries)), expected);
}

TEST(TCommaText, SplitReadsTheStoredForms)
{
    const std::pair<const char*, List> cases[] = {
        {"", {}},
        {"  \t ", {}},
        {"\"\"", {u""}},
        {"C:\\a.tbm,\"C:\\My Files\\b.tbm\"", {u"C:\\a.tbm", u"C:\\My Files\\b.tbm"}},
        {"a,", {u"a", u""}},
        {",a", {u"", u"a"}},
        {"a , b", {u"a", u"b"}},
        {"a, ", {u"a"}},
        {"a b", {u"a", u"b"}},
        {"\"x\"\"y\",z", {u"x\"y", u"z"}},
        {"\"open", {u"open"}},
        {"\"a\"b,c", {u"a", u"b", u"c"}},
        {"  lead,trail  ", {u"lead", u"trail"}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(TCommaText::Split(U(text)), expected) << text;
}

TEST(TCommaText, StopsAtNul)
{
    const UnicodeString text(u"a,\0b,c", 6);
    EXPECT_EQ(TCommaText::Split(text), (List{u"a", u""}));
    EXPECT_EQ(TCommaText::Split(UnicodeString(u"\0", 1)), List{});
}

TEST(TCommaText, RoundTripsAwkwardEntries)
{
    const List lists[] = {
        {u""},
        {u"", u""},
        {u"a", u"", u"b"},
        {u"\"", u"\"\"", u",", u" "},
        {U(" 先頭と末尾 "), U("/ホーム/ファイル名 (1).tbm"), U("😀,\"😀\"")},
        {u"C:\\My Files\\b.tbm", u"C:\\a.tbm", u"\\\\srv\\x y\\z.tbm"},
    };
    for (const auto& entries : lists)
        EXPECT_EQ(TCommaText::Split(TCommaText::Join(entries)), entries) << Utf16ToUtf8(TCommaText::Join(entries));
}

} // namespace
