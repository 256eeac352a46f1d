#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>
#include <new>
#include <stdexcept>

#include "app/TExceptionMessage.h"
#include "app/THtmlMakerLogic.h"
#include "generation/EndToEnd.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::U;

namespace {

class FakeProgressView : public THtmlMakerView {
public:
    void AppendLog(const UnicodeString& text) override { log += Utf16ToUtf8(text) + "\n"; }
    void ProcessEvents() override { ++eventRounds; }
    void ShowWarning(const UnicodeString& message) override { warnings.push_back(Utf16ToUtf8(message)); }
    void ShowPageCount(long long n) override { pagesShown = n; }
    void CloseWindow() override { ++closes; }
    void ShowProgress(long long done, long long total) override
    {
        progress.emplace_back(done, total);
        if (onProgress)
            onProgress(done, total);
    }
    void BeginBusyCursor() override { ++busyDepth; }
    void EndBusyCursor() override { --busyDepth; }

    std::string log;
    std::vector<std::string> warnings;
    long long pagesShown = -1;
    int eventRounds = 0;
    int closes = 0;
    int busyDepth = 0;
    std::vector<std::pair<long long, long long>> progress;
    std::function<void(long long, long long)> onProgress;
};

const std::vector<e2e::Sheet> ThreeRecords = {
    {"Sheet1", {e2e::S("A1", "one"), e2e::S("A2", "two"), e2e::S("A3", "three")}}};

struct Outcome {
    FakeProgressView view;
    bool made = false;
    long long pages = 0;
};

Outcome RunJob(const e2e::Job& job, bool autoClose, const fs::path& output)
{
    Outcome o;
    TTabloomMaker source(FromPath(job.Template()), 1, FromPath(job.Workbook()), FromPath(output), 1);
    THtmlMakerLogic logic(o.view);
    logic.Assign(source);
    logic.SetAutoClose(autoClose);
    logic.RunIdle();
    logic.RunIdle();  // a window runs its job once
    o.made = logic.PagesMade();
    o.pages = logic.PageCount();
    return o;
}

const std::string Start = "テンプレートファイルを解析します。\nHTMLファイルを作成します。\n";
const std::string End = "HTMLファイルを作成しました。\n";

} // namespace

TEST(ProgressWindow, OutcomesWithAndWithoutAutoClose)
{
    for (const bool autoClose : {false, true}) {
        SCOPED_TRACE(autoClose);
        {
            e2e::Job job(ThreeRecords);
            job.SetTemplate("<!--- excel quit=A1 type=card --->x");
            fs::create_directories(job.Output());  // the main window's path check does this
            const Outcome o = RunJob(job, autoClose, job.Output());
            EXPECT_EQ(o.view.log, Start + End);
            EXPECT_TRUE(o.made);
            EXPECT_EQ(o.pages, 3);
            EXPECT_EQ(o.view.pagesShown, 3);
            EXPECT_EQ(o.view.closes, autoClose ? 1 : 0);
            EXPECT_TRUE(o.view.warnings.empty());
            EXPECT_EQ(o.view.busyDepth, 0);
            EXPECT_EQ(job.Pages().size(), 3u);
        }
        {
            // A template error: a box, the error lines, and the window stays.
            e2e::Job job(ThreeRecords);
            job.SetTemplate("<!--- excel quit=A1 type=bogus --->x");
            const Outcome o = RunJob(job, autoClose, job.Output());
            ASSERT_EQ(o.view.warnings.size(), 1u);
            EXPECT_EQ(o.view.log, "テンプレートファイルを解析します。\n" + o.view.warnings[0] +
                                      "\r\nエラーが発生しました。処理を中断します。\r\n\n");
            EXPECT_FALSE(o.made);
            EXPECT_EQ(o.view.closes, 0);
            EXPECT_EQ(o.view.busyDepth, 0);
        }
        {
            // A page that cannot be written: its message, the error line
            // instead of the finishing one, and the window stays open.
            e2e::Job job(ThreeRecords);
            job.SetTemplate("<!--- excel quit=A1 type=card --->x");
            const Outcome o = RunJob(job, autoClose, job.Template() / "out");
            const std::string failed = "エラーが発生しました。処理を中断します。\n";
            ASSERT_GT(o.view.log.size(), Start.size() + failed.size()) << o.view.log;
            EXPECT_EQ(o.view.log.substr(0, Start.size()), Start);
            EXPECT_EQ(o.view.log.substr(o.view.log.size() - failed.size()), failed);
            EXPECT_EQ(o.view.log.find(End), std::string::npos) << o.view.log;
            EXPECT_TRUE(o.view.warnings.empty());
            EXPECT_FALSE(o.made);
            EXPECT_EQ(o.view.closes, 0);
        }
    }
}

TEST(ProgressWindow, ProgressCountsWhatTheRunGoesThrough)
{
    struct Case {
        const char* what;
        std::vector<e2e::Sheet> sheets;
        std::string templateText;
        long long total;
    };
    const std::vector<e2e::Sheet> twoSheets = {
        {"Sheet1", {e2e::S("A1", "a"), e2e::S("A2", "b"), e2e::S("A3", "c"), e2e::S("A5", "after the gap")}},
        {"Sheet2", {e2e::S("A1", "d"), e2e::S("A2", "e")}}};
    const Case cases[] = {
        {"card: the first sheet up to the quit cell", twoSheets, "<!--- excel quit=A1 type=card sheet=1,2 --->x", 3},
        {"list: the records of every listed sheet", twoSheets,
         "<!--- excel quit=A1 type=list sheet=1,2 ---><!--- loop_start maxcount=2 --->x<!--- loop_end --->", 5},
        {"card with skip: only the records the walk visits", twoSheets,
         "<!--- excel quit=A1 skip=A2 type=card --->x", 2},
        {"no records", {{"Sheet1", {e2e::S("B1", "b")}}}, "<!--- excel quit=A1 type=card --->x", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        e2e::Job job(c.sheets);
        job.SetTemplate(c.templateText);
        fs::create_directories(job.Output());
        const Outcome o = RunJob(job, false, job.Output());
        ASSERT_TRUE(o.made) << o.view.log;
        ASSERT_GE(o.view.progress.size(), 3u);
        // Busy while the workbook is read, then the total, and all of it at the end.
        EXPECT_EQ(o.view.progress.front(), std::make_pair(0LL, 0LL));
        EXPECT_EQ(o.view.progress[1], std::make_pair(0LL, c.total));
        EXPECT_EQ(o.view.progress.back(), std::make_pair(c.total, c.total));
    }
}

TEST(ProgressWindow, StopEndsTheRunBetweenTwoPages)
{
    std::vector<e2e::Cell> cells;
    for (int row = 1; row <= 50; ++row)
        cells.push_back(e2e::S("A" + std::to_string(row), "r" + std::to_string(row)));
    for (const bool list : {false, true}) {
        SCOPED_TRACE(list ? "list" : "card");
        e2e::Job job({{"Sheet1", cells}});
        job.SetTemplate(list ? "<!--- excel quit=A1 type=list ---><!--- loop_start maxcount=1 --->"
                               "<!--- cell name=A1 ---><!--- loop_end --->"
                             : "<!--- excel quit=A1 type=card ---><!--- cell name=A1 --->");
        fs::create_directories(job.Output());
        Outcome o;
        TTabloomMaker source(FromPath(job.Template()), 1, FromPath(job.Workbook()), FromPath(job.Output()), 1);
        THtmlMakerLogic logic(o.view);
        logic.Assign(source);
        logic.SetAutoClose(true);
        // The stop comes while the run goes on, as from the window's button.
        o.view.onProgress = [&](long long done, long long total) {
            if (total > 0 && done == 0) {
                EXPECT_FALSE(logic.CloseRequested()) << "a close during the run asks first; the fake says no";
                // Past the four-a-second limit, so the report after the first page is seen.
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            }
            if (done >= 1)
                logic.Stop();
        };
        logic.RunIdle();
        EXPECT_EQ(o.view.log, Start + "中断しました。\n");
        EXPECT_FALSE(logic.PagesMade());
        EXPECT_EQ(o.view.closes, 0);
        EXPECT_EQ(o.view.busyDepth, 0);
        // Whole pages only, nothing half-written or temporary beside them.
        const auto pages = job.Pages();
        EXPECT_LE(pages.size(), 2u);
        for (const auto& [name, text] : pages) {
            EXPECT_TRUE(name.ends_with(".html")) << name;
            EXPECT_TRUE(text.starts_with(e2e::Bom + "r")) << name;
        }
        EXPECT_EQ(logic.PageCount(), static_cast<long long>(pages.size()));

        // The stop was for that run only: the next one makes every page.
        e2e::Job again({{"Sheet1", cells}});
        again.SetTemplate("<!--- excel quit=A1 type=card --->x");
        fs::create_directories(again.Output());
        const Outcome next = RunJob(again, false, again.Output());
        EXPECT_TRUE(next.made) << next.view.log;
        EXPECT_EQ(again.Pages().size(), 50u);
    }
}

TEST(ExceptionMessage, RunningOutOfMemoryIsSaidInJapanese)
{
    EXPECT_EQ(ExceptionMessage(std::bad_alloc()), u"メモリが不足しています。");
    EXPECT_EQ(ExceptionMessage(Exception(u"ブックを開けません。")), u"ブックを開けません。");
    EXPECT_EQ(ExceptionMessage(std::runtime_error("x")), u"x");
}
