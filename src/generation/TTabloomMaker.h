#pragma once

#include <memory>

#include "text/UnicodeString.h"
#include "automation/TExcel.h"

class TTemplateParser;

// Where a job reports the failure that stopped its generation.
class TTabloomMakerStatus {
public:
    virtual ~TTabloomMakerStatus() = default;
    virtual void Log(const UnicodeString& text) = 0;
    // Called after each page is written, so a window can show progress.
    virtual void PageSaved() {}
};

// One generation job: from template, workbook, output folder and the two
// character sets to the written pages.
class TTabloomMaker {
public:
    TTabloomMaker(const UnicodeString& templatePath, int templateEncoding,
                  const UnicodeString& workbookPath, const UnicodeString& outputFolder,
                  int outputEncoding);
    ~TTabloomMaker();
    TTabloomMaker(const TTabloomMaker&) = delete;
    TTabloomMaker& operator=(const TTabloomMaker&) = delete;

    // Raises on the first missing path; creates the output folder if needed.
    void CheckPaths() const;
    // Copies the five inputs and the workbook reference, not parser or logger.
    void Assign(const TTabloomMaker& other);
    void SetLogger(TTabloomMakerStatus* status);
    void SetLogger(std::unique_ptr<TTabloomMakerStatus> status);
    // Opens the workbook, then reads, decodes, parses and validates the template.
    void Load();
    // Writes every page; a failure is logged and gives false. Always finishes.
    bool Run();

    // Charset index (0 Shift_JIS, 1 UTF-8, 2 EUC-JP) to code page; 0 otherwise.
    static unsigned CodePageOf(int index);

private:
    void MakeCardPages();
    void MakeListPages();
    void Finish() noexcept;
    UnicodeString RenderPage() const;
    void SavePage(const UnicodeString& pageName, const UnicodeString& text) const;

    UnicodeString templatePath_;
    int templateEncoding_;
    UnicodeString workbookPath_;
    UnicodeString outputFolder_;
    int outputEncoding_;
    std::unique_ptr<TTemplateParser> parser_;
    Excel::TWorkbook workbook_;
    std::unique_ptr<TTabloomMakerStatus> logger_;
};
