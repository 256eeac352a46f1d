#pragma once

#include <filesystem>
#include <memory>
#include <vector>

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
    const TWorkbookData& Data() const;
    void Free() { data_.reset(); }

private:
    std::filesystem::path path_;
    std::unique_ptr<TWorkbookData> data_;
};

// The in-process spreadsheet application: the set of open workbooks and the
// active one.
class TEngine {
public:
    // Reads the file (by its content) and makes it the active workbook.
    std::shared_ptr<TOpenBook> Open(const std::filesystem::path& path);
    // The most recently opened workbook that is still open, or nullptr.
    std::shared_ptr<TOpenBook> Active() const;
    void Close(const std::shared_ptr<TOpenBook>& book);
    // Frees every workbook; the engine refuses further work.
    void Quit();
    bool Running() const { return running_; }
    std::size_t OpenCount() const { return books_.size(); }

private:
    void CheckRunning() const;

    std::vector<std::shared_ptr<TOpenBook>> books_;  // in opening order
    bool running_ = true;
};

} // namespace Excel
