#pragma once

// The shared-string table of ECMA-376-1 §18.4 (sst, si, r, rPh), read into
// the workbook's string pool on a thread of its own while the first sheet
// is read. A sheet asks for each index it meets and waits only while the
// table has not got that far.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "workbook/TWorkbookData.h"

namespace Excel {

class TZipArchive;

class TXlsxSharedStrings {
public:
    // A table that is already whole: `count` strings from pool number `base`.
    TXlsxSharedStrings(std::uint32_t base, std::uint32_t count);
    // Starts reading `part` into `book`'s string pool. Until Finish returns,
    // nothing else may touch that pool.
    TXlsxSharedStrings(const TZipArchive& archive, std::string part, TWorkbookData& book);
    ~TXlsxSharedStrings();
    TXlsxSharedStrings(const TXlsxSharedStrings&) = delete;
    TXlsxSharedStrings& operator=(const TXlsxSharedStrings&) = delete;

    // Pool number of shared string 0.
    std::uint32_t Base() const { return base_; }
    // Whether the table has string `index`; waits while it is still being
    // read and has fewer strings.
    bool Has(std::uint32_t index);
    // Waits for the reading to end and throws what it threw, every time.
    void Finish();

private:
    void Read(const TZipArchive& archive, const std::string& part, TWorkbookData& book);
    void Publish(std::uint32_t count, bool done);

    std::uint32_t base_ = 0;
    std::atomic<std::uint32_t> count_{0};
    std::atomic<bool> done_{false};
    std::atomic<bool> waiting_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::exception_ptr error_;
    std::thread thread_;
};

} // namespace Excel
