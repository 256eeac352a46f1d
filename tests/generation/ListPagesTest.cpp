#include <gtest/gtest.h>

#include "generation/EndToEnd.h"

using namespace e2e;

namespace {

// Records 1..n in column A (quit), a group label in column B.
Sheet Records(const std::string& name, const std::string& prefix, const std::vector<std::string>& groups)
{
    Sheet sheet{name, {}};
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const std::string row = std::to_string(i + 1);
        sheet.cells.push_back(S("A" + row, prefix + std::to_string(i + 1)));
        sheet.cells.push_back(S("B" + row, groups[i]));
    }
    return sheet;
}

TEST(ListPages, LoopStopsOnDataMaxcountAndBreak)
{
    const std::vector<std::string> xxy = {"X", "X", "Y", "Y", "Y"};
    const std::vector<std::string> xxxy = {"X", "X", "X", "Y"};
    const std::vector<std::string> blanks = {"", "", "Z", "", ""};
    struct Case {
        const char* loopAttributes;
        std::vector<std::string> groups;
        std::vector<std::string> pages;
    };
    const Case cases[] = {
        {"", xxy, {"<ul>r1r2r3r4r5</ul>"}},
        {"maxcount=2", xxy, {"<ul>r1r2</ul>", "<ul>r3r4</ul>", "<ul>r5</ul>"}},
        {"maxcount=1", {"X", "X"}, {"<ul>r1</ul>", "<ul>r2</ul>"}},
        {"break=B1", xxy, {"<ul>r1r2</ul>", "<ul>r3r4r5</ul>"}},
        {"break=B1 maxcount=2", xxxy, {"<ul>r1r2</ul>", "<ul>r3</ul>", "<ul>r4</ul>"}},
        {"break=b1", blanks, {"<ul>r1r2</ul>", "<ul>r3</ul>", "<ul>r4r5</ul>"}},
    };
    for (const Case& c : cases) {
        Job job({Records("Sheet1", "r", c.groups)});
        job.SetTemplate(std::string("<!--- excel quit=A1 type=list ---><ul><!--- loop_start ") +
                        c.loopAttributes + " ---><!--- cell name=A1 ---><!--- loop_end ---></ul>");
        const RunResult r = job.Run();
        ASSERT_EQ(r.status, 0) << c.loopAttributes << r.err;
        EXPECT_EQ(job.Pages(), Numbered(c.pages)) << c.loopAttributes;
    }
}

TEST(ListPages, EveryListedSheetStartsNewPages)
{
    const std::vector<Sheet> book = {Records("a", "a", {"1", "1", "1"}), Records("b", "b", {"1"}),
                                     Records("c", "c", {"1", "1"})};
    struct Case {
        const char* excelAttributes;
        std::vector<std::string> pages;
    };
    const Case cases[] = {
        {"sheet=3,1,3", {"[a1a2a3]", "[c1c2]"}},
        {"sheet='2 1'", {"[a1a2a3]", "[b1]"}},
        {"sheetname=c sheet=1", {"[c1c2]"}},
        {"sheet=1,2,3 maxcount=2", {"[a1a2a3]", "[b1]", "[c1c2]"}},  // maxcount is a loop attribute
    };
    for (const Case& c : cases) {
        Job job(book);
        job.SetTemplate(std::string("<!--- excel quit=A1 type=list ") + c.excelAttributes +
                        " --->[<!--- loop_start ---><!--- cell name=A1 ---><!--- loop_end --->]");
        const RunResult r = job.Run();
        ASSERT_EQ(r.status, 0) << c.excelAttributes << r.err;
        EXPECT_EQ(job.Pages(), Numbered(c.pages)) << c.excelAttributes;
    }

    // maxcount with two sheets: page names come from the first record of each page.
    Job job(book);
    job.SetTemplate("<!--- excel quit=A1 type=list sheet=1,3 filename=A1 --->"
                    "<!--- loop_start maxcount=2 ---><!--- cell name=A1 ---><!--- loop_end --->");
    ASSERT_EQ(job.Run().status, 0);
    const std::map<std::string, std::string> expected = {
        {"a1.html", Bom + "a1a2"}, {"a3.html", Bom + "a3"}, {"c1.html", Bom + "c1c2"}};
    EXPECT_EQ(job.Pages(), expected);
}

TEST(ListPages, LineAndSkipInsideTheLoop)
{
    // Two rows per record; records without a mark in C are passed over, except the first.
    Job job({{"Sheet1",
              {S("A2", "one"), S("B3", "1"),
               S("A4", "two"), S("B5", "2"),
               S("A6", "three"), S("B7", "3"), S("C6", "x"),
               S("A8", "four"), S("B9", "4"), S("C8", "x")}}});
    job.SetTemplate("<!--- excel quit=A2 type=list line=2 skip=C2 --->"
                    "<!--- loop_start maxcount=2 --->(<!--- cell name=A2 ---> <!--- cell name=B3 --->)<!--- loop_end --->\n");
    ASSERT_EQ(job.Run().status, 0);
    EXPECT_EQ(job.Pages(), Numbered({"(one 1)(three 3)\n", "(four 4)\n"}));
}

TEST(ListPages, MissingSheetLeavesEarlierPagesAndFails)
{
    Job job({Records("only", "r", {"X", "Y"})});
    job.SetTemplate("<!--- excel quit=A1 type=list sheet=1,4 ---><!--- loop_start break=B1 --->"
                    "<!--- cell name=A1 ---><!--- loop_end --->");
    const RunResult r = job.Run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, FailedRunLines);
    EXPECT_EQ(r.err.rfind("Excelのセルが見つかりません。\n", 0), 0u) << r.err;
    EXPECT_EQ(job.Pages(), Numbered({"r1", "r2"}));
}

} // namespace
