#include "readers/ods/TOdsContent.h"

#include <algorithm>
#include <charconv>

#include "readers/TWorkbookFile.h"
#include "readers/ods/TOdsNames.h"
#include "readers/ods/TOdsValue.h"
#include "text/TConvert.h"
#include "workbook/TGrid.h"
#include "workbook/TWorkbookError.h"

namespace Excel {

namespace {

constexpr std::uint64_t MaxRow = MaxRows;
constexpr std::uint64_t MaxColumn = MaxColumns;
// Spaces that <text:s text:c="n"/> may add to one file in all.
constexpr std::uint64_t MaxExpandedSpaces = 16u << 20;

// A repeat or space count; anything unreadable counts once. Counts past the
// grid all mean the same, so they are capped.
std::uint64_t ReadCount(std::optional<std::string_view> text)
{
    if (!text)
        return 1;
    std::uint64_t value = 0;
    const std::string_view s = *text;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec == std::errc::result_out_of_range)
        return 1ull << 32;
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || value == 0)
        return 1;
    return std::min<std::uint64_t>(value, 1ull << 32);
}

std::optional<std::string_view> Optional(const char* value)
{
    if (!value)
        return std::nullopt;
    return std::string_view(value);
}

std::string_view OrEmpty(const char* value)
{
    return value ? std::string_view(value) : std::string_view();
}

} // namespace

TOdsContentHandler::TOdsContentHandler(TWorkbookData& book, const std::filesystem::path& file)
    : book_(book), file_(file), strings_(book.Strings())
{
}

void TOdsContentHandler::StartElement(const TXmlName& name, const TXmlAttributes& attributes)
{
    ++depth_;
    if (skipFrom_)
        return;
    if (name.Is(Ods::OfficeNs, "spreadsheet")) {
        inSpreadsheet_ = sawSpreadsheet_ = true;
        return;
    }
    if (!inSpreadsheet_)
        return;
    if (name.Is(Ods::TableNs, "table")) {
        if (sheetDepth_) {
            skipFrom_ = depth_;  // a table inside a sheet is no sheet of its own
            return;
        }
        const char* sheetName = attributes.Find(Ods::TableNs, "name");
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
    if (name.Is(Ods::TableNs, "table-row") && !rowDepth_) {
        rowDepth_ = depth_;
        StartRow(Optional(attributes.Find(Ods::TableNs, "number-rows-repeated")));
        return;
    }
    if (rowDepth_ && (name.Is(Ods::TableNs, "table-cell") || name.Is(Ods::TableNs, "covered-table-cell"))) {
        cellDepth_ = depth_;
        TOdsCellAttributes a;
        a.repeat = Optional(attributes.Find(Ods::TableNs, "number-columns-repeated"));
        a.valueType = OrEmpty(attributes.Find(Ods::OfficeNs, "value-type"));
        a.extValueType = OrEmpty(attributes.Find(Ods::CalcExtNs, "value-type"));
        a.value = OrEmpty(attributes.Find(Ods::OfficeNs, "value"));
        a.dateValue = OrEmpty(attributes.Find(Ods::OfficeNs, "date-value"));
        a.timeValue = OrEmpty(attributes.Find(Ods::OfficeNs, "time-value"));
        a.booleanValue = OrEmpty(attributes.Find(Ods::OfficeNs, "boolean-value"));
        a.stringValue = Optional(attributes.Find(Ods::OfficeNs, "string-value"));
        StartCell(name.local == "covered-table-cell", a);
        return;
    }
    if (name.Is(Ods::TableNs, "shapes") || name.uri == Ods::DrawNs || name.Is(Ods::OfficeNs, "forms"))
        skipFrom_ = depth_;
}

void TOdsContentHandler::EndElement(const TXmlName&)
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

void TOdsContentHandler::Characters(std::string_view text)
{
    if (paragraphDepth_ && !skipFrom_)
        text_.append(text);
}

void TOdsContentHandler::StartRow(std::optional<std::string_view> repeat)
{
    rowRepeat_ = ReadCount(repeat);
    column_ = 1;
    pending_.clear();
    pendingCells_ = 0;
}

void TOdsContentHandler::StartCell(bool covered, const TOdsCellAttributes& a)
{
    columnRepeat_ = ReadCount(a.repeat);
    covered_ = covered;
    const std::string_view type = a.valueType;
    std::string_view value = a.value;
    if (type == "float" || type == "percentage" || type == "currency") {
        valueType_ = TValueType::Number;
    } else if (type == "date") {
        valueType_ = TValueType::Date;
        value = a.dateValue;
    } else if (type == "time") {
        valueType_ = TValueType::Time;
        value = a.timeValue;
    } else if (type == "boolean") {
        valueType_ = TValueType::Boolean;
        value = a.booleanValue;
    } else {
        valueType_ = type == "string" ? TValueType::String : TValueType::None;
    }
    value_.assign(value);
    error_ = a.extValueType == "error";
    hasStringValue_ = a.stringValue.has_value();
    stringValue_.assign(a.stringValue.value_or(std::string_view()));
    text_.clear();
    paragraphs_ = 0;
}

void TOdsContentHandler::AddParagraph(std::string_view text)
{
    if (paragraphs_++)
        text_ += '\n';
    text_.append(text);
}

// Only the cell's own paragraphs are displayed: annotations, drawings,
// notes, hidden text and ruby readings are not.
void TOdsContentHandler::StartInCell(const TXmlName& name, const TXmlAttributes& attributes)
{
    if (!paragraphDepth_) {
        if (depth_ == cellDepth_ + 1 && name.uri == Ods::TextNs && (name.local == "p" || name.local == "h")) {
            AddParagraph({});
            paragraphDepth_ = depth_;
        } else {
            skipFrom_ = depth_;
        }
        return;
    }
    if (name.uri == Ods::DrawNs || name.Is(Ods::OfficeNs, "annotation") || name.Is(Ods::OfficeNs, "annotation-end")) {
        skipFrom_ = depth_;
    } else if (name.uri != Ods::TextNs) {
        return;
    } else if (name.local == "note" || name.local == "hidden-text" || name.local == "hidden-paragraph" ||
               name.local == "ruby-text" || name.local == "tracked-changes") {
        skipFrom_ = depth_;
    } else if (name.local == "s") {
        const std::uint64_t count = ReadCount(Optional(attributes.Find(Ods::TextNs, "c")));
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

std::uint32_t TOdsContentHandler::StyleFor(const char16_t* code, std::uint32_t& cache)
{
    if (cache == NoText)
        cache = book_.AddFormat(code);
    return cache;
}

// Equal string cells share one pooled string: lists repeat their values.
TCellData TOdsContentHandler::TextCell(std::string_view text)
{
    TCellData cell;
    cell.type = TCellType::String;
    cell.text = strings_.Add(text);
    return cell;
}

TCellData TOdsContentHandler::MakeCell()
{
    TCellData cell;
    if (covered_)
        return cell;  // hidden under a merged area, as in Excel
    const bool hasText = paragraphs_ > 0;
    const auto withShown = [&]() {
        if (hasText)
            cell.shown = book_.AddUtf8String(text_);
        return cell;
    };
    if (error_) {
        cell.type = TCellType::Error;
        cell.text = book_.AddUtf8String(hasText ? std::string_view(text_) : std::string_view("#VALUE!"));
        return cell;
    }
    switch (valueType_) {
    case TValueType::Number: {
        const auto value = ParseOdsNumber(value_);
        if (!value)
            return hasText ? TextCell(text_) : cell;
        cell.type = TCellType::Number;
        cell.number = *value;
        return withShown();
    }
    case TValueType::Date: {
        const auto date = ParseOdsDate(value_);
        if (!date)
            return hasText ? TextCell(text_) : cell;
        cell.type = TCellType::Number;
        cell.number = date->serial;
        cell.style = date->hasTime ? StyleFor(u"yyyy/mm/dd h:mm:ss", dateTimeStyle_)
                                   : StyleFor(u"yyyy/mm/dd", dateStyle_);
        return withShown();
    }
    case TValueType::Time: {
        const auto time = ParseOdsDuration(value_);
        if (!time)
            return hasText ? TextCell(text_) : cell;
        cell.type = TCellType::Number;
        cell.number = *time;
        cell.style = StyleFor(u"h:mm:ss", timeStyle_);
        return withShown();
    }
    case TValueType::Boolean: {
        const UnicodeString value = LowerCase(Utf8ToUtf16(value_));
        if (value != u"true" && value != u"false" && value != u"1" && value != u"0")
            return hasText ? TextCell(text_) : cell;
        cell.type = TCellType::Boolean;
        cell.number = (value == u"true" || value == u"1") ? 1 : 0;
        return withShown();
    }
    case TValueType::String:
        if (!hasStringValue_)
            return TextCell(text_);
        cell = TextCell(stringValue_);
        return stringValue_ == text_ ? cell : withShown();
    case TValueType::None:
        break;
    }
    // No type (or "void"): whatever text the cell shows is a string.
    return hasText && !text_.empty() ? TextCell(text_) : cell;
}

void TOdsContentHandler::FinishCell()
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

void TOdsContentHandler::FinishRow()
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

} // namespace Excel
