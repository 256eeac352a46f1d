#include <gtest/gtest.h>

#include <climits>

#include "text/TConvert.h"
#include "text/UnicodeString.h"

namespace {

struct IntCase {
    const char16_t* text;
    int expected;
};

TEST(StrToIntDef, ReadsDecimalHexAndRejectsTheRest)
{
    const IntCase cases[] = {
        {u"0", 0},           {u"42", 42},          {u"+7", 7},
        {u"-7", -7},         {u"   12", 12},       {u"007", 7},
        {u"2147483647", INT_MAX},                  {u"-2147483648", INT_MIN},
        {u"2147483648", -1}, {u"-2147483649", -1}, {u"99999999999999999999", -1},
        {u"$10", 16},        {u"x1F", 31},         {u"X1f", 31},
        {u"0x10", 16},       {u"0X10", 16},        {u"-$10", -16},
        {u"$FFFFFFFF", -1},  {u"$80000000", INT_MIN}, {u"$100000000", -1},
        {u"$000000001", 1},  {u"", -1},            {u" ", -1},
        {u"+", -1},          {u"$", -1},           {u"0x", -1},
        {u"12 ", -1},        {u"1a", -1},          {u"\t1", -1},
        {u"1.5", -1},        {u"- 1", -1},         {u"\uFF11", -1},
        {u"abc", -1},        {u"0x2", 2},          {u"--1", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrToIntDef(c.text, -1), c.expected) << Utf16ToUtf8(c.text);
}

TEST(StrToIntDef, UsesTheCallersFallback)
{
    EXPECT_EQ(StrToIntDef(u"abc", 0), 0);
    EXPECT_EQ(StrToIntDef(u"", 99), 99);
    EXPECT_EQ(StrToIntDef(u"-1", 99), -1);
}

TEST(Trim, RemovesBlanksAndControlCharactersOnly)
{
    EXPECT_EQ(Trim(u" \t\r\n a b \x01\x1F "), u"a b");
    EXPECT_EQ(Trim(u"\u3000a\u3000"), u"\u3000a\u3000");
    EXPECT_EQ(Trim(u"   "), u"");
    EXPECT_EQ(TrimLeft(u"  a "), u"a ");
    EXPECT_EQ(TrimRight(u"  a "), u"  a");
}

TEST(CaseMapping, TouchesAsciiLettersOnly)
{
    EXPECT_EQ(LowerCase(u"ExCeL_1\u00C0\uFF21"), u"excel_1\u00C0\uFF21");
    EXPECT_EQ(UpperCase(u"clock$\u00E0"), u"CLOCK$\u00E0");
}

TEST(ZeroPad, FollowsPrintfWidthRules)
{
    EXPECT_EQ(ZeroPad(1, 5), u"00001");
    EXPECT_EQ(ZeroPad(123456, 5), u"123456");
    EXPECT_EQ(ZeroPad(-12, 5), u"-0012");
    EXPECT_EQ(ZeroPad(0, 1), u"0");
    EXPECT_EQ(IntToStr(LLONG_MIN), u"-9223372036854775808");
}

TEST(Utf8, RoundTripsAndReplacesWhatIsInvalid)
{
    const std::string text = "日本語 ｱ 😀";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf8ToUtf16("😀"), u"\U0001F600");
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xE3\x81"), u"\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");            // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");        // encoded surrogate
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(Utf16ToUtf8(lone), "a\xEF\xBF\xBD" "b");
}

} // namespace

namespace {

TEST(NativeBytes, BytesThatAreNotUtf8RoundTrip)
{
    const std::string cases[] = {
        "plain", "\xE6\x97\xA5\xE6\x9C\xAC", "o\xFF", "\x82\xA0\x82\xA2.html",  // Shift_JIS
        "\xE6\x97", "\xED\xA0\x80", "\xC0\xAF", "\xF4\x90\x80\x80", "a\xE6\x97\xA5\xFF\xE6", "",
    };
    for (const std::string& bytes : cases)
        EXPECT_EQ(ToNative(FromNative(bytes)), bytes) << bytes;
    EXPECT_EQ(FromNative("o\xFF"), u"o\xDCFF");
    EXPECT_EQ(FromNative("\xE6\x97\xA5"), u"\u65E5");
}

} // namespace
