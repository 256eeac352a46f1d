#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "automation/TBookRef.h"
#include "workbook/TWorkbookData.h"

namespace Excel {

class TEngine;

// One workbook held by the engine. Handles share it; closing frees the data
// and leaves the handles pointing at a closed book that refuses every call.
class TOpenBook {
public:
    TOpenBook(std::filesystem::path path, std::unique_ptr<TWorkbookData> data);

    const std::filesystem::path& Path() const { return path_; }
    bool IsOpen() const { return data_ != nullptr; }
    // Raises EOleException once the book is closed.
    const TWorkbookData& Data() const
    {
        if (!data_)
            Closed();
        return *data_;
    }
    void Free() { data_.reset(); }

private:
    friend class TBookRef;
    [[noreturn]] void Closed() const;

    std::filesystem::path path_;
    std::unique_ptr<TWorkbookData> data_;
    std::size_t references_ = 0;
};

// The in-process spreadsheet application: the set of open workbooks and the
// active one.
class TEngine {
public:
    // Reads the file (by its content) and makes it the active workbook.
    TBookRef Open(const std::filesystem::path& path);
    // The most recently opened workbook that is still open, or nullptr.
    TBookRef Active() const;
    void Close(const TBookRef& book);
    // Frees every workbook; the engine refuses further work.
    void Quit();
    bool Running() const { return running_; }
    std::size_t OpenCount() const { return books_.size(); }

private:
    void CheckRunning() const;

    std::vector<TBookRef> books_;  // in opening order
    bool running_ = true;
};

} // namespace Excel
