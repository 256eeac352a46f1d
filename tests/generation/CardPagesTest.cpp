#include <gtest/gtest.h>

#include "generation/EndToEnd.h"

using namespace e2e;

namespace {

const std::vector<Sheet> Shops = {
    {"店舗",
     {S("A1", "店名"), S("B1", "価格"), S("C1", "メモ"),
      S("A2", "さくら堂"), N("B2", 1200, "#,##0"), S("C2", "a<b\r\n\"c\""),
      S("A3", "R&B カフェ"), N("B3", 450), S("C3", "一行目\n二行目"),
      S("A4", "月見庵"), N("B4", 38000, "#,##0\"円\""), S("C4", "")}},
};

TEST(CardPages, OnePagePerRecordAndNumberedNames)
{
    Job job(Shops);
    job.SetTemplate("<!--- excel quit=A2 type=card --->"
                    "<h1><!--- cell name=A2 escape=html ---></h1>"
                    "<p><!--- cell name=B2 ---></p>"
                    "<p><!--- cell name=C2 escape=html multiline=br ---></p>\n");
    const RunResult r = job.Run();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ProgressLines(3));
    EXPECT_EQ(r.err, "");
    const std::map<std::string, std::string> expected = {
        {"00001.html", Bom + "<h1>さくら堂</h1><p>1,200</p><p>a&lt;b<br />&quot;c&quot;</p>\n"},
        {"00002.html", Bom + "<h1>R&amp;B カフェ</h1><p>450</p><p>一行目<br />二行目</p>\n"},
        {"00003.html", Bom + "<h1>月見庵</h1><p>38,000円</p><p></p>\n"},
    };
    EXPECT_EQ(job.Pages(), expected);

    // A second run never overwrites: it adds "(2)" pages with the same text.
    ASSERT_EQ(job.Run().status, 0);
    const auto pages = job.Pages();
    ASSERT_EQ(pages.size(), 6u);
    for (const auto& [name, text] : expected)
        EXPECT_EQ(pages.at(name.substr(0, 5) + "(2).html"), text) << name;
}

TEST(CardPages, LineSkipAndFixedCells)
{
    // Records of three rows: name in A, price in A+1, a skip mark in B.
    Job job({{"Sheet1",
              {S("D1", "見出し"),
               S("A2", "one"), S("A3", "100"),
               S("A5", "two"), S("A6", "200"),               // no mark: skipped
               S("A8", "three"), S("A9", "300"), S("B8", "x"),
               S("A11", "four"), S("A12", "400"),            // skipped
               S("A14", "five"), S("A15", "500"), S("B14", "x")}}});
    job.SetTemplate("<!--- excel quit=A2 type=card line=3 skip=B2 --->"
                    "<!--- cell name=A2 --->=<!--- cell name=A3 --->|<!--- cell name=D1 fixed=true --->"
                    "|<!--- cell name=A2 fixed=TRUE --->;");
    const RunResult r = job.Run();
    ASSERT_EQ(r.status, 0) << r.err;
    const std::map<std::string, std::string> expected = {
        {"00001.html", Bom + "one=100|見出し|one;"},   // record 0 is used despite its empty mark
        {"00002.html", Bom + "three=300|見出し|one;"},
        {"00003.html", Bom + "five=500|見出し|one;"},
    };
    EXPECT_EQ(job.Pages(), expected);
}

TEST(CardPages, SheetChoiceOfExcelAndCellTags)
{
    const std::vector<Sheet> book = {
        {"一", {S("A1", "s1-r1"), S("A2", "s1-r2"), S("B1", "b1")}},
        {"二", {S("A1", "s2-r1"), S("B1", "two-b1"), S("B2", "two-b2")}},
        {"Data sheet", {S("A1", "s3-r1"), S("A2", "s3-r2"), S("A3", "s3-r3"), S("B1", "named")}},
    };
    struct Case {
        const char* excelTag;
        const char* cellTags;
        std::vector<std::string> pages;
    };
    const Case cases[] = {
        // The card layout walks only the first listed sheet.
        {"sheet=\"3,1,3\"", "<!--- cell name=A1 --->", {"s1-r1", "s1-r2"}},
        {"sheet=3", "<!--- cell name=A1 --->", {"s3-r1", "s3-r2", "s3-r3"}},
        {"sheetname='Data sheet' sheet=2", "<!--- cell name=A1 --->", {"s3-r1", "s3-r2", "s3-r3"}},
        {"sheetname='' sheet=2", "<!--- cell name=A1 --->", {"s2-r1"}},
        // Cell tags on other sheets move with the record, fixed or by name.
        {"", "<!--- cell name=A1 ---><!--- cell name=B1 sheet=2 ---><!--- cell name=B1 sheetname='Data sheet' fixed=true --->",
         {"s1-r1two-b1named", "s1-r2two-b2named"}},
        {"sheet=3", "<!--- cell name=B1 sheetname=一 sheet=-5 --->", {"b1", "", ""}},
    };
    for (const Case& c : cases) {
        Job job(book);
        job.SetTemplate(std::string("<!--- excel quit=A1 type=card ") + c.excelTag + " --->" + c.cellTags);
        const RunResult r = job.Run();
        ASSERT_EQ(r.status, 0) << c.excelTag << r.err;
        // An empty page leaves no file.
        EXPECT_EQ(job.Pages(), Numbered(c.pages)) << c.excelTag << " " << c.cellTags;
    }
}

TEST(CardPages, FileNameCellsAreMadeValid)
{
    std::vector<Cell> cells;
    const char* names[] = {"a/b:c", "con", "Con.html", "LPT1.txt", "x\\y*?\"<>|",
                           "tab\there\nx", "Vol.2", "console", "a/b:c", ""};
    for (int row = 1; row <= 10; ++row) {
        cells.push_back(S("A" + std::to_string(row), names[row - 1]));
        cells.push_back(S("B" + std::to_string(row), "1"));  // the quit column
    }
    Job job({{"Sheet1", cells}});
    job.SetTemplate("<!--- excel quit=B1 type=card filename=A1 --->page");
    const RunResult r = job.Run();
    ASSERT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> expected;
    for (const char* name : {"a／b：c.html", "ｃｏｎ.html", "Ｃｏｎ.html.html", "ＬＰＴ１.txt.html",
                             "x￥y＊？”＜＞｜.html", "tab here x.html", "Vol.2.html", "console.html",
                             "a／b：c(2).html", ".html"})
        expected[name] = Bom + "page";
    EXPECT_EQ(job.Pages(), expected);
}

TEST(CardPages, ValueAndUrlEscapes)
{
    Job job({{"Sheet1",
              {S("A1", "東京 & Co/?"), N("B1", 1234.5, "#,##0"), N("C1", 45296, "yyyy/m/d"),
               N("D1", 0.1 + 0.2)}}});
    job.SetTemplate("<!--- excel quit=A1 type=card --->"
                    "<!--- cell name=A1 escape=url --->|<!--- cell name=B1 --->|<!--- cell name=B1 type=value --->"
                    "|<!--- cell name=C1 ---> <!--- cell name=C1 type=' VALUE ' --->|<!--- cell name=D1 type=value --->");
    const RunResult r = job.Run();
    ASSERT_EQ(r.status, 0) << r.err;
    const std::map<std::string, std::string> expected = {
        {"00001.html", Bom + "%E6%9D%B1%E4%BA%AC%20%26%20Co%2F%3F|1,235|1234.5|2024/1/5 2024/01/05|0.3"},
    };
    EXPECT_EQ(job.Pages(), expected);
}

} // namespace
