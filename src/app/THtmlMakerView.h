#pragma once

// The platform operations the progress window's logic (THtmlMakerLogic)
// needs. TFormHtmlMaker implements them with Qt; the tests with a fake. The
// window may run the logic on a thread of its own: then every operation but
// ConfirmStop (asked by CloseRequested) is called on that thread.

#include "app/TCursorHourGlass.h"
#include "text/UnicodeString.h"

class THtmlMakerView : public TBusyCursor {
public:
    // Appends the text to the log; its line breaks start further lines.
    virtual void AppendLog(const UnicodeString& text) = 0;
    // Lets the window handle pending events so it repaints during the run.
    virtual void ProcessEvents() = 0;
    virtual void ShowWarning(const UnicodeString& message) = 0;
    virtual void ShowPageCount(long long pages) = 0;
    virtual void CloseWindow() = 0;
    // Records gone through of `total`; a total of 0 shows a busy bar (while
    // the workbook is read, or when the records could not be counted).
    virtual void ShowProgress(long long /*done*/, long long /*total*/) {}
    // Asked on the window's thread when it is to close during a run: true
    // stops the run.
    virtual bool ConfirmStop() { return false; }
};
