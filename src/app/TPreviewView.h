#pragma once

// The platform operations the preview window's logic (TPreviewLogic) needs:
// showing a page or a failure, watching the input files, the browser.
// TFormPreview implements them with Qt; the tests with a fake.

#include <string>
#include <vector>

#include "app/TCursorHourGlass.h"
#include "generation/TPreviewPage.h"
#include "text/UnicodeString.h"

class TPreviewView : public TBusyCursor {
public:
    // The page in place of what was shown; the position fields follow it.
    virtual void ShowPage(const TPreviewPage& page) = 0;
    // A failure in place of the page, the position staying at `number`.
    virtual void ShowFailure(const UnicodeString& message, long long number) = 0;
    // The files whose saving renders the page again (template, workbook).
    virtual void WatchFiles(const std::vector<UnicodeString>& paths) = 0;
    // Writes `bytes` to the window's private temporary page file and opens it
    // in the desktop's browser; false when either fails.
    virtual bool OpenInBrowser(const std::string& bytes) = 0;
    virtual void ShowWarning(const UnicodeString& message) = 0;
};
