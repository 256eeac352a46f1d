#include <gtest/gtest.h>

#include <filesystem>

#include "generation/EndToEnd.h"

using namespace e2e;

namespace {

const std::vector<Sheet> Book = {{"Sheet1",
                                  {S("A1", "a"), S("B1", "same"), S("A2", "b"), S("B2", "same"), S("C2", "x\xF0\x9F\x98\x80"),
                                   S("A3", "c"), S("B3", ""), S("A4", "d"), S("B4", "taken")}}};

// --check with the job's template, workbook and output folder.
RunResult Check(const Job& job, int templateEncoding = 1, int outputEncoding = 1)
{
    return RunTabloom({"--check", "-t=" + job.Template().string(), "-x=" + job.Workbook().string(),
                       "-d=" + job.Output().string(), "-te=" + std::to_string(templateEncoding),
                       "-de=" + std::to_string(outputEncoding)});
}

TEST(Check, CleanTemplateGivesOnlyCountsAndWritesNothing)
{
    Job job(Book);
    job.SetTemplate("<!--- excel quit=A1 type=card --->\n<p><!--- cell name=A1 ---></p>\n");
    const RunResult r = Check(job, 1, 1);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "作成されるHTMLファイル: 4件\n読み込むシート: 1\n");
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(std::filesystem::exists(job.Output())) << "the check creates no folder";
}

TEST(Check, EachFindingOnItsOwnLine)
{
    struct Case {
        const char* what;
        std::string templateText;
        int te;
        int de;
        std::string expected;  // a line of the output; "@" stands for the template's path
    };
    const std::string card = "<!--- excel quit=A1 type=card --->";
    const Case cases[] = {
        {"template error with its place", "<p>\n  <!--- excel quit=A1 type=cardx --->", 1, 1,
         "@:2:3: excelタグに間違いがあります。(type=cardx)"},
        {"UTF-8 read as Shift_JIS", card + "<p>店名</p>", 0, 1,
         "テンプレートファイルはShift_JISとして読みますが、UTF-8のファイルのようです。テンプレートの文字コードを確かめてください。"},
        {"UTF-8 with its mark read as EUC-JP", Bom + card + "x", 2, 1,
         "テンプレートファイルはEUC-JPとして読みますが、UTF-8のファイルのようです。テンプレートの文字コードを確かめてください。"},
        {"Shift_JIS read as UTF-8", Convert(card + "<p>店名</p>", "CP932"), 1, 1,
         "テンプレートファイルはUTF-8として読みますが、Shift_JISのファイルのようです。テンプレートの文字コードを確かめてください。"},
        {"a cell empty in every record", card + "\n<!--- cell name=A1 --->\n<!--- cell name=D1 --->", 1, 1,
         "@:3:1: cellタグのセルがすべてのレコードで空です。列や行の指定を確かめてください。"},
        {"empty page name", "<!--- excel quit=A1 type=card filename=B1 --->x", 1, 1,
         "ファイル名が空のページ（\".html\"という名前になります）が1件あります。最初: レコード3"},
        {"repeated page name", "<!--- excel quit=A1 type=card filename=B1 --->x", 1, 1,
         "ファイル名が前のページと同じページ（\"(n)\"の付いた名前になります）が1件あります。最初: \"same\"（レコード2）"},
        {"name taken in the folder", "<!--- excel quit=A1 type=card filename=B1 --->x", 1, 1,
         "保存場所に同じ名前のファイルがあるページ（\"(n)\"の付いた名前になります）が1件あります。最初: \"taken.html\""},
        {"a character Shift_JIS cannot hold", card + "<!--- cell name=C1 --->", 1, 0,
         "HTMLファイルの文字コード（Shift_JIS）で表せない文字（数値文字参照になります）が1個あります。最初: "
         "レコード2の「\xF0\x9F\x98\x80」(U+1F600)"},
    };
    for (const Case& c : cases) {
        Job job(Book);
        job.SetTemplate(c.templateText);
        std::filesystem::create_directories(job.Output());
        testsupport::WriteFile(job.Output() / "taken.html", "");
        const RunResult r = Check(job, c.te, c.de);
        EXPECT_EQ(r.status, 1) << c.what << "\n" << r.out << r.err;
        std::string expected = c.expected;
        if (expected.starts_with("@"))
            expected = job.Template().string() + expected.substr(1);
        EXPECT_NE(r.out.find(expected + "\n"), std::string::npos) << c.what << "\n" << r.out;
        EXPECT_EQ(job.Pages().size(), 1u) << c.what << ": only the file put there";
    }
}

TEST(Check, TemplateErrorStopsTheWalk)
{
    Job job(Book);
    job.SetTemplate("<!--- excel quit=A1 type=list --->x");
    const RunResult r = Check(job);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, job.Template().string() +
                         ":1:1: LOOPタグが見つかりません。一覧表示の時はLOOPタグは必須です。\n");
}

TEST(Check, MissingInputsAreBadArguments)
{
    Job job(Book);
    job.SetTemplate("<!--- excel quit=A1 type=card --->x");
    const std::string t = "-t=" + job.Template().string();
    const std::string x = "-x=" + job.Workbook().string();
    EXPECT_EQ(RunTabloom({"--check", t}).status, 2);
    const RunResult r = RunTabloom({"--check", t, "-x=" + (job.Root() / "none.xlsx").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Excelファイルが見つかりません。\n");
    // Without -d there is no folder to compare names with; the rest still runs.
    const RunResult noFolder = RunTabloom({"--check", t, x});
    EXPECT_EQ(noFolder.status, 0) << noFolder.out;
    EXPECT_EQ(noFolder.out, "作成されるHTMLファイル: 4件\n読み込むシート: 1\n");
}

} // namespace
