#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "automation/TBookRef.h"
#include "workbook/TWorkbookData.h"

namespace Excel {

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
