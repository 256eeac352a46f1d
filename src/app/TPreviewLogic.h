#pragma once

// The preview window without its toolkit: the inputs it previews, the
// position (record of a card, page of a list), the page last rendered and
// the stamps of the files it came from, so a save renders it again at the
// same position. The view is borrowed for the logic's whole life.

#include <vector>

#include "app/TPreviewView.h"
#include "generation/TPreviewPage.h"
#include "settings/TProject.h"

class TPreviewLogic {
public:
    explicit TPreviewLogic(TPreviewView& view);

    // Renders the project's page; the position is kept when the template and
    // workbook are those already shown, else it starts at 1.
    void SetProject(const TProject& project);
    // Renders page `number` (from 1); past the last one shows the last.
    void ShowNumber(long long number);
    void Next();
    void Previous();
    // A watched file changed on disk: renders again, at the same position,
    // when the template or the workbook differs from what was rendered.
    // True when it rendered.
    bool FilesChanged();
    void OpenInBrowser();

    long long Number() const { return number_; }
    const TPreviewPage& Page() const { return page_; }
    // The last render failed: the view shows its message instead of a page.
    bool Failed() const { return failed_; }

    // What tells one version of a file from the next.
    struct TStamp {
        bool exists = false;
        unsigned long long inode = 0, size = 0;
        long long modified = 0;  // nanoseconds
        bool operator==(const TStamp&) const = default;
    };

private:
    void Render();
    std::vector<TStamp> Stamps() const;

    TPreviewView& view_;
    TProject project_{u"", 0, u"", u"", 0};
    long long number_ = 1;
    TPreviewPage page_;
    bool failed_ = false;
    std::vector<TStamp> stamps_;
};
