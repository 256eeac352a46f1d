#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

#include "settings/TProject.h"
#include "settings/TShellQuote.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::U;
using testsupport::WriteFile;

namespace {

void ExpectSame(const TProject& actual, const TProject& expected)
{
    EXPECT_EQ(Utf16ToUtf8(actual.TemplateFilePath), Utf16ToUtf8(expected.TemplateFilePath));
    EXPECT_EQ(actual.TemplateFileEncoding, expected.TemplateFileEncoding);
    EXPECT_EQ(Utf16ToUtf8(actual.ExcelFilePath), Utf16ToUtf8(expected.ExcelFilePath));
    EXPECT_EQ(Utf16ToUtf8(actual.HtmlSavePath), Utf16ToUtf8(expected.HtmlSavePath));
    EXPECT_EQ(actual.HtmlEncoding, expected.HtmlEncoding);
}

TEST(TProject, NewProjectFileHasTheTenLines)
{
    TempDir dir;
    const auto path = dir / "new.tbm";
    TProject().SaveToFile(FromPath(path));
    EXPECT_EQ(ReadFile(path),
              "[SYSTEM]\r\nVERSION=1\r\n\r\n"
              "[CONFIG]\r\nTemplateFilePath=\r\nTemplateFileEncoding=0\r\nExcelFilePath=\r\n"
              "HtmlSavePath=\r\nHtmlEncoding=0\r\n\r\n");
}

TEST(TProject, SavingOverAFileKeepsUnknownEntriesAndDropsComments)
{
    TempDir dir;
    const auto path = dir / "p.tbm";
    WriteFile(path,
              "; written by hand\n"
              "[Extra]\nColour=blue\n"
              "[config]\nhtmlencoding=2\nNote=keep me\n"
              "[SYSTEM]\nVERSION=7\n");
    TProject(U("/web/カード.html"), 1, u"/data/list.xlsx", u"/web/out", 0).SaveToFile(FromPath(path));
    EXPECT_EQ(ReadFile(path),
              "[Extra]\r\nColour=blue\r\n\r\n"
              "[config]\r\nHtmlEncoding=0\r\nNote=keep me\r\nTemplateFilePath=/web/カード.html\r\n"
              "TemplateFileEncoding=1\r\nExcelFilePath=/data/list.xlsx\r\nHtmlSavePath=/web/out\r\n\r\n"
              "[SYSTEM]\r\nVERSION=1\r\n\r\n");
}

TEST(TProject, LoadsValuesAsStored)
{
    struct Case {
        const char* name;
        std::string content;
        TProject expected;
    };
    const Case cases[] = {
        {"no config section", "[SYSTEM]\nVERSION=1\n", TProject()},
        {"numbers outside the list", "[CONFIG]\nTemplateFileEncoding=7\nHtmlEncoding=-3\n",
         TProject(u"", 7, u"", u"", -3)},
        {"hex and words", "[CONFIG]\nTemplateFileEncoding=0x2\nHtmlEncoding=abc\n", TProject(u"", 2, u"", u"", 0)},
        {"blanks and letter case",
         "[config]\ntemplatefilepath=  /a b/c.html \t\nEXCELFILEPATH=/x.xlsx\nHtmlSavePath = /out\n",
         TProject(u"/a b/c.html", 0, u"/x.xlsx", u"/out", 0)},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const auto path = dir / "p.tbm";
        WriteFile(path, c.content);
        TProject project(u"old", 1, u"old", u"old", 1);
        project.LoadFromFile(FromPath(path));
        SCOPED_TRACE(c.name);
        ExpectSame(project, c.expected);
    }
}

TEST(TProject, MissingFileIsEmptyUnreadableFileKeepsFields)
{
    TempDir dir;
    TProject project(u"/t", 1, u"/x", u"/d", 2);
    project.LoadFromFile(FromPath(dir / "missing.tbm"));
    ExpectSame(project, TProject());

    const TProject before(u"/t", 1, u"/x", u"/d", 2);
    project = before;
    EXPECT_THROW(project.LoadFromFile(FromPath(dir.Path())), Exception);
    ExpectSame(project, before);
}

TEST(TProject, WindowsFilesKeepTheirEncoding)
{
    // Shift_JIS without a mark, as the Windows program writes it on a
    // Japanese system: テンプレート, ソフト, データ, 表, 出力 (ソ and 表 end in 0x5C).
    const std::string sjis =
        "[SYSTEM]\r\nVERSION=1\r\n\r\n[CONFIG]\r\n"
        "TemplateFilePath=C:\\Web\\\x83\x65\x83\x93\x83\x76\x83\x8C\x81\x5B\x83\x67\\\x83\x5C\x83\x74\x83\x67.html\r\n"
        "TemplateFileEncoding=0\r\n"
        "ExcelFilePath=C:\\\x83\x66\x81\x5B\x83\x5E\\\x95\x5C.xls\r\n"
        "HtmlSavePath=C:\\Web\\\x8F\x6F\x97\xCD\r\n"
        "HtmlEncoding=1\r\n\r\n";
    const std::string utf8 =
        "\xEF\xBB\xBF[SYSTEM]\r\nVERSION=1\r\n\r\n[CONFIG]\r\n"
        "TemplateFilePath=C:\\Web\\テンプレート\\ソフト.html\r\nTemplateFileEncoding=0\r\n"
        "ExcelFilePath=C:\\データ\\表.xls\r\nHtmlSavePath=C:\\Web\\出力\r\nHtmlEncoding=1\r\n\r\n";
    const TProject expected(U("C:\\Web\\テンプレート\\ソフト.html"), 0, U("C:\\データ\\表.xls"),
                            U("C:\\Web\\出力"), 1);

    TempDir dir;
    for (const auto& bytes : {sjis, utf8}) {
        const auto path = dir / "win.tbm";
        WriteFile(path, bytes);
        TProject project;
        project.LoadFromFile(FromPath(path));
        ExpectSame(project, expected);
        project.SaveToFile(FromPath(path));
        EXPECT_EQ(ReadFile(path), bytes);
    }

    // A changed value is written in Shift_JIS too.
    const auto path = dir / "sjis.tbm";
    WriteFile(path, sjis);
    TProject project;
    project.LoadFromFile(FromPath(path));
    project.HtmlSavePath = U("C:\\出力");
    project.SaveToFile(FromPath(path));
    EXPECT_NE(ReadFile(path).find("HtmlSavePath=C:\\\x8F\x6F\x97\xCD\r\n"), std::string::npos);
}

TEST(TProject, SettersClampAndComparisonIsExact)
{
    const std::pair<int, int> clamps[] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {7, 0}, {-1, 0}, {INT_MIN, 0}, {INT_MAX, 0}};
    for (const auto& [in, out] : clamps) {
        TProject p(u"", 9, u"", u"", 9);
        p.SetTemplateFileEncoding(in);
        p.SetHtmlEncoding(in);
        EXPECT_EQ(p.TemplateFileEncoding, out) << in;
        EXPECT_EQ(p.HtmlEncoding, out) << in;
    }

    const TProject base(u"C:\\a.html", 1, u"/x.xlsx", u"/out", 2);
    TProject copy(base);
    EXPECT_TRUE(copy.SameAs(base));
    TProject assigned;
    assigned.Assign(base);
    EXPECT_TRUE(assigned.SameAs(base));

    TProject variants[5] = {base, base, base, base, base};
    variants[0].TemplateFilePath = u"c:\\A.html";
    variants[1].TemplateFileEncoding = 0;
    variants[2].ExcelFilePath = u"/X.xlsx";
    variants[3].HtmlSavePath = u"/out/";
    variants[4].HtmlEncoding = 1;
    for (const auto& v : variants)
        EXPECT_FALSE(v.SameAs(base));
}

TEST(TProject, BatchLineHasThePiecesInOrder)
{
    const TProject p(u"/web/card.html", 0, u"/data/list.xls", u"/web/out", 1);
    EXPECT_EQ(Utf16ToUtf8(p.MakeBatchCommandLine(u"/usr/bin/tabloom")),
              "'/usr/bin/tabloom' -a '-t=/web/card.html' '-x=/data/list.xls' '-d=/web/out' -te=0 -de=1");
    EXPECT_EQ(Utf16ToUtf8(ShellQuote(u"it's")), "'it'\\''s'");
}

// Runs `command` through /bin/sh and returns what it printed.
std::string RunShell(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {};
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    return out;
}

TEST(TProject, BatchLineSurvivesTheShell)
{
    TempDir dir;
    // The program itself lives under a hostile folder name too.
    const fs::path bin = dir / "bin $HOME `x` \"q\" 'a'\nz";
    fs::create_directories(bin);
    const fs::path program = bin / "echo args";
    WriteFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done\n");
    fs::permissions(program, fs::perms::owner_all);

    const TProject projects[] = {
        TProject(U("/tmp/my templates/card's \"x\".html"), 1, U("/d/$HOME/`id`/$(echo hi)/a\\b.xlsx"),
                 U("/out/line1\nline2\t*?[a]; rm -rf x &|<> ~ #c !"), 2),
        TProject(u"", 0, U("-x=/テンプレート/'''"), U("'"), 0),
        TProject(U("  lead and trail  "), 2, U("\\\\server\\share"), U("$'\\n'"), 1),
    };
    for (const auto& p : projects) {
        const auto script = dir / "run.sh";
        WriteFile(script, "#!/bin/sh\n" + Utf16ToUtf8(p.MakeBatchCommandLine(FromPath(program))) + "\n");
        const std::string out = RunShell("/bin/sh " + Utf16ToUtf8(ShellQuote(FromPath(script))));

        std::vector<std::string> args;
        for (std::size_t start = 0, end; (end = out.find('\0', start)) != std::string::npos; start = end + 1)
            args.push_back(out.substr(start, end - start));
        const std::vector<std::string> expected = {
            "-a",
            "-t=" + Utf16ToUtf8(p.TemplateFilePath),
            "-x=" + Utf16ToUtf8(p.ExcelFilePath),
            "-d=" + Utf16ToUtf8(p.HtmlSavePath),
            "-te=" + std::to_string(p.TemplateFileEncoding),
            "-de=" + std::to_string(p.HtmlEncoding),
        };
        EXPECT_EQ(args, expected);
    }
}

} // namespace
