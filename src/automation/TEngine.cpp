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

TOpenBook::~TOpenBook() = default;

void TOpenBook::Free()
{
    data_.reset();
}

void TOpenBook::Closed() const
{
    throw EOleException(u"ブック \"" + FromPath(path_.filename()) + u"\" は既に閉じられています。");
}

TBookRef TBookRef::Adopt(TOpenBook* book)
{
    return TBookRef(book);
}

void TEngine::CheckRunning() const
{
    if (!running_)
        throw EOleException(u"Excel は既に終了しています。");
}

TBookRef TEngine::Open(const std::filesystem::path& path)
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
    auto data = OpenWorkbookFile(path);
    auto book = TBookRef::Adopt(new TOpenBook(full, std::move(data)));
    books_.push_back(book);
    return book;
}

TBookRef TEngine::Active() const
{
    CheckRunning();
    return books_.empty() ? TBookRef() : books_.back();
}

void TEngine::Close(const TBookRef& book)
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
