#include "automation/TEngine.h"

#include <algorithm>
#include <system_error>

#include "workbook/EOleException.h"
#include "readers/TWorkbookReader.h"

namespace Excel {

TOpenBook::TOpenBook(std::filesystem::path path, std::unique_ptr<TWorkbookData> data)
    : path_(std::move(path)), data_(std::move(data))
{
}

const TWorkbookData& TOpenBook::Data() const
{
    if (!data_)
        throw EOleException(u"ブック \"" + FromPath(path_.filename()) +
                            u"\" は既に閉じられています。");
    return *data_;
}

void TEngine::CheckRunning() const
{
    if (!running_)
        throw EOleException(u"Excel は既に終了しています。");
}

std::shared_ptr<TOpenBook> TEngine::Open(const std::filesystem::path& path)
{
    CheckRunning();
    std::error_code ec;
    auto full = std::filesystem::absolute(path, ec);
    if (ec)
        full = path;
    full = full.lexically_normal();
    // Opening a workbook that is already open only activates it.
    const auto same = std::find_if(books_.begin(), books_.end(),
                                   [&](const auto& b) { return b->Path() == full; });
    if (same != books_.end()) {
        auto book = *same;
        books_.erase(same);
        books_.push_back(book);
        return book;
    }
    auto book = std::make_shared<TOpenBook>(full, OpenWorkbookFile(path));
    books_.push_back(book);
    return book;
}

std::shared_ptr<TOpenBook> TEngine::Active() const
{
    CheckRunning();
    return books_.empty() ? nullptr : books_.back();
}

void TEngine::Close(const std::shared_ptr<TOpenBook>& book)
{
    CheckRunning();
    book->Data();  // a book closed twice is an error, as in Excel
    book->Free();
    books_.erase(std::remove(books_.begin(), books_.end(), book), books_.end());
}

void TEngine::Quit()
{
    for (auto& book : books_)
        book->Free();
    books_.clear();
    running_ = false;
}

} // namespace Excel
