#include "app/THtmlMakerLogic.h"

#include <memory>

#include "app/TExceptionMessage.h"
#include "text/TStopSignal.h"

namespace {

constexpr auto ShowInterval = std::chrono::milliseconds(250);
const UnicodeString FailedLine = u"エラーが発生しました。処理を中断します。";

} // namespace

THtmlMakerLogic::THtmlMakerLogic(THtmlMakerView& view) : view_(view)
{
}

void THtmlMakerLogic::AddLog(const UnicodeString& text)
{
    view_.AppendLog(text);
    view_.ProcessEvents();
}

void THtmlMakerLogic::PagesWritten(long long count)
{
    pages_ = count;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastShown_ < ShowInterval)
        return;
    lastShown_ = now;
    view_.ShowPageCount(pages_);
    view_.ProcessEvents();
}

void THtmlMakerLogic::Progress(long long done, long long total)
{
    progressDone_ = done;
    progressTotal_ = total;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress_ < ShowInterval)
        return;
    lastProgress_ = now;
    view_.ShowProgress(done, total);
}

void THtmlMakerLogic::Stop()
{
    // The same flag a stop signal raises, so the run ends the same way.
    TStopSignal::RequestStop();
}

bool THtmlMakerLogic::CloseRequested()
{
    if (!running_)
        return true;
    if (!view_.ConfirmStop())
        return false;
    Stop();
    return true;
}

void THtmlMakerLogic::RunIdle()
{
    if (started_)
        return;
    started_ = true;
    running_ = true;
    TStopSignal::ClearRequest();  // a stop meant for an earlier run
    TCursorHourGlass busy(view_);
    view_.ShowProgress(0, 0);
    bool close = false;
    try {
        job_.SetLogger(std::make_unique<TLogger>(this));
        AddLog(u"テンプレートファイルを解析します。");
        job_.Load();
        AddLog(u"HTMLファイルを作成します。");
        pagesMade_ = job_.Run();
        pages_ = job_.PageCount();
        view_.ShowPageCount(pages_);
        view_.ShowProgress(progressDone_, progressTotal_);
        if (pagesMade_) {
            AddLog(u"HTMLファイルを作成しました。");
            close = autoClose_;
        } else {
            // The job has logged its failure; the window stays so it is read.
            AddLog(FailedLine);
        }
    } catch (const TStopped&) {
        // Stopped by a signal (the program is ending: no box to wait on) or
        // by the user, who knows.
        pages_ = job_.PageCount();
        view_.ShowPageCount(pages_);
        AddLog(u"中断しました。");
    } catch (const std::exception& e) {
        const UnicodeString message = ExceptionMessage(e);
        view_.ShowWarning(message);
        AddLog(message + u"\r\n" + FailedLine + u"\r\n");
    }
    TStopSignal::ClearRequest();
    running_ = false;
    if (close)
        view_.CloseWindow();
}
