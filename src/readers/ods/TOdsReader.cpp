#include "readers/ods/TOdsReader.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "text/TConvert.h"
#include "readers/ods/TOdsValue.h"
#include "workbook/TWorkbookError.h"
#include "readers/TWorkbookFile.h"
#include "workbook/TGrid.h"
#include "readers/TXmlReader.h"
#include "readers/TZipArchive.h"

namespace Excel {

namespace {

constexpr std::string_view OfficeNs = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view TableNs = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view TextNs = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view DrawNs = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
constexpr std::string_view CalcExtNs = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";
constexpr std::string_view ManifestNs = "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0";

constexpr std::uint64_t MaxRow = MaxRows;
constexpr std::uint64_t MaxColumn = MaxColumns;
// Spaces that <text:s text:c="n"/> may add to one file in all.
constexpr std::uint64_t MaxExpandedSpaces = 16u << 20;

// A repeat or space count; anything unreadable counts once. Counts past the
// grid all mean the same, so they are capped.
std::uint64_t ReadCount(const char* text)
{
    if (!text)
        return 1;
    std::uint64_t value = 0;
    const std::string_view s(text);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec == std::errc::result_out_of_range)
        return 1ull << 32;
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || value == 0)
        return 1;
    return std::min<std::uint64_t>(value, 1ull << 32);
}

std::string Attribute(const TXmlAttributes& attributes, std::string_view uri, std::string_view local)
{
    const char* value = attributes.Find(uri, local);
    return value ? std::string(value) : std::string();
}

// What a cell start tag says about its value; attributes live only during the callback.
struct TCellStart {
    bool covered = false;
    std::string valueType;     // office:value-type
    std::string extValueType;  // calcext:value-type ("error" marks an error value)
    std::string value;         // office:value, date-value, time-value or boolean-value
    bool hasStringValue = false;
    std::string stringValue;
};

class TContentHandler : public TXmlHandler {
public:
    TContentHandler(TWorkbookData& book, const std::filesystem::path& file) : book_(book), file_(file) {}

    bool SawSpreadsheet() const { return sawSpreadsheet_; }

    void StartElement(const TXmlName& name, const TXmlAttributes& attributes) override
    {
        ++depth_;
        if (skipFrom_)
            return;
        if (name.Is(OfficeNs, "spreadsheet")) {
            inSpreadsheet_ = sawSpreadsheet_ = true;
            return;
        }
        if (!inSpreadsheet_)
            return;
        if (name.Is(TableNs, "table")) {
            if (sheetDepth_) {
                skipFrom_ = depth_;  // a table inside a sheet is no sheet of its own
                return;
            }
            const char* sheetName = attributes.Find(TableNs, "name");
            book_.sheets.emplace_back(Utf8ToUtf16(sheetName ? sheetName : ""));
            sheetDepth_ = depth_;
            row_ = 1;
            return;
        }
        if (!sheetDepth_)
            return;
        if (cellDepth_) {
            StartInCell(name, attributes);
            return;
        }
        if (name.Is(TableNs, "table-row") && !rowDepth_) {
            rowDepth_ = depth_;
            rowRepeat_ = ReadCount(attributes.Find(TableNs, "number-rows-repeated"));
            column_ = 1;
            pending_.clear();
            pendingCells_ = 0;
            return;
        }
        if (rowDepth_ && (name.Is(TableNs, "table-cell") || name.Is(TableNs, "covered-table-cell"))) {
            StartCell(name, attributes);
            return;
        }
        if (name.Is(TableNs, "shapes") || name.uri == DrawNs || name.Is(OfficeNs, "forms"))
            skipFrom_ = depth_;
    }

    void EndElement(const TXmlName&) override
    {
        if (skipFrom_) {
            if (depth_ == skipFrom_)
                skipFrom_ = 0;
        } else if (depth_ == paragraphDepth_) {
            paragraphDepth_ = 0;
        } else if (depth_ == cellDepth_) {
            FinishCell();
            cellDepth_ = 0;
        } else if (depth_ == rowDepth_) {
            FinishRow();
            rowDepth_ = 0;
        } else if (depth_ == sheetDepth_) {
            book_.sheets.back().Seal();
            sheetDepth_ = 0;
        }
        --depth_;
    }

    void Characters(std::string_view text) override
    {
        if (paragraphDepth_ && !skipFrom_)
            text_.append(text);
    }

private:
    void StartCell(const TXmlName& name, const TXmlAttributes& attributes)
    {
        cellDepth_ = depth_;
        columnRepeat_ = ReadCount(attributes.Find(TableNs, "number-columns-repeated"));
        cell_ = TCellStart{};
        cell_.covered = name.local == "covered-table-cell";
        cell_.valueType = Attribute(attributes, OfficeNs, "value-type");
        cell_.extValueType = Attribute(attributes, CalcExtNs, "value-type");
        const char* valueAttribute = cell_.valueType == "date"      ? "date-value"
                                     : cell_.valueType == "time"    ? "time-value"
                                     : cell_.valueType == "boolean" ? "boolean-value"
                                                                    : "value";
        cell_.value = Attribute(attributes, OfficeNs, valueAttribute);
        if (const char* s = attributes.Find(OfficeNs, "string-value")) {
            cell_.hasStringValue = true;
            cell_.stringValue = s;
        }
        text_.clear();
        paragraphs_ = 0;
    }

    // Only the cell's own paragraphs are displayed: annotations, drawings,
    // notes, hidden text and ruby readings are not.
    void StartInCell(const TXmlName& name, const TXmlAttributes& attributes)
    {
        if (!paragraphDepth_) {
            if (depth_ == cellDepth_ + 1 && name.uri == TextNs && (name.local == "p" || name.local == "h")) {
                if (paragraphs_++)
                    text_ += '\n';
                paragraphDepth_ = depth_;
            } else {
                skipFrom_ = depth_;
            }
            return;
        }
        if (name.uri == DrawNs || name.Is(OfficeNs, "annotation") || name.Is(OfficeNs, "annotation-end")) {
            skipFrom_ = depth_;
        } else if (name.uri != TextNs) {
            return;
        } else if (name.local == "note" || name.local == "hidden-text" || name.local == "hidden-paragraph" ||
                   name.local == "ruby-text" || name.local == "tracked-changes") {
            skipFrom_ = depth_;
        } else if (name.local == "s") {
            const std::uint64_t count = ReadCount(attributes.Find(TextNs, "c"));
            spaces_ += count;
            if (spaces_ > MaxExpandedSpaces)
                throw OpenError(file_, u"セルの文字列が長すぎます。");
            text_.append(static_cast<std::size_t>(count), ' ');
        } else if (name.local == "tab") {
            text_ += '\t';
        } else if (name.local == "line-break") {
            text_ += '\n';
        }
    }

    // Equal string cells share one pooled string: lists repeat their values.
    std::uint32_t SharedString(const std::string& utf8)
    {
        const auto [it, added] = strings_.try_emplace(utf8, 0);
        if (added)
            it->second = book_.AddString(Utf8ToUtf16(utf8));
        return it->second;
    }

    std::uint32_t StyleFor(const char16_t* code, std::uint32_t& cache)
    {
        if (cache == NoText)
            cache = book_.AddFormat(code);
        return cache;
    }

    TCellData MakeCell()
    {
        TCellData cell;
        if (cell_.covered)
            return cell;  // hidden under a merged area, as in Excel
        const bool hasText = paragraphs_ > 0;
        const auto& type = cell_.valueType;
        auto asText = [&](const std::string& text) {
            cell.type = TCellType::String;
            cell.text = SharedString(text);
            return cell;
        };
        auto withShown = [&]() {
            if (hasText)
                cell.shown = book_.AddString(Utf8ToUtf16(text_));
            return cell;
        };
        if (cell_.extValueType == "error") {
            cell.type = TCellType::Error;
            cell.text = book_.AddString(hasText ? Utf8ToUtf16(text_) : u"#VALUE!");
            return cell;
        }
        if (type == "float" || type == "percentage" || type == "currency") {
            const auto value = ParseOdsNumber(cell_.value);
            if (!value)
                return hasText ? asText(text_) : cell;
            cell.type = TCellType::Number;
            cell.number = *value;
            return withShown();
        }
        if (type == "date") {
            const auto date = ParseOdsDate(cell_.value);
            if (!date)
                return hasText ? asText(text_) : cell;
            cell.type = TCellType::Number;
            cell.number = date->serial;
            cell.style = date->hasTime ? StyleFor(u"yyyy/mm/dd h:mm:ss", dateTimeStyle_)
                                       : StyleFor(u"yyyy/mm/dd", dateStyle_);
            return withShown();
        }
        if (type == "time") {
            const auto time = ParseOdsDuration(cell_.value);
            if (!time)
                return hasText ? asText(text_) : cell;
            cell.type = TCellType::Number;
            cell.number = *time;
            cell.style = StyleFor(u"h:mm:ss", timeStyle_);
            return withShown();
        }
        if (type == "boolean") {
            const UnicodeString value = LowerCase(Utf8ToUtf16(cell_.value));
            if (value != u"true" && value != u"false" && value != u"1" && value != u"0")
                return hasText ? asText(text_) : cell;
            cell.type = TCellType::Boolean;
            cell.number = (value == u"true" || value == u"1") ? 1 : 0;
            return withShown();
        }
        if (type == "string") {
            if (!cell_.hasStringValue)
                return asText(text_);
            asText(cell_.stringValue);
            return cell_.stringValue == text_ ? cell : withShown();
        }
        // No type (or "void"): whatever text the cell shows is a string.
        return hasText && !text_.empty() ? asText(text_) : cell;
    }

    void FinishCell()
    {
        const TCellData cell = MakeCell();
        const bool stored = cell.type != TCellType::Empty || cell.shown != NoText;
        if (stored && column_ <= MaxColumn) {
            const std::uint64_t last = std::min(MaxColumn, column_ + columnRepeat_ - 1);
            pending_.push_back({static_cast<std::uint32_t>(column_), static_cast<std::uint32_t>(last), cell});
            pendingCells_ += last - column_ + 1;
        }
        column_ += columnRepeat_;
    }

    void FinishRow()
    {
        const std::uint64_t rows = row_ <= MaxRow ? std::min(rowRepeat_, MaxRow - row_ + 1) : 0;
        if (!pending_.empty() && rows) {
            // Repeats are kept as blocks, but the cells they stand for still
            // count: what reads the sheet may visit every one of them.
            stored_ += pendingCells_ * rows;
            if (stored_ > MaxStoredCells)
                throw OpenError(file_, TooManyCellsReason());
            auto& sheet = book_.sheets.back();
            const auto first = static_cast<std::uint32_t>(row_);
            const auto last = static_cast<std::uint32_t>(row_ + rows - 1);
            for (const auto& p : pending_) {
                if (first == last && p.firstColumn == p.lastColumn)
                    sheet.Set(first, p.firstColumn, p.cell);
                else
                    sheet.SetBlock(first, last, p.firstColumn, p.lastColumn, p.cell);
            }
        }
        row_ += rowRepeat_;
    }

    struct TPending {
        std::uint32_t firstColumn;
        std::uint32_t lastColumn;
        TCellData cell;
    };

    TWorkbookData& book_;
    const std::filesystem::path& file_;
    bool sawSpreadsheet_ = false;
    bool inSpreadsheet_ = false;
    std::size_t depth_ = 0;
    std::size_t skipFrom_ = 0;  // depth of the element whose content is ignored
    std::size_t sheetDepth_ = 0;
    std::size_t rowDepth_ = 0;
    std::size_t cellDepth_ = 0;
    std::size_t paragraphDepth_ = 0;
    std::uint64_t row_ = 1;
    std::uint64_t rowRepeat_ = 1;
    std::uint64_t column_ = 1;
    std::uint64_t columnRepeat_ = 1;
    std::uint64_t stored_ = 0;
    std::uint64_t spaces_ = 0;
    TCellStart cell_;
    std::string text_;  // the displayed text, UTF-8
    int paragraphs_ = 0;
    std::vector<TPending> pending_;
    std::uint64_t pendingCells_ = 0;  // cells the pending entries cover
    std::unordered_map<std::string, std::uint32_t> strings_;
    std::uint32_t dateStyle_ = NoText;
    std::uint32_t dateTimeStyle_ = NoText;
    std::uint32_t timeStyle_ = NoText;
};

// Notes whether the manifest marks content.xml as encrypted.
class TManifestHandler : public TXmlHandler {
public:
    bool ContentEncrypted() const { return encrypted_; }

    void StartElement(const TXmlName& name, const TXmlAttributes& attributes) override
    {
        if (name.Is(ManifestNs, "file-entry")) {
            const char* path = attributes.Find(ManifestNs, "full-path");
            inContent_ = path && (std::string_view(path) == "content.xml" || std::string_view(path) == "/content.xml");
        } else if (name.Is(ManifestNs, "encryption-data") && inContent_) {
            encrypted_ = true;
        }
    }
    void EndElement(const TXmlName& name) override
    {
        if (name.Is(ManifestNs, "file-entry"))
            inContent_ = false;
    }

private:
    bool inContent_ = false;
    bool encrypted_ = false;
};

void CheckPackage(const TZipArchive& zip, const std::filesystem::path& file)
{
    if (zip.Contains("mimetype")) {
        const UnicodeString type = Trim(Utf8ToUtf16(zip.Read("mimetype")));
        if (type != u"application/vnd.oasis.opendocument.spreadsheet" &&
            type != u"application/vnd.oasis.opendocument.spreadsheet-template")
            throw OpenError(file, u"OpenDocument スプレッドシートではありません。");
    }
    if (zip.Contains("META-INF/manifest.xml")) {
        TManifestHandler manifest;
        ParseXmlEntry(zip, "META-INF/manifest.xml", manifest);
        if (manifest.ContentEncrypted())
            throw OpenError(file, u"パスワードで保護されたブックは開けません。");
    }
    if (!zip.Contains("content.xml"))
        throw OpenError(file, u"content.xml がありません。");
}

} // namespace

std::unique_ptr<TWorkbookData> ReadOdsWorkbook(const std::filesystem::path& file)
{
    CheckRegularFile(file);
    TZipArchive zip(file);
    CheckPackage(zip, file);
    auto book = std::make_unique<TWorkbookData>();
    TContentHandler content(*book, file);
    ParseXmlEntry(zip, "content.xml", content);
    if (!content.SawSpreadsheet())
        throw OpenError(file, u"OpenDocument スプレッドシートではありません。");
    if (book->sheets.empty())
        throw OpenError(file, u"シートがありません。");
    return book;
}

} // namespace Excel
