#include "automation/TExcel.h"

#include <new>

#include "text/TConvert.h"
#include "workbook/TCellText.h"
#include "automation/TEngine.h"
#include "workbook/TGrid.h"

namespace Excel {

namespace {


[[noreturn]] void NotOpen()
{
    throw EOleException(u"ブックが開かれていません。");
}

// Small, so that it is inlined into every cell's reading; the throw is apart.
const TWorkbookData& OpenData(const TBookRef& book)
{
    if (!book)
        NotOpen();
    return book->Data();
}

[[noreturn]] void NoSuchSheet(const UnicodeString& which)
{
    throw EOleException(u"インデックスが有効範囲にありません。" + which +
                        u" のワークシートはありません。");
}

} // namespace

TRange::TRange(TBookRef book, std::uint32_t sheet, std::uint32_t row,
               std::uint32_t column)
    : book_(std::move(book)), sheet_(sheet), row_(row), column_(column)
{
}

UnicodeString TRange::Text() const
{
    const auto& data = OpenData(book_);
    return DisplayText(data, data.sheets[sheet_].Find(row_, column_));
}

UnicodeString TRange::Value() const
{
    const auto& data = OpenData(book_);
    return ValueText(data, data.sheets[sheet_].Find(row_, column_));
}

TWorksheet::TWorksheet(TBookRef book, std::uint32_t sheet)
    : book_(std::move(book)), sheet_(sheet)
{
}

TRange TWorksheet::Cells(int column, int row) const
{
    OpenData(book_);
    if (row < 1 || static_cast<std::uint32_t>(row) > MaxRows || column < 1 || static_cast<std::uint32_t>(column) > MaxColumns)
        throw EOleException(u"アプリケーション定義またはオブジェクト定義のエラーです。セルの位置 (行 " +
                            IntToStr(row) + u", 列 " + IntToStr(column) +
                            u") がワークシートの範囲 (行 1～1048576, 列 1～16384) の外にあります。");
    return TRange(book_, sheet_, static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(column));
}

TWorksheets::TWorksheets(TBookRef book) : book_(std::move(book)) {}

TWorksheet TWorksheets::Item(int number) const
{
    const auto& data = OpenData(book_);
    if (number < 1 || static_cast<std::size_t>(number) > data.sheets.size())
        NoSuchSheet(u"番号 " + IntToStr(number));
    return TWorksheet(book_, static_cast<std::uint32_t>(number - 1));
}

TWorksheet TWorksheets::Item(const UnicodeString& name) const
{
    const auto& data = OpenData(book_);
    const auto index = data.FindSheet(name);
    if (index < 0)
        NoSuchSheet(u"名前 \"" + name + u"\"");
    return TWorksheet(book_, static_cast<std::uint32_t>(index));
}

TWorkbook::TWorkbook(std::shared_ptr<TEngine> engine, TBookRef book)
    : engine_(std::move(engine)), book_(std::move(book))
{
}

TWorksheets TWorkbook::Worksheets() const
{
    OpenData(book_);
    return TWorksheets(book_);
}

void TWorkbook::Close()
{
    OpenData(book_);
    engine_->Close(book_);
}

TWorkbooks::TWorkbooks(std::shared_ptr<TEngine> engine) : engine_(std::move(engine)) {}

TWorkbook TWorkbooks::Open(const UnicodeString& fileName) const
{
    return TWorkbook(engine_, engine_->Open(ToPath(fileName)));
}

TExcel::TExcel(std::shared_ptr<TEngine> engine) : engine_(std::move(engine)) {}

TExcel::~TExcel() = default;

std::unique_ptr<TExcel> TExcel::GetActive()
{
    return nullptr;
}

std::unique_ptr<TExcel> TExcel::CreateNew()
{
    try {
        return std::unique_ptr<TExcel>(new TExcel(std::make_shared<TEngine>()));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void TExcel::Quit()
{
    engine_->Quit();
}

TWorkbooks TExcel::Workbooks() const
{
    return TWorkbooks(engine_);
}

TWorkbook TExcel::ActiveWorkbook() const
{
    auto book = engine_->Active();
    if (!book)
        return TWorkbook();
    return TWorkbook(engine_, std::move(book));
}

} // namespace Excel
