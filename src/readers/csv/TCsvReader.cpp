#include "readers/csv/TCsvReader.h"

#include <string_view>

#include "text/TStringUtility.h"
#include "workbook/TWorkbookError.h"
#include "readers/TWorkbookFile.h"
#include "workbook/TGrid.h"

namespace Excel {

namespace {

// Excel cuts a sheet name taken from a file name to 31 characters.
constexpr std::size_t MaxSheetName = 31;

UnicodeString DecodeCsv(const std::string& bytes)
{
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    std::string_view view(bytes);
    if (view.starts_with(bom))
        return Utf8ToUtf16(view.substr(bom.size()));
    if (IsValidUtf8(view))
        return Utf8ToUtf16(view);
    return TStringUtility::DecodeString(RawByteString{bytes, 932}, 932);
}

UnicodeString SheetNameOf(const std::filesystem::path& file)
{
    UnicodeString name = FromPath(file.stem());
    if (name.size() > MaxSheetName) {
        std::size_t cut = MaxSheetName;
        // Never split a surrogate pair.
        if (name[cut - 1] >= 0xD800 && name[cut - 1] <= 0xDBFF)
            --cut;
        name.resize(cut);
    }
    return name;
}

class TCsvParser {
public:
    TCsvParser(std::u16string_view text, TWorkbookData& book, TSheetData& sheet,
               const std::filesystem::path& file)
        : text_(text), book_(book), sheet_(sheet), file_(file)
    {
    }

    void Run()
    {
        std::uint32_t row = 1;
        std::uint32_t column = 1;
        const std::size_t n = text_.size();
        while (pos_ < n) {
            ReadField();
            Store(row, column);
            if (pos_ >= n)
                break;
            if (text_[pos_] == u',') {
                ++pos_;
                ++column;
                continue;
            }
            // A record ends at CRLF, LF or a lone CR.
            pos_ += (text_[pos_] == u'\r' && pos_ + 1 < n && text_[pos_ + 1] == u'\n') ? 2 : 1;
            column = 1;
            if (++row > MaxRows)
                break;  // Excel drops what lies past the last row
        }
    }

private:
    static bool EndsField(char16_t c) { return c == u',' || c == u'\r' || c == u'\n'; }

    void ReadField()
    {
        field_.clear();
        const std::size_t n = text_.size();
        if (text_[pos_] == u'"') {
            ++pos_;
            // Up to the closing quote; "" stands for one quote, and an
            // unterminated field runs to the end of the text.
            while (pos_ < n) {
                const std::size_t quote = text_.find(u'"', pos_);
                if (quote == std::u16string_view::npos) {
                    field_.append(text_.substr(pos_));
                    pos_ = n;
                    break;
                }
                field_.append(text_.substr(pos_, quote - pos_));
                pos_ = quote + 1;
                if (pos_ < n && text_[pos_] == u'"') {
                    field_ += u'"';
                    ++pos_;
                    continue;
                }
                break;
            }
        }
        // Unquoted text, or stray text after a closing quote, is kept as written.
        const std::size_t start = pos_;
        while (pos_ < n && !EndsField(text_[pos_]))
            ++pos_;
        field_.append(text_.substr(start, pos_ - start));
    }

    void Store(std::uint32_t row, std::uint32_t column)
    {
        if (field_.empty() || column > MaxColumns)
            return;
        if (++cells_ > MaxStoredCells)
            throw OpenError(file_, TooManyCellsReason());
        TCellData cell;
        cell.type = TCellType::String;
        cell.text = book_.AddString(field_);
        sheet_.Set(row, column, cell);
    }

    std::u16string_view text_;
    TWorkbookData& book_;
    TSheetData& sheet_;
    const std::filesystem::path& file_;
    std::size_t pos_ = 0;
    std::size_t cells_ = 0;
    UnicodeString field_;
};

} // namespace

std::unique_ptr<TWorkbookData> ReadCsvWorkbook(const std::filesystem::path& file)
{
    const UnicodeString text = DecodeCsv(ReadWorkbookBytes(file, CsvMaxFileBytes));
    auto book = std::make_unique<TWorkbookData>();
    book->sheets.emplace_back(SheetNameOf(file));
    TCsvParser(text, *book, book->sheets.back(), file).Run();
    book->sheets.back().Seal();
    return book;
}

} // namespace Excel
