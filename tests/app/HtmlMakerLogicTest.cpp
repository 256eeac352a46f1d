#include <gtest/gtest.h>

#include <filesystem>
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
    void BeginBusyCursor() override { ++busyDepth; }
    void EndBusyCursor() override { --busyDepth; }

    std::string log;
    std::vector<std::string> warnings;
    long long pagesShown = -1;
    int eventRounds = 0;
    int closes = 0;
    int busyDepth = 0;
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
            // A page that cannot be written: its message, the last line, and
            // the window closes as after success.
            e2e::Job job(ThreeRecords);
            job.SetTemplate("<!--- excel quit=A1 type=card --->x");
            const Outcome o = RunJob(job, autoClose, job.Template() / "out");
            ASSERT_GT(o.view.log.size(), Start.size() + End.size()) << o.view.log;
            EXPECT_EQ(o.view.log.substr(0, Start.size()), Start);
            EXPECT_EQ(o.view.log.substr(o.view.log.size() - End.size()), End);
            EXPECT_TRUE(o.view.warnings.empty());
            EXPECT_FALSE(o.made);
            EXPECT_EQ(o.view.closes, autoClose ? 1 : 0);
        }
    }
}

TEST(ExceptionMessage, RunningOutOfMemoryIsSaidInJapanese)
{
    EXPECT_EQ(ExceptionMessage(std::bad_alloc()), u"メモリが不足しています。");
    EXPECT_EQ(ExceptionMessage(Exception(u"ブックを開けません。")), u"ブックを開けません。");
    EXPECT_EQ(ExceptionMessage(std::runtime_error("x")), u"x");
}
