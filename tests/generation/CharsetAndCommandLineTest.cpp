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
    EXPECT_EQ(r.out, ProgressLines);
    EXPECT_EQ(job.Pages().at("00001.html"), sjisPage);

    r = RunTabloom({"-a", t, x, d, "-te=-1", "-de=$2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(job.Pages().at("00001(2).html"), InCharset(PageUtf8, 2));

    // Without -a nothing runs: the options are printed.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"--help"}, {"-A", t, x, d}, {"-a", "--help", t, x, d}}) {
        r = RunTabloom(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("-te=N"), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(job.Pages().size(), 2u);

    r = RunTabloom({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("tabloom ", 0), 0u) << r.out;
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
