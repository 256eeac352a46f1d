#include <gtest/gtest.h>

#include "generation/EndToEnd.h"

using namespace e2e;

namespace {

TEST(HostileInput, NulInANameOrTextLosesNothing)
{
    // The reader turns _x0000_ into U+0000, as spreadsheet programs write it.
    Job job({{"Sheet1", {S("A1", "shell.php_x0000_x"), S("B1", "before_x0000_after")}}});
    job.SetTemplate("<!--- excel quit=A1 type=card filename=A1 ---><!--- cell name=B1 --->");
    for (int run = 1; run <= 2; ++run)
        ASSERT_EQ(job.Run().status, 0) << run;
    const std::string page = Bom + "before\xEF\xBF\xBD" "after";
    EXPECT_EQ(job.Pages(), (std::map<std::string, std::string>{{"shell.php x.html", page},
                                                                {"shell.php x(2).html", page}}));
}

TEST(HostileInput, TemplateHoldingNulIsRefused)
{
    Job job({{"Sheet1", {S("A1", "a")}}});
    // What a UTF-16 template read as UTF-8 looks like.
    job.SetTemplate(std::string("<\0!\0-\0-\0-\0 \0e\0x\0c\0e\0l\0", 22) + "\n\n");
    const RunResult r = job.Run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("テンプレートファイルの1行目にNUL文字があります。テンプレートの文字コード（UTF-8）が正しいか"
                          "確かめてください。UTF-16のファイルはUTF-8で保存し直してください。\n", 0), 0u) << r.err;
    EXPECT_TRUE(job.Pages().empty());

    job.SetTemplate(std::string("<!--- excel quit=A1 type=card --->\nline 2\n\0", 44));
    EXPECT_NE(job.Run().err.find("3行目"), std::string::npos);
}

TEST(HostileInput, CharactersAJapanesePageLacksBecomeReferences)
{
    // Emoji, e acute, circled one and the wave dash (U+301C).
    Job job({{"Sheet1", {S("A1", "\xF0\x9F\x98\x80 \xC3\xA9 \xE2\x91\xA0 \xE3\x80\x9C")}}});
    job.SetTemplate("<!--- excel quit=A1 type=card ---><!--- cell name=A1 --->");
    ASSERT_EQ(job.Run(1, 0).status, 0);
    ASSERT_EQ(job.Run(1, 2).status, 0);
    EXPECT_EQ(job.Pages(), (std::map<std::string, std::string>{
                               {"00001.html", "&#128512; &#233; \x87\x40 \x81\x60"},               // Shift_JIS
                               {"00001(2).html", "&#128512; \x8F\xAB\xB1 &#9312; \xA1\xC1"},  // EUC-JP
                           }));
}

// "_xD800_" escapes give unpaired surrogates: U+FFFD in every charset (a
// reference where the charset lacks it), and a page name that is valid text.
TEST(HostileInput, UnpairedSurrogatesAreReplacementCharactersEverywhere)
{
    Job job({{"Sheet1", {S("A1", "n_xDC80__xD800_"), S("B1", "a_xD800_b_xDFFF_")}}});
    job.SetTemplate("<!--- excel quit=A1 type=card filename=A1 ---><!--- cell name=B1 --->");
    const std::string name = "n\xEF\xBF\xBD\xEF\xBF\xBD";
    const struct {
        int charset;
        std::string page;
    } cases[] = {
        {0, "a&#65533;b&#65533;"},                           // Shift_JIS
        {1, Bom + "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},           // UTF-8
        {2, "a&#65533;b&#65533;"},                           // EUC-JP
    };
    for (const auto& c : cases) {
        ASSERT_EQ(job.Run(1, c.charset).status, 0) << c.charset;
        const auto pages = job.Pages();
        ASSERT_EQ(pages.size(), 1u) << c.charset;
        EXPECT_EQ(pages.begin()->first, name + ".html") << c.charset;
        EXPECT_EQ(pages.begin()->second, c.page) << c.charset;
        std::filesystem::remove_all(job.Output());
        std::filesystem::create_directory(job.Output());
    }
}

TEST(HostileInput, EscapedCellTextStaysInsideSingleQuotes)
{
    Job job({{"Sheet1", {S("A1", "x' onmouseover='alert(1)")}}});
    job.SetTemplate("<!--- excel quit=A1 type=card ---><a title='<!--- cell name=A1 escape=html --->'>");
    ASSERT_EQ(job.Run().status, 0);
    EXPECT_EQ(job.Pages().at("00001.html"), Bom + "<a title='x&#39; onmouseover=&#39;alert(1)'>");
}

TEST(HostileInput, DataDownToTheLastRow)
{
    const std::vector<Sheet> book = {{"Sheet1", {S("A1048575", "x"), S("A1048576", "y"), S("B1048575", "k"),
                                                 S("B1048576", "k")}}};
    const struct {
        std::string templateText;
        std::vector<std::string> pages;
    } cases[] = {
        {"<!--- excel quit=A1048575 type=card ---><!--- cell name=A1048575 --->", {"x", "y"}},
        // The second record's skip cell lies below the grid: it reads as empty.
        {"<!--- excel quit=A1048575 type=card skip=A1048576 ---><!--- cell name=A1048575 --->", {"x"}},
        {"<!--- excel quit=A1048575 type=list ---><!--- loop_start break=B1048575 --->"
         "<!--- cell name=A1048575 ---><!--- loop_end --->", {"xy"}},
        {"<!--- excel quit=A1048575 type=list ---><!--- loop_start break=B1048576 --->"
         "<!--- cell name=A1048575 ---><!--- loop_end --->", {"x", "y"}},
    };
    for (const auto& c : cases) {
        Job job(book);
        job.SetTemplate(c.templateText);
        const RunResult r = job.Run();
        EXPECT_EQ(r.status, 0) << c.templateText << r.err;
        EXPECT_EQ(job.Pages(), Numbered(c.pages)) << c.templateText;
    }
}

TEST(HostileInput, EmptyWorkbookFileIsRefused)
{
    Job job({{"Sheet1", {S("A1", "a")}}});
    job.SetTemplate("<!--- excel quit=A1 type=card --->x");
    testsupport::WriteFile(job.Workbook(), "");
    const RunResult r = job.Run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "テンプレートファイルを解析します。\n");
    EXPECT_EQ(r.err, "Excelファイル \"" + job.Workbook().string() + "\" は空のファイル (0 バイト) です。\n" +
                         "エラーが発生しました。処理を中断します。\n");
    EXPECT_TRUE(job.Pages().empty());
}

} // namespace
