#pragma once

#include <cstdint>
#include <memory>

#include "automation/TBookRef.h"
#include "text/Exception.h"
#include "text/UnicodeString.h"
#include "workbook/EOleException.h"

namespace Excel {

class TEngine;

// Raised by this layer itself (the application cannot be started).
class TExcelException : public Exception {
public:
    explicit TExcelException(UnicodeString message) : Exception(std::move(message)) {}
};

class TRange;
class TWorksheet;
class TWorksheets;
class TWorkbook;

// Small reference-counted handles onto the in-process engine: copying shares
// the object, destroying a handle never closes a workbook. Engine errors are
// EOleException (EVariantError for a value that cannot become text).

class TRange {
public:
    UnicodeString Text() const;   // displayed text
    UnicodeString Value() const;  // value converted to text

private:
    friend class TWorksheet;
    TRange(TBookRef book, std::uint32_t sheet, std::uint32_t row,
           std::uint32_t column);
    TBookRef book_;
    std::uint32_t sheet_;
    std::uint32_t row_;
    std::uint32_t column_;
};

class TWorksheet {
public:
    // Column first, as in "B5"; both 1-based.
    TRange Cells(int column, int row) const;

private:
    friend class TWorksheets;
    TWorksheet(TBookRef book, std::uint32_t sheet);
    TBookRef book_;
    std::uint32_t sheet_;
};

class TWorksheets {
public:
    TWorksheet Item(int number) const;  // 1 is the first sheet
    TWorksheet Item(const UnicodeString& name) const;

private:
    friend class TWorkbook;
    explicit TWorksheets(TBookRef book);
    TBookRef book_;
};

class TWorkbook {
public:
    TWorkbook() = default;  // empty
    TWorksheets Worksheets() const;
    void Close();
    bool IsNull() const { return !book_; }

private:
    friend class TWorkbooks;
    friend class TExcel;
    TWorkbook(std::shared_ptr<TEngine> engine, TBookRef book);
    std::shared_ptr<TEngine> engine_;
    TBookRef book_;
};

class TWorkbooks {
public:
    TWorkbook Open(const UnicodeString& fileName) const;

private:
    friend class TExcel;
    explicit TWorkbooks(std::shared_ptr<TEngine> engine);
    std::shared_ptr<TEngine> engine_;
};

class TExcel {
public:
    ~TExcel();
    TExcel(const TExcel&) = delete;
    TExcel& operator=(const TExcel&) = delete;

    // A running application to attach to; there is none here, so always null.
    static std::unique_ptr<TExcel> GetActive();
    // Starts the in-process engine; null if that fails.
    static std::unique_ptr<TExcel> CreateNew();

    void Quit();
    TWorkbooks Workbooks() const;
    // The workbook most recently opened; empty when none is open.
    TWorkbook ActiveWorkbook() const;

private:
    explicit TExcel(std::shared_ptr<TEngine> engine);
    std::shared_ptr<TEngine> engine_;
};

} // namespace Excel
