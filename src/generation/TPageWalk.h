#pragma once

// The walk over a parsed template's pages in the order the job makes them.
// The job writes what it yields and the preview keeps one page of it, so a
// previewed page cannot differ from the page the job writes. The walk owns
// the page buffer; the sink owns what it takes from it.

#include "text/UnicodeString.h"

class TTemplateParser;

class TPageSink {
public:
    virtual ~TPageSink() = default;
    // Asked before each page is rendered; false ends the walk there.
    virtual bool WantsPage() { return true; }
    // A rendered page and its name before any "(n)". `text` is the walk's
    // buffer, reused for the next page: a sink may take it by swapping.
    // `record`: 1-based number, on its sheet, of the page's first record.
    virtual void Page(UnicodeString name, UnicodeString& text, int record) = 0;
    // Told once the cursor has moved past the records of the page just given.
    virtual void Advanced() {}
};

// Card layout: one page per record of the first listed sheet, named after
// rendering. List layout: one page per run of the loop over every listed
// sheet, named before rendering from the page's first record. Any other
// layout has no pages. Rendering failures and a stop signal raise.
void WalkPages(const TTemplateParser& parser, TPageSink& sink);
