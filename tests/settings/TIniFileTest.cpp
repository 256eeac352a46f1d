#include <gtest/gtest.h>

#include <filesystem>

#include "settings/TIniFile.h"
#include "settings/TIniFileIO.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

using testsupport::TempDir;
using testsupport::U;

namespace {

TEST(TIniFile, ReadsTheTextConventions)
{
    const std::string text =
        "Before=ignored\r\n"
        "; comment\n"
        "  [ Config ]  \r"
        "\tName = some value \t\r\n"
        "Path=a=b\n"
        ";Hidden=1\n"
        "Empty=\n"
        "NoEquals\n"
        "[other]\n"
        "name=second\n"
        "[CONFIG]\n"
        "Late=continued\n"
        "Name=duplicate\n";
    const TIniFile ini = TIniFile::FromBytes(text);

    struct Case {
        const char16_t* section;
        const char16_t* key;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"Config", u"Name", u"some value"},
        {u"CONFIG", u"name", u"some value"},  // first occurrence wins
        {u"config", u"PATH", u"a=b"},
        {u"Config", u"Empty", u""},
        {u"Config", u"Late", u"continued"},
        {u"Other", u"NAME", u"second"},
        {u"Config", u"Hidden", u"<none>"},
        {u"Config", u"Before", u"<none>"},
        {u"Config", u"NoEquals", u"<none>"},
        {u"Missing", u"Name", u"<none>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, u"<none>"), c.expected)
            << Utf16ToUtf8(c.section) << "/" << Utf16ToUtf8(c.key);
    EXPECT_TRUE(ini.ValueExists(u"config", u"EMPTY"));
    EXPECT_FALSE(ini.ValueExists(u"config", u"Hidden"));
    EXPECT_FALSE(ini.SectionExists(u"Before"));
}

TEST(TIniFile, ReadsNumbersAndBooleans)
{
    const TIniFile ini = TIniFile::FromBytes("[S]\nhex=0x2\nword=abc\nneg=-5\nblank=\n"
                                             "on=1\noff=0\ntwo=2\nbad=yes\n");
    EXPECT_EQ(ini.ReadInteger(u"S", u"hex", 9), 2);
    EXPECT_EQ(ini.ReadInteger(u"S", u"word", 9), 9);
    EXPECT_EQ(ini.ReadInteger(u"S", u"neg", 9), -5);
    EXPECT_EQ(ini.ReadInteger(u"S", u"blank", 9), 9);
    EXPECT_EQ(ini.ReadInteger(u"S", u"missing", 9), 9);
    EXPECT_TRUE(ini.ReadBool(u"S", u"on", false));
    EXPECT_FALSE(ini.ReadBool(u"S", u"off", true));
    EXPECT_TRUE(ini.ReadBool(u"S", u"two", false));
    EXPECT_TRUE(ini.ReadBool(u"S", u"bad", true));
    EXPECT_FALSE(ini.ReadBool(u"S", u"bad", false));
}

TEST(TIniFile, WritesInPlaceAppendsAndDropsComments)
{
    TIniFile ini = TIniFile::FromBytes("top=lost\n[A]\n; note\nx=1\ny=2\nraw line\n\n[B]\nz=3\n");
    ini.WriteString(u"a", u"X", u"one");
    ini.WriteInteger(u"A", u"new", -12);
    ini.WriteBool(u"C", u"flag", true);
    ini.WriteBool(u"B", u"off", false);
    EXPECT_EQ(ini.ToBytes(),
              "[A]\r\nX=one\r\ny=2\r\nraw line\r\nnew=-12\r\n\r\n"
              "[B]\r\nz=3\r\noff=0\r\n\r\n"
              "[C]\r\nflag=1\r\n\r\n");
    EXPECT_EQ(TIniFile().ToBytes(), "");
}

TEST(TIniFile, RefusesTextThatWouldBreakTheLineStructure)
{
    TIniFile ini;
    EXPECT_THROW(ini.WriteString(u"S", u"Key", u"a\nb"), Exception);
    EXPECT_THROW(ini.WriteString(u"S", u"Key", u"a\rb"), Exception);
    EXPECT_THROW(ini.WriteString(u"S\n[T]", u"Key", u"v"), Exception);
    EXPECT_THROW(ini.WriteString(u"S", u"K=ey", u"v"), Exception);
    EXPECT_EQ(ini.ToBytes(), "");
    ini.WriteString(u"S", u"Key", u"tab\tand \"quotes\"");
    EXPECT_EQ(ini.ReadString(u"S", u"Key", u""), u"tab\tand \"quotes\"");
}

struct EncodingCase {
    const char* name;
    std::string bytes;
    TIniEncoding encoding;
    const char* value;  // UTF-8 of [S] k
};

TEST(TIniFile, DetectsTheEncodingAndWritesItBack)
{
    const EncodingCase cases[] = {
        {"utf8", "[S]\r\nk=\xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n", TIniEncoding::Utf8, "日本"},
        {"ascii", "[S]\r\nk=abc\r\n\r\n", TIniEncoding::Utf8, "abc"},
        {"utf8 mark", "\xEF\xBB\xBF[S]\r\nk=\xE6\x97\xA5\r\n\r\n", TIniEncoding::Utf8Bom, "日"},
        {"utf16le", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xE5\x65\r\0\n\0\r\0\n\0", 26),
         TIniEncoding::Utf16LE, "日"},
        {"utf16be", std::string("\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\x65\xE5\0\r\0\n\0\r\0\n", 26),
         TIniEncoding::Utf16BE, "日"},
        // Shift_JIS with 0x5C as a trail byte (ソ) and a backslash.
        {"shift_jis", "[S]\r\nk=C:\\\x83\x5C\x83\x74\x83\x67\r\n\r\n", TIniEncoding::ShiftJis,
         "C:\\ソフト"},
    };
    for (const auto& c : cases) {
        const TIniFile ini = TIniFile::FromBytes(c.bytes);
        EXPECT_EQ(ini.Encoding(), c.encoding) << c.name;
        EXPECT_EQ(ini.ReadString(u"S", u"k", u""), U(c.value)) << c.name;
        EXPECT_EQ(ini.ToBytes(), c.bytes) << c.name;
    }
}

TEST(TIniFile, AValueTheEncodingCannotHoldIsWrittenInOneThatCan)
{
    const UnicodeString lone = u"/tmp/a\xDC83" u"b";  // a file name byte that is not UTF-8
    struct Case {
        const char* name;
        std::string read;
        UnicodeString value;
        std::string written;
    };
    const Case cases[] = {
        {"shift_jis", "[S]\r\nk=\x83\x5C\r\n", U("한국어 ソ"),
         "\xEF\xBB\xBF[S]\r\nk=" + std::string("한국어 ソ") + "\r\n\r\n"},
        // ﾋｵ is CB B5 in Shift_JIS, which is also valid UTF-8.
        {"shift_jis that reads as utf8", "[S]\r\nk=\x83\x5C\r\n", U("ﾋｵ"), "\xEF\xBB\xBF[S]\r\nk=" + std::string("ﾋｵ") + "\r\n\r\n"},
        {"utf8", "[S]\r\n", lone, std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0/\0t\0m\0p\0/\0a\0\x83\xDC" "b\0\r\0\n\0\r\0\n\0", 40)},
        {"utf8 mark", "\xEF\xBB\xBF[S]\r\n", lone, ""},
        {"shift_jis, lone surrogate", "[S]\r\nk=\x83\x5C\r\n", lone, ""},
    };
    for (const auto& c : cases) {
        TIniFile ini = TIniFile::FromBytes(c.read);
        ini.WriteString(u"S", u"k", c.value);
        const std::string bytes = ini.ToBytes();
        if (!c.written.empty()) {
            EXPECT_EQ(bytes, c.written) << c.name;
        }
        EXPECT_EQ(TIniFile::FromBytes(bytes).ReadString(u"S", u"k", u""), c.value) << c.name;
    }
}

TEST(TIniFile, OddUtf16AndBrokenUtf8DoNotCrash)
{
    // A cut-off last byte is dropped.
    const TIniFile odd = TIniFile::FromBytes(std::string("\xFF\xFE[\0S\0]\0\n\0k\0=\0v\0w", 17));
    EXPECT_EQ(odd.ReadString(u"S", u"k", u""), u"v");
    // Invalid UTF-8 without a mark is taken for Shift_JIS.
    EXPECT_EQ(TIniFile::FromBytes("[S]\nk=\xE6\x97\n").Encoding(), TIniEncoding::ShiftJis);
}

TEST(TIniFileIO, TellsValidUtf8)
{
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"plain", true},
        {"\xC3\xA9", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xC3", false},
        {"\xC0\xAF", false},          // overlong
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\x83\x5C", false},          // Shift_JIS
        {"\xFF", false},
    };
    for (const auto& [bytes, valid] : cases)
        EXPECT_EQ(IsValidUtf8(bytes), valid) << testing::PrintToString(bytes);
}

TEST(TIniFile, FileAccess)
{
    TempDir dir;
    const UnicodeString missing = FromPath(dir / "none.ini");
    EXPECT_EQ(TIniFile::FromFile(missing).ToBytes(), "");
    EXPECT_EQ(TIniFile::FromFile(FromPath(dir / "no" / "such" / "x.ini")).ToBytes(), "");

    const UnicodeString folder = FromPath(dir.Path());
    try {
        TIniFile::FromFile(folder);
        FAIL() << "a folder was read as an ini file";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message().rfind(u"ファイル \"" + folder + u"\" を開けません。", 0), 0u)
            << Utf16ToUtf8(e.Message());
    }

    const auto path = dir / "a.ini";
    UnicodeString withNul = FromPath(path);
    withNul += UnicodeString(u"\0.bak", 5);
    testsupport::WriteFile(path, "[S]\nk=v\n");
    EXPECT_THROW(TIniFile::FromFile(withNul), Exception);

    testsupport::WriteFile(path, "\xEF\xBB\xBF[S]\r\nk=v\r\n");
    TIniFile ini = TIniFile::FromFile(FromPath(path));
    ini.WriteString(u"S", u"k", u"w");
    ini.SaveToFile(FromPath(path));
    EXPECT_EQ(testsupport::ReadFile(path), "\xEF\xBB\xBF[S]\r\nk=w\r\n\r\n");
}

} // namespace
