#pragma once

// A run of the job that writes nothing: it loads and walks every record and
// page as the job would, and says what in the template and the workbook
// would give a page nobody wanted. The callers (the command line, the
// window) only show the findings the check returns.

#include <vector>

#include "template/TTemplateError.h"
#include "text/UnicodeString.h"

struct TCheckFinding {
    UnicodeString message;
    TTemplateLocation location;  // not known for findings of the whole run
    bool countOnly = false;      // a count, not a problem
};

class TTemplateCheck {
public:
    // An empty output folder skips the look for names already taken there.
    TTemplateCheck(const UnicodeString& templatePath, int templateEncoding, const UnicodeString& workbookPath,
                   const UnicodeString& outputFolder, int outputEncoding);

    // Raises the job's message when the template or the workbook is missing.
    void CheckPaths() const;
    // Every finding once, in the order: character set, template error (the
    // walk stops there), empty cells, page names, characters, then counts.
    std::vector<TCheckFinding> Run() const;

    // True when anything but counts was found.
    static bool FoundProblems(const std::vector<TCheckFinding>& findings);
    // "path:line:column: message", or the message alone without a location;
    // always one line.
    static UnicodeString FormatLine(const TCheckFinding& finding, const UnicodeString& templatePath);

private:
    UnicodeString templatePath_;
    int templateEncoding_;
    UnicodeString workbookPath_;
    UnicodeString outputFolder_;
    int outputEncoding_;
};
