#pragma once

#include <atomic>
#include <memory>

#include "generation/TPreviewPage.h"
#include "text/UnicodeString.h"
#include "automation/TExcel.h"

class TExcelNode;
class TPageSink;
class TPageWriter;
class TTemplateParser;

// Where a job reports the failure that stopped its generation.
class TTabloomMakerStatus {
public:
    virtual ~TTabloomMakerStatus() = default;
    virtual void Log(const UnicodeString& text) = 0;
    // Called on the job's own thread after each page is handed over for
    // writing, with the count written so far, so a window can show progress.
    virtual void PagesWritten(long long /*count*/) {}
    // Asked once before the first page: true has the job count what it will
    // go through (card: the records up to the quit cell, one page each;
    // list: the records of every listed sheet) and report Progress.
    virtual bool FollowsProgress() const { return false; }
    // Called on the job's thread after each page: records gone through of
    // `total` (0 when they could not be counted).
    virtual void Progress(long long /*done*/, long long /*total*/) {}
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
    // The template and workbook checks of CheckPaths alone, for runs that
    // write nothing.
    void CheckInputs() const;
    // Copies the five inputs and the workbook reference, not parser or logger.
    void Assign(const TTabloomMaker& other);
    void SetLogger(TTabloomMakerStatus* status);
    void SetLogger(std::unique_ptr<TTabloomMakerStatus> status);
    // Opens the workbook, then reads, decodes, parses and validates the template.
    void Load();
    // Writes every page; a failure is logged and gives false. Always finishes.
    // A stop signal unwinds it with TStopped, after finishing.
    bool Run();
    // Loads as Load does and renders, in memory, page `number` (from 1) of
    // the walk Run makes: the record's page in a card layout, the nth run in a
    // list. Writes nothing; always finishes like Run; raises on failure.
    TPreviewPage Preview(long long number);
    // Load, then the walk of Run with every page that would be written
    // handed to `sink` instead; nothing is written. Raises the first failure;
    // the workbook is closed in any case.
    void Inspect(TPageSink& sink);
    // The parsed template once Load has read it, else null.
    const TTemplateParser* Parser() const { return parser_.get(); }
    // Pages written by Run so far.
    long long PageCount() const { return pageCount_; }

    // Charset index (0 Shift_JIS, 1 UTF-8, 2 EUC-JP) to code page; 0 otherwise.
    static unsigned CodePageOf(int index);

private:
    void MakePages();
    void Finish() noexcept;
    void StartProgress(TExcelNode& excel);
    void ReportProgress(const TExcelNode& excel);

    UnicodeString templatePath_;
    int templateEncoding_;
    UnicodeString workbookPath_;
    UnicodeString outputFolder_;
    int outputEncoding_;
    std::unique_ptr<TTemplateParser> parser_;
    Excel::TWorkbook workbook_;
    std::unique_ptr<TTabloomMakerStatus> logger_;
    std::atomic<long long> pageCount_ = 0;
    bool followed_ = false;
    long long progressTotal_ = 0;
    long long progressStart_ = 0;
};
