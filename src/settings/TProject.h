#pragma once

#include "text/UnicodeString.h"

// The five inputs of one generation job, stored as a project file (.tbm).
class TProject {
public:
    TProject() = default;
    TProject(UnicodeString templateFilePath, int templateFileEncoding, UnicodeString excelFilePath,
             UnicodeString htmlSavePath, int htmlEncoding);

    void Assign(const TProject& other) { *this = other; }
    // Paths compare case-sensitively.
    bool SameAs(const TProject& other) const;

    // Store n when it is 0, 1 or 2, else 0 (negatives included).
    void SetTemplateFileEncoding(int n);
    void SetHtmlEncoding(int n);

    // Keeps sections and keys of an existing file that the project does not use.
    void SaveToFile(const UnicodeString& path) const;
    // A missing file gives the empty project; numbers are stored as read. On
    // failure the fields keep their values.
    void LoadFromFile(const UnicodeString& path);

    // True when the file at `path` holds the project section; a file of
    // another kind (a template, say) does not. Raises when it cannot be read.
    static bool HoldsProject(const UnicodeString& path);

    // The command that repeats this job, every argument quoted for /bin/sh.
    UnicodeString MakeBatchCommandLine(const UnicodeString& programPath) const;

    UnicodeString TemplateFilePath;
    int TemplateFileEncoding = 0;
    UnicodeString ExcelFilePath;
    UnicodeString HtmlSavePath;
    int HtmlEncoding = 0;
};
