#include <gtest/gtest.h>

#include "generation/EndToEnd.h"

using namespace e2e;

namespace {

std::string InCharset(const std::string& utf8, int index)
{
    switch (index) {
    case 0: return Convert(utf8, "CP932");
    case 2: return Convert(utf8, "EUC-JP");
    default: return utf8;
    }
}

std::vector<std::string> PageArgs(const Job& job, int number, int charset)
{
    return {"--page=" + std::to_string(number), "-t=" + job.Template().string(), "-x=" + job.Workbook().string(),
            "-te=" + std::to_string(charset), "-de=" + std::to_string(charset)};
}

// Records with a character no Japanese charset but UTF-8 holds, so each page
// charset writes it differently.
const std::vector<Sheet> Book = {
    {"Sheet1", {S("A1", "r1"), S("B1", "さくら😀"), S("A2", "r2"), S("B2", "東京&港区"), S("A3", "r3"), S("B3", "①")}},
    {"Sheet2", {S("A1", "s1"), S("B1", "大阪")}},
};

TEST(PageOption, EveryPageEqualsTheFileTheJobWrites)
{
    struct Case {
        const char* layout;
        std::string templateText;
        std::vector<std::string> files;  // the job's files, page 1 first
    };
    const Case cases[] = {
        {"card named by a cell",
         "<!--- excel quit=A1 type=card filename=A1 sheet=1,2 --->\n<p><!--- cell name=B1 escape=html ---></p>\n",
         {"r1.html", "r2.html", "r3.html"}},
        {"list over two sheets",
         "<!--- excel quit=A1 type=list sheet=1,2 ---><ul><!--- loop_start maxcount=2 --->"
         "<li><!--- cell name=A1 --->:<!--- cell name=B1 ---></li><!--- loop_end ---></ul>",
         {"00001.html", "00002.html", "00003.html"}},
    };
    for (const Case& c : cases) {
        for (int charset = 0; charset <= 2; ++charset) {
            SCOPED_TRACE(std::string(c.layout) + ", charset " + std::to_string(charset));
            Job job(Book);
            job.SetTemplate(InCharset(c.templateText, charset));
            ASSERT_EQ(job.Run(charset, charset).status, 0);
            const auto pages = job.Pages();
            ASSERT_EQ(pages.size(), c.files.size());
            for (std::size_t n = 1; n <= c.files.size(); ++n) {
                const RunResult r = RunTabloom(PageArgs(job, static_cast<int>(n), charset));
                EXPECT_EQ(r.status, 0) << r.err;
                EXPECT_EQ(r.err, "");
                EXPECT_EQ(r.out, pages.at(c.files[n - 1])) << "page " << n;
            }
            // One past the last page: nothing on standard output.
            const RunResult past = RunTabloom(PageArgs(job, static_cast<int>(c.files.size()) + 1, charset));
            EXPECT_EQ(past.status, 1);
            EXPECT_EQ(past.out, "");
            EXPECT_NE(past.err.find("番目のページはありません。ページは全部で3件です。"), std::string::npos) << past.err;
            // The preview never writes into the output folder.
            EXPECT_EQ(job.Pages(), pages);
        }
    }
}

TEST(PageOption, BadNumbersAndFailures)
{
    Job job(Book);
    job.SetTemplate("<!--- excel quit=A1 type=card --->[<!--- cell name=B1 --->]");
    for (const char* number : {"0", "-1", "x", ""}) {
        RunResult r = RunTabloom({std::string("--page=") + number, "-t=" + job.Template().string(),
                                  "-x=" + job.Workbook().string()});
        EXPECT_EQ(r.status, 2) << number;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("--page="), std::string::npos) << r.err;
    }
    // --page needs no output folder and makes none, even with -d= and -a.
    const auto folder = job.Root() / "never";
    RunResult r = RunTabloom({"-a", "--page=2", "-t=" + job.Template().string(), "-x=" + job.Workbook().string(),
                              "-d=" + folder.string(), "-de=1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Bom + "[東京&港区]");
    EXPECT_FALSE(std::filesystem::exists(folder));

    job.SetTemplate("<!--- excel quit=A1 type=cardx --->");
    r = RunTabloom({"--page=1", "-t=" + job.Template().string(), "-x=" + job.Workbook().string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("excelタグに間違いがあります。(type=cardx)\n", 0), 0u) << r.err;

    r = RunTabloom({"--page=1", "-t=" + (job.Root() / "missing.html").string(), "-x=" + job.Workbook().string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "テンプレートファイルが見つかりません。\n");
}

} // namespace
