#include <cstdlib>

#include <gtest/gtest.h>

#include "generation/EndToEnd.h"

using namespace e2e;

namespace {

const std::vector<Sheet> Book = {{"Sheet1", {S("A1", "さくら堂"), S("B1", "東京都 港区")}}};
const std::string TemplateUtf8 = "<!--- excel quit=A1 type=card --->\n<p>店名：<!--- cell name=A1 ---></p>\n";
const std::string PageUtf8 = "\n<p>店名：さくら堂</p>\n";

std::string InCharset(const std::string& utf8, int index)
{
    switch (index) {
    case 0: return Convert(utf8, "CP932");
    case 2: return Convert(utf8, "EUC-JP");
    default: return utf8;
    }
}

TEST(Charsets, EveryTemplateAndPageCharset)
{
    for (int te = 0; te <= 2; ++te) {
        for (int de = 0; de <= 2; ++de) {
            Job job(Book);
            job.SetTemplate(InCharset(TemplateUtf8, te));
            const RunResult r = job.Run(te, de);
            ASSERT_EQ(r.status, 0) << te << de << r.err;
            const std::string expected = (de == 1 ? Bom : "") + InCharset(PageUtf8, de);
            EXPECT_EQ(job.Pages(), (std::map<std::string, std::string>{{"00001.html", expected}}))
                << "template " << te << ", pages " << de;
        }
    }
    // A UTF-8 template saved with a byte-order mark: the mark is not page text.
    Job job(Book);
    job.SetTemplate(Bom + TemplateUtf8);
    ASSERT_EQ(job.Run(1, 1).status, 0);
    EXPECT_EQ(job.Pages().at("00001.html"), Bom + PageUtf8);
}

TEST(CommandLine, GrammarOfTheOptions)
{
    Job job(Book);
    job.SetTemplate(InCharset(TemplateUtf8, 0));
    const std::string t = "-t=" + job.Template().string();
    const std::string d = "-d=" + job.Output().string();
    const std::string x = "-x=" + job.Workbook().string();
    const std::string sjisPage = InCharset(PageUtf8, 0);

    // Unknown and miscased options are ignored; the last of a repeated option wins;
    // encoding numbers outside 0..2 or unreadable become 0 (Shift_JIS).
    RunResult r = RunTabloom({"stray.tbm", "-A", "-a1", "-X=nothing", "-x=/no/such.xlsx", x, t, d,
                              "-te=9", "-de=x", "-a"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ProgressLines(1));
    EXPECT_EQ(job.Pages().at("00001.html"), sjisPage);

    r = RunTabloom({"-a", t, x, d, "-te=-1", "-de=$2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(job.Pages().at("00001(2).html"), InCharset(PageUtf8, 2));

    // --help prints the options and runs nothing.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, {"-a", "--help", t, x, d}}) {
        r = RunTabloom(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("-te=N"), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "");
    }
    // Without -a the window would open; without a display it cannot (status 2).
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"-A", t, x, d}}) {
        r = RunTabloom(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
    }
    EXPECT_EQ(job.Pages().size(), 2u);

    r = RunTabloom({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("tabloom ", 0), 0u) << r.out;
}

TEST(CommandLine, HelpAndVersionFollowTheLocaleAndListTheSameOptions)
{
    struct Case {
        const char* lcAll;
        const char* usage;
        const char* licence;
    };
    const Case cases[] = {{"ja_JP.UTF-8", "使い方: tabloom", "ライセンス: "}, {"C", "Usage: tabloom", "License: "}};
    const std::vector<std::string> options = {"\n  -a ", "\n  -t=", "\n  -x=", "\n  -d=", "\n  -te=", "\n  -de=",
                                              "\n  --check ", "\n  --page=", "\n  --help ", "\n  --version "};
    const char* saved = std::getenv("LC_ALL");
    const std::string kept = saved ? saved : "";
    for (const Case& c : cases) {
        setenv("LC_ALL", c.lcAll, 1);
        const RunResult help = RunTabloom({"--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(c.usage, 0), 0u) << help.out;
        for (const std::string& option : options)
            EXPECT_NE(help.out.find(option), std::string::npos) << c.lcAll << ": " << option;
        for (const char* status : {"\n  0 ", "\n  1 ", "\n  2 ", "\n  128+N "})
            EXPECT_NE(help.out.find(status), std::string::npos) << c.lcAll << ": exit status " << status;
        const RunResult version = RunTabloom({"--version"});
        EXPECT_EQ(version.status, 0);
        EXPECT_NE(version.out.find("\nCopyright (C) "), std::string::npos) << version.out;
        EXPECT_NE(version.out.find(std::string("\n") + c.licence), std::string::npos) << version.out;
    }
    if (saved)
        setenv("LC_ALL", kept.c_str(), 1);
    else
        unsetenv("LC_ALL");
}

TEST(SharedWorkbooks, FilesSavedBySpreadsheetPrograms)
{
    const auto dir = testsupport::SharedDir() / "workbooks" / "public";
    if (!std::filesystem::exists(dir))
        GTEST_SKIP() << "shared workbooks not present";
    struct Case {
        const char* workbook;
        const char* templateText;
        std::map<std::string, std::string> pages;
    };
    const Case cases[] = {
        {"any_sheets.xlsx",
         "<!--- excel quit=A1 type=list ---><!--- loop_start --->[<!--- cell name=A1 --->-<!--- cell name=B1 --->]"
         "<!--- loop_end --->",
         {{"00001.html", "[1-2][3-4][5-6]"}}},
        {"any_sheets.ods",
         "<!--- excel quit=A1 type=list ---><!--- loop_start --->[<!--- cell name=A1 --->-<!--- cell name=B1 --->]"
         "<!--- loop_end --->",
         {{"00001.html", "[1-2][3-4][5-6]"}}},
        {"date.xlsx", "<!--- excel quit=B1 type=card ---><!--- cell name=A1 --->|<!--- cell name=B1 --->",
         {{"00001.html", "2021-01-01|15"}, {"00002.html", "2021-01-02|16"}, {"00003.html", "255:10:10|17"}}},
        {"inventory-table.xlsx",
         "<!--- excel quit=A2 type=card filename=B2 ---><!--- cell name=C2 ---> <!--- cell name=B1 fixed=true --->",
         {{"Apple.html", "50 Type"}, {"Banana.html", "200 Type"}, {"Orange.html", "60 Type"},
          {"Pear.html", "100 Type"}}},
    };
    for (const Case& c : cases) {
        testsupport::TempDir tmp;
        testsupport::WriteFile(tmp / "t.html", c.templateText);
        const RunResult r = RunTabloom({"-a", "-t=" + (tmp / "t.html").string(),
                                        "-x=" + (dir / c.workbook).string(), "-d=" + (tmp / "out").string(),
                                        "-te=1", "-de=1"});
        EXPECT_EQ(r.status, 0) << c.workbook << r.err;
        std::map<std::string, std::string> expected;
        for (const auto& [name, text] : c.pages)
            expected[name] = Bom + text;
        EXPECT_EQ(ReadFolder(tmp / "out"), expected) << c.workbook;
    }
}

} // namespace

namespace {

TEST(Example, CardAndListPagesFromTheExampleWorkbook)
{
    const auto examples = testsupport::SourceDir() / "examples";
    testsupport::TempDir tmp;
    for (const char* layout : {"card", "list"}) {
        const RunResult r = RunTabloom({"-a", "-t=" + (examples / (std::string(layout) + ".html")).string(),
                                        "-te=1", "-x=" + (examples / "events.xlsx").string(),
                                        "-d=" + (tmp / layout).string(), "-de=1"});
        ASSERT_EQ(r.status, 0) << layout << r.err;
    }
    const auto cards = ReadFolder(tmp / "card");
    const auto lists = ReadFolder(tmp / "list");
    EXPECT_EQ(cards.size(), 7u);
    ASSERT_EQ(lists.size(), 3u);
    EXPECT_EQ(cards.at("E003.html"),
              Bom + "<!DOCTYPE html>\n\n<html lang=\"ja\">\n<head>\n<meta charset=\"UTF-8\">\n"
                    "<title>子どものための吹奏楽 | みなと町 春のイベント案内 2025</title>\n</head>\n<body>\n"
                    "<!-- One page per event; the file is named after its number (A column). -->\n"
                    "<article>\n  <h1>子どものための吹奏楽</h1>\n  <p class=\"category\">音楽</p>\n  <dl>\n"
                    "    <dt>日時</dt><dd>2025年5月3日(土) 11:00</dd>\n"
                    "    <dt>会場</dt><dd>みなと市民ホール 小ホール</dd>\n"
                    "    <dt>料金</dt><dd>無料</dd>\n  </dl>\n  <p>親子でどうぞ。</p>\n"
                    "  <p><a href=\"https://maps.example.jp/?q=%E3%81%BF%E3%81%AA%E3%81%A8%E5%B8%82%E6%B0%91"
                    "%E3%83%9B%E3%83%BC%E3%83%AB%20%E5%B0%8F%E3%83%9B%E3%83%BC%E3%83%AB\">地図を見る</a></p>\n"
                    "</article>\n<footer>お問い合わせ: みなと町観光協会 (03-0000-0000)\n</footer>\n</body>\n</html>\n");
    const std::string food = lists.at("食.html");
    EXPECT_NE(food.find("<tr><td>E006</td><td>朝市と和菓子づくり</td><td>2025年5月17日(土) 9:00</td>"
                        "<td>¥1,800</td><td>雨天決行。<br />「練り切り」を2個作ります。</td></tr>\n"
                        "<tr><td>E007</td>"),
              std::string::npos)
        << food;
}

} // namespace
