#include "readers/csv/TCsvReader.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "text/TConvert.h"
#include "text/TStringUtility.h"
#include "workbook/TWorkbookError.h"
#include "readers/TWorkbookFile.h"
#include "workbook/TGrid.h"

namespace Excel {

namespace {

// Excel cuts a sheet name taken from a file name to 31 characters.
constexpr std::size_t MaxSheetName = 31;

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

// Fields go into the pool as they are: UTF-8 text as its own bytes (cutting
// valid UTF-8 at ASCII delimiters leaves valid UTF-8), decoded text as UTF-16.
std::uint32_t AddField(TWorkbookData& book, std::string_view field) { return book.AddUtf8String(field); }
std::uint32_t AddField(TWorkbookData& book, std::u16string_view field) { return book.AddString(field); }

UnicodeString SheetNameOf(const std::filesystem::path& file)
{
    UnicodeString name = FromPath(file.stem());
    if (name.size() > MaxSheetName) {
        std::size_t cut = MaxSheetName;
        // Never split a surrogate pair.
        if (IsHighSurrogate(name[cut - 1]))
            --cut;
        name.resize(cut);
    }
    return name;
}

template <typename Char> class TCsvParser {
public:
    using View = std::basic_string_view<Char>;

    TCsvParser(View text, TWorkbookData& book, TSheetData& sheet,
               const std::filesystem::path& file)
        : text_(text), book_(book), sheet_(sheet), file_(file)
    {
    }

    void Run()
    {
        // Room for as many cells as there are fields, so the sheet never
        // grows by copying; pages it does not fill are never touched.
        std::size_t fields = 1;
        for (Char c : text_)
            fields += c == Char(',') || c == Char('\n');
        sheet_.Reserve(std::min(fields, MaxStoredCells));
        book_.ReserveStrings(std::min(fields, MaxStoredCells), text_.size() * sizeof(Char));
        std::uint32_t row = 1;
        std::uint32_t column = 1;
        const std::size_t n = text_.size();
        while (pos_ < n) {
            ReadField();
            Store(row, column);
            if (pos_ >= n)
                break;
            if (text_[pos_] == Char(',')) {
                ++pos_;
                ++column;
                continue;
            }
            // A record ends at CRLF, LF or a lone CR.
            pos_ += (text_[pos_] == Char('\r') && pos_ + 1 < n && text_[pos_ + 1] == Char('\n')) ? 2 : 1;
            column = 1;
            ++row;  // the file is at most 256 MiB, so this cannot wrap
        }
    }

private:
    static bool EndsField(Char c) { return c == Char(',') || c == Char('\r') || c == Char('\n'); }

    void ReadField()
    {
        field_.clear();
        const std::size_t n = text_.size();
        if (text_[pos_] == Char('"')) {
            ++pos_;
            // Up to the closing quote; "" stands for one quote, and an
            // unterminated field runs to the end of the text.
            while (pos_ < n) {
                const std::size_t quote = text_.find(Char('"'), pos_);
                if (quote == View::npos) {
                    field_.append(text_.substr(pos_));
                    pos_ = n;
                    break;
                }
                field_.append(text_.substr(pos_, quote - pos_));
                pos_ = quote + 1;
                if (pos_ < n && text_[pos_] == Char('"')) {
                    field_ += Char('"');
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
        if (field_.empty())
            return;
        // Text past the grid would be lost: refused like an .xlsx cell there.
        if (row > MaxRows)
            throw OpenError(file_, u"行 " + IntToStr(row) + u" がワークシートの範囲 (1～1048576) を超えています。");
        if (column > MaxColumns)
            throw OpenError(file_, u"行 " + IntToStr(row) + u" の列 " + IntToStr(column)
                                       + u" が列の範囲 (1～16384) を超えています。");
        if (++cells_ > MaxStoredCells)
            throw OpenError(file_, TooManyCellsReason());
        TCellData cell;
        cell.type = TCellType::String;
        cell.text = AddField(book_, View(field_));
        sheet_.Set(row, column, cell);
    }

    View text_;
    TWorkbookData& book_;
    TSheetData& sheet_;
    const std::filesystem::path& file_;
    std::size_t pos_ = 0;
    std::size_t cells_ = 0;
    std::basic_string<Char> field_;
};

} // namespace

std::unique_ptr<TWorkbookData> ReadCsvWorkbook(const std::filesystem::path& file)
{
    auto book = std::make_unique<TWorkbookData>();
    book->sheets.emplace_back(SheetNameOf(file));
    TSheetData& sheet = book->sheets.back();
    const std::string bytes = ReadWorkbookBytes(file, CsvMaxFileBytes);
    std::string_view view(bytes);
    if (view.starts_with(Utf8Bom))
        view.remove_prefix(Utf8Bom.size());
    if (view.size() < bytes.size() || IsValidUtf8(view)) {
        if (!IsValidUtf8(view))  // marked UTF-8 with bad bytes: decode them to U+FFFD
            TCsvParser<char16_t>(Utf8ToUtf16(view), *book, sheet, file).Run();
        else
            TCsvParser<char>(view, *book, sheet, file).Run();
    } else {
        TCsvParser<char16_t>(TStringUtility::DecodeString(RawByteString{bytes, 932}, 932), *book, sheet, file).Run();
    }
    book->sheets.back().Seal();
    return book;
}

} // namespace Excel
