#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>

// One workbook held by the engine, counted by TBookRef. Handles share it;
// closing frees the data and leaves the handles pointing at a closed book
// that refuses every call.

namespace Excel {

class TWorkbookData;

class TOpenBook {
public:
    TOpenBook(std::filesystem::path path, std::unique_ptr<TWorkbookData> data);
    ~TOpenBook();

    const std::filesystem::path& Path() const { return path_; }
    bool IsOpen() const { return data_ != nullptr; }
    // Raises EOleException once the book is closed.
    const TWorkbookData& Data() const
    {
        if (!data_)
            Closed();
        return *data_;
    }
    void Free();

private:
    friend class TBookRef;
    [[noreturn]] void Closed() const;

    std::filesystem::path path_;
    std::unique_ptr<TWorkbookData> data_;
    std::size_t references_ = 0;
};

} // namespace Excel
