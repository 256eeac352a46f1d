#include "app/THtmlMakerLogic.h"

#include <memory>

#include "app/TExceptionMessage.h"
#include "text/TStopSignal.h"

namespace {

constexpr auto ShowInterval = std::chrono::milliseconds(250);

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

void THtmlMakerLogic::RunIdle()
{
    if (started_)
        return;
    started_ = true;
    running_ = true;
    TCursorHourGlass busy(view_);
    bool close = false;
    try {
        job_.SetLogger(std::make_unique<TLogger>(this));
        AddLog(u"テンプレートファイルを解析します。");
        job_.Load();
        AddLog(u"HTMLファイルを作成します。");
        pagesMade_ = job_.Run();
        pages_ = job_.PageCount();
        view_.ShowPageCount(pages_);
        AddLog(u"HTMLファイルを作成しました。");
        close = autoClose_;
    } catch (const TStopped&) {
        // The program is ending on a stop signal: no box to wait on.
        AddLog(u"中断しました。");
    } catch (const std::exception& e) {
        const UnicodeString message = ExceptionMessage(e);
        view_.ShowWarning(message);
        AddLog(message + u"\r\nエラーが発生しました。処理を中断します。\r\n");
    }
    running_ = false;
    if (close)
        view_.CloseWindow();
}
