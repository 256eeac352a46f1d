#pragma once

// The progress window without its toolkit: it owns one generation job, runs
// it once (load, then make the pages), writes the progress lines through
// TLogger, follows the progress, can stop the run between two pages, shows a
// load failure and closes itself after a run when asked to. The view is
// borrowed for the logic's whole life.

#include <atomic>
#include <chrono>

#include "app/THtmlMakerView.h"
#include "generation/TTabloomMaker.h"

class THtmlMakerLogic {
public:
    explicit THtmlMakerLogic(THtmlMakerView& view);

    // Copies the inputs of a job whose paths have passed the check.
    void Assign(const TTabloomMaker& job) { job_.Assign(job); }
    void SetAutoClose(bool autoClose) { autoClose_ = autoClose; }

    // The run, at the window's first idle moment; later calls do nothing.
    void RunIdle();

    void AddLog(const UnicodeString& text);
    // Takes the count of pages written so far; the view hears of it at most
    // four times a second, as each repaint may wait on a slow display.
    void PagesWritten(long long count);

    // Records gone through of `total`, shown at most four times a second.
    void Progress(long long done, long long total);

    // Ends the run between two pages, as a stop signal does; from any thread.
    void Stop();
    // A close asked for: true when the window may close, at once or, when
    // the user chose to stop the run, once it has ended.
    bool CloseRequested();

    bool Running() const { return running_; }
    // True once a run has loaded its inputs and written every page.
    bool PagesMade() const { return pagesMade_; }
    long long PageCount() const { return pages_; }

private:
    THtmlMakerView& view_;
    TTabloomMaker job_{u"", 0, u"", u"", 0};
    bool autoClose_ = false;
    bool started_ = false;
    std::atomic<bool> running_ = false;
    bool pagesMade_ = false;
    long long pages_ = 0;
    long long progressDone_ = 0;
    long long progressTotal_ = 0;
    std::chrono::steady_clock::time_point lastShown_{};
    std::chrono::steady_clock::time_point lastProgress_{};
};

// The job's status sink: every message goes to the progress window's log.
class TLogger : public TTabloomMakerStatus {
public:
    explicit TLogger(THtmlMakerLogic* form) : form_(form) {}
    void Log(const UnicodeString& text) override { form_->AddLog(text); }
    void PagesWritten(long long count) override { form_->PagesWritten(count); }
    bool FollowsProgress() const override { return true; }
    void Progress(long long done, long long total) override { form_->Progress(done, total); }

private:
    THtmlMakerLogic* form_;
};
