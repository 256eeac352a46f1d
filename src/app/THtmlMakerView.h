#pragma once

// The platform operations the progress window's logic (THtmlMakerLogic)
// needs. TFormHtmlMaker implements them with Qt; the tests with a fake.

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
};
