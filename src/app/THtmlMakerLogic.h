#pragma once

// The progress window without its toolkit: it owns one generation job, runs
// it once (load, then make the pages), writes the progress lines through
// TLogger, shows a load failure and closes itself after a run when asked to.
// The view is borrowed for the logic's whole life.

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
    // Counts a written page; the view hears of it at most ten times a second.
    void PageSaved();

    bool Running() const { return running_; }
    // True once a run has loaded its inputs and written every page.
    bool PagesMade() const { return pagesMade_; }
    long long PageCount() const { return pages_; }

private:
    THtmlMakerView& view_;
    TTabloomMaker job_{u"", 0, u"", u"", 0};
    bool autoClose_ = false;
    bool started_ = false;
    bool running_ = false;
    bool pagesMade_ = false;
    long long pages_ = 0;
    std::chrono::steady_clock::time_point lastShown_{};
};

// The job's status sink: every message goes to the progress window's log.
class TLogger : public TTabloomMakerStatus {
public:
    explicit TLogger(THtmlMakerLogic* form) : form_(form) {}
    void Log(const UnicodeString& text) override { form_->AddLog(text); }
    void PageSaved() override { form_->PageSaved(); }

private:
    THtmlMakerLogic* form_;
};
