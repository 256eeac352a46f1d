#include "readers/xlsx/TXlsxSheet.h"

#include <algorithm>
#include <cstring>

#include "text/TConvert.h"
#include "workbook/TWorkbookError.h"
#include "readers/TWorkbookFile.h"
#include "readers/TXmlChars.h"
#include "readers/TXmlShortcut.h"
#include "readers/xlsx/TXlsxPackage.h"
#include "readers/xlsx/TXlsxValues.h"
#include "workbook/TGrid.h"

namespace Excel {

namespace {


// An index with blanks (spaces) around it.
bool ParseIndex(std::string_view text, std::uint32_t limit, std::uint32_t& out)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    const char* end = text.data() + text.size();
    return ReadIndex(text.data(), end, limit, out) == end;
}

UnicodeString ColumnLetters(std::uint32_t column)
{
    UnicodeString letters;
    while (column > 0) {
        const auto rem = (column - 1) % 26;
        letters.insert(letters.begin(), static_cast<char16_t>(u'A' + rem));
        column = (column - 1) / 26;
    }
    return letters;
}

UnicodeString Quote(std::string_view text)
{
    UnicodeString quoted = u"\"";
    quoted += Utf8ToUtf16(text.substr(0, 64));
    quoted += u'"';
    return quoted;
}

} // namespace

TXlsxSheetHandler::TXlsxSheetHandler(TXlsxContext& context, std::string part,
                                     TSheetData& sheet, std::uint64_t partBytes)
    : context_(context), part_(std::move(part)), sheet_(sheet), partBytes_(partBytes)
{
}

std::uint32_t TXlsxSheetHandler::AddString(std::string_view utf8)
{
    TStringPool& pool = context_.aside ? *context_.aside : context_.book->Strings();
    if (!reservedStrings_) {
        // Once the sheet turns out to hold strings, the pool grows once
        // instead of by copying; untouched room costs no memory.
        constexpr std::uint64_t MaxHintBytes = 64u << 20;
        pool.Reserve(0, static_cast<std::size_t>(std::min(partBytes_, MaxHintBytes)));
        reservedStrings_ = true;
    }
    return (context_.aside ? AsideBase : 0) + pool.AddUtf8(utf8);
}

void TXlsxSheetHandler::Fail(const UnicodeString& why) const
{
    throw OpenError(context_.file, Utf8ToUtf16(part_) + u" の " + why);
}

UnicodeString TXlsxSheetHandler::CellName() const
{
    return u"セル " + ColumnLetters(column_) + IntToStr(row_);
}

void TXlsxSheetHandler::StartElement(const TXmlName& name, const TXmlAttributes& attributes)
{
    if (!spreadsheet_.Is(name))
        return;
    const auto& local = name.local;
    if (!inSheetData_) {
        if (local == "sheetData")
            inSheetData_ = true;
        else if (local == "dimension")
            ReserveFor(attributes.Find("ref"));
        return;
    }
    if (inCell_) {
        if (local == "v" && !inInline_) {
            collecting_ = true;
            hasValue_ = true;
            value_.clear();
        } else if (local == "is") {
            inInline_ = true;
            hasInline_ = true;
            inline_.clear();
        } else if (local == "rPh") {
            ++phoneticDepth_;
        } else if (local == "t" && inInline_ && phoneticDepth_ == 0) {
            collecting_ = true;
        }
        return;
    }
    if (local == "row") {
        const char* r = attributes.Find("r");
        StartRow(r ? std::optional<std::string_view>(r) : std::nullopt);
    } else if (local == "c") {
        const auto value = [&](std::string_view attribute) -> TValue {
            const char* v = attributes.Find(attribute);
            return v ? TValue(v) : std::nullopt;
        };
        StartCell(value("r"), value("s"), value("t"));
    }
}

void TXlsxSheetHandler::StartRow(std::optional<std::string_view> r)
{
    std::uint32_t row = 0;
    if (r) {
        if (!ParseIndex(*r, MaxRows, row) || row == 0)
            Fail(u"行番号 " + Quote(*r) + u" がワークシートの範囲 (1～1048576) にありません。");
    } else {
        if (row_ >= MaxRows)
            Fail(u"行がワークシートの範囲 (1～1048576) を超えています。");
        row = row_ + 1;
    }
    row_ = row;
    column_ = 0;
}

void TXlsxSheetHandler::ReserveFor(const char* ref)
{
    // Only a hint: a false or huge range reserves a bounded amount, and
    // untouched reserved memory costs nothing until cells arrive.
    constexpr std::uint64_t MaxHint = 1u << 22;
    if (!ref)
        return;
    const std::string_view range(ref);
    const auto colon = range.find(':');
    if (colon == std::string_view::npos)
        return;
    const auto first = ParseCellReference(range.substr(0, colon));
    const auto last = ParseCellReference(range.substr(colon + 1));
    if (!first || !last || last->row < first->row || last->column < first->column)
        return;
    const std::uint64_t cells =
        std::uint64_t(last->row - first->row + 1) * (last->column - first->column + 1);
    sheet_.Reserve(static_cast<std::size_t>(std::min(cells, MaxHint)));
}

void TXlsxSheetHandler::StartCell(TValue r, TValue s, TValue t)
{
    if (r && !r->empty()) {
        const auto position = ParseCellReference(*r);
        if (!position)
            Fail(u"セル参照 " + Quote(*r) + u" が正しくないか、ワークシートの範囲外です。");
        row_ = position->row;
        column_ = position->column;
    } else {
        if (row_ == 0)
            row_ = 1;
        if (column_ >= MaxColumns)
            Fail(u"行 " + IntToStr(row_) + u" のセルが列の範囲 (1～16384) を超えています。");
        ++column_;
    }

    style_ = 0;
    if (s && !s->empty()) {
        std::uint32_t index = 0;
        // An unknown style falls back to General, as the cell's value matters more.
        if (ParseIndex(*s, UINT32_MAX - 1, index) && index < context_.cellFormats.size())
            style_ = context_.cellFormats[index];
    }

    kind_ = TKind::Number;
    if (t) {
        const std::string_view type(*t);
        if (type == "s")
            kind_ = TKind::Shared;
        else if (type == "str")
            kind_ = TKind::String;
        else if (type == "inlineStr")
            kind_ = TKind::Inline;
        else if (type == "b")
            kind_ = TKind::Boolean;
        else if (type == "e")
            kind_ = TKind::Error;
        else if (type == "d")
            kind_ = TKind::Date;
        else if (type != "n" && !type.empty())
            Fail(CellName() + u" の型 " + Quote(type) + u" は不明です。");
    }
    inCell_ = true;
    hasValue_ = hasInline_ = false;
    inInline_ = false;
    phoneticDepth_ = 0;
}

const char* TXlsxSheetHandler::Shortcut(const char* p, const char* end, const TXmlName& defaultNamespace,
                                        std::string_view& opened)
{
    if (!inSheetData_ || inCell_ || !spreadsheet_.Is(defaultNamespace))
        return p;
    // A row's start tag, left open for its cells.
    Xml::TPlainTag row;
    if (const char* next; end - p > 4 && p[1] == 'r' && (next = Xml::ReadPlainTag(p, end, row)) &&
                          Xml::SameName(row.name, "row") && !row.empty) {
        StartRow(row.Find("r"));
        opened = row.name;
        p = Xml::SkipBlanks(next, end);
    }
    // Cells one after another, and the blanks between them, which no cell
    // would collect.
    for (const char* next; end - p > 2 && p[0] == '<' && p[1] == 'c' && ((next = PlainCell(p, end)) || (next = Cell(p, end)));)
        p = Xml::SkipBlanks(next, end);
    return p;
}

namespace {

bool IsNumberByte(char c)
{
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'E' || c == 'e';
}

} // namespace

// The commonest cell, <c r="B7" s="3" t="s"><v>12</v></c> with any of its
// attributes left out, a number or a shared string, read without the
// general tag reader. nullptr, with nothing changed, for any other shape and
// for every fault, which Cell() or the tokenizer then reads and reports.
const char* TXlsxSheetHandler::PlainCell(const char* p, const char* end)
{
    std::uint32_t row = 0, column = 0, style = 0;
    bool shared = false;
    unsigned seen = 0;
    for (p += 2; end - p > 4 && *p == ' ' && p[2] == '=' && p[3] == '"';) {
        const char name = p[1];
        const unsigned bit = name == 'r' ? 1 : name == 's' ? 2 : name == 't' ? 4 : 0;
        if (!bit || (seen & bit))
            return nullptr;
        seen |= bit;
        // A value the general way would decode, or report, is left to it:
        // only plain references, digits and the two types are taken here.
        p += 4;
        if (bit == 1) {
            TCellPosition position;
            if (!(p = ReadCellReference(p, end, position)))
                return nullptr;
            row = position.row;
            column = position.column;
        } else if (bit == 2) {
            std::uint32_t index = 0;
            if (!(p = ReadIndex(p, end, UINT32_MAX - 1, index)))
                return nullptr;
            if (index < context_.cellFormats.size())
                style = context_.cellFormats[index];
        } else if (end - p > 1 && (*p == 's' || *p == 'n')) {
            shared = *p++ == 's';
        } else {
            return nullptr;
        }
        if (p == end || *p++ != '"')
            return nullptr;
    }
    constexpr std::string_view open = "><v>", close = "</v></c>";
    if (static_cast<std::size_t>(end - p) < open.size() || std::string_view(p, open.size()) != open)
        return nullptr;
    const char* value = p + open.size();
    TShortDecimal decimal;
    const char* q = decimal.Scan(value, end);
    const bool plain = q < end && *q == '<';  // nothing but a minus, digits and a point
    while (q < end && IsNumberByte(*q))
        ++q;
    if (q == value || static_cast<std::size_t>(end - q) < close.size() || std::string_view(q, close.size()) != close)
        return nullptr;
    if (!(seen & 1)) {
        if (column_ >= MaxColumns)
            return nullptr;
        row = row_ ? row_ : 1;
        column = column_ + 1;
    }

    TCellData cell;
    cell.style = style;
    const std::string_view text(value, static_cast<std::size_t>(q - value));
    if (shared) {
        // Ten digits at most, so the index cannot have wrapped.
        if (!plain || decimal.negative || decimal.fraction >= 0 || decimal.count > 10 ||
            decimal.digits > UINT32_MAX - 1 || !context_.shared->Has(static_cast<std::uint32_t>(decimal.digits)))
            return nullptr;
        cell.type = TCellType::String;
        cell.text = context_.shared->Base() + static_cast<std::uint32_t>(decimal.digits);
    } else {
        auto number = plain ? decimal.Value() : std::nullopt;
        if (!number)
            number = ParseXmlNumber(text);
        if (!number)
            return nullptr;
        cell.type = TCellType::Number;
        cell.number = *number;
    }
    if (context_.storedCells >= MaxStoredCells)
        return nullptr;
    ++context_.storedCells;
    row_ = row;
    column_ = column;
    sheet_.Set(row, column, cell);
    return q + close.size();
}

// One whole cell at p, its events replayed on the handler's state; nullptr,
// with nothing changed, when it is of another shape or not all there.
const char* TXlsxSheetHandler::Cell(const char* p, const char* end)
{
    using namespace Xml;
    TPlainTag tag;
    const char* q = ReadPlainTag(p, end, tag);
    if (!q || !SameName(tag.name, "c"))
        return nullptr;
    TValue value, inlineText;
    while (!tag.empty) {
        q = SkipBlanks(q, end);
        if (const char* close = ReadEndTag(q, end, "c")) {
            q = close;
            break;
        }
        TPlainTag child;
        const char* text = ReadPlainTag(q, end, child);
        if (!text)
            return nullptr;
        const bool isValue = SameName(child.name, "v");
        const bool isFormula = SameName(child.name, "f");
        const bool isInline = SameName(child.name, "is");
        if (isFormula && child.empty) {
            q = text;
            continue;
        }
        if (child.empty || !(isValue || isFormula || isInline))
            return nullptr;
        if (isInline) {
            // One run: <is><t>text</t></is>.
            TPlainTag run;
            text = ReadPlainTag(SkipBlanks(text, end), end, run);
            if (!text || !SameName(run.name, "t") || run.empty || inlineText)
                return nullptr;
        }
        // Each kind of text has room of its own: the last <v> must survive an <f>.
        std::string& scratch = isValue ? valueScratch_ : isInline ? inlineScratch_ : formulaScratch_;
        std::string_view content;
        const char* textEnd = ReadText(text, end, content, scratch);
        if (!textEnd || !(q = ReadEndTag(textEnd, end, isInline ? "t" : child.name)))
            return nullptr;
        if (isInline) {
            if (!(q = ReadEndTag(SkipBlanks(q, end), end, "is")))
                return nullptr;
            inlineText = content;
        } else if (isValue) {
            value = content;  // the last <v> wins, as in the events
        }
    }
    StartCell(tag.Find("r"), tag.Find("s"), tag.Find("t"));
    if (value) {
        hasValue_ = true;
        value_.assign(*value);
    }
    if (inlineText) {
        hasInline_ = true;
        inline_.assign(*inlineText);
    }
    EndCell();
    return q;
}

void TXlsxSheetHandler::EndElement(const TXmlName& name)
{
    if (!inSheetData_ || !spreadsheet_.Is(name))
        return;
    const auto& local = name.local;
    if (inCell_) {
        if (local == "v" || (local == "t" && inInline_))
            collecting_ = false;
        else if (local == "rPh")
            --phoneticDepth_;
        else if (local == "is")
            inInline_ = false;
        else if (local == "c")
            EndCell();
        return;
    }
    if (local == "sheetData")
        inSheetData_ = false;
}

void TXlsxSheetHandler::Characters(std::string_view text)
{
    if (!collecting_)
        return;
    if (inInline_)
        inline_.append(text);
    else
        value_.append(text);
}

void TXlsxSheetHandler::EndCell()
{
    inCell_ = false;
    collecting_ = false;
    TCellData cell;
    cell.style = style_;
    TWorkbookData& book = *context_.book;

    const auto addText = [&](std::string& utf8) {
        DecodeXmlEscapes(utf8);
        cell.type = TCellType::String;
        cell.text = AddString(utf8);
    };

    if (hasInline_) {
        addText(inline_);
    } else if (!hasValue_) {
        return;  // a styled cell without a value reads as empty
    } else {
        switch (kind_) {
        case TKind::Number: {
            if (value_.find_first_not_of(" \t\r\n") == std::string::npos)
                return;
            const auto number = ParseXmlNumber(value_);
            if (!number)
                Fail(CellName() + u" の数値 " + Quote(value_) + u" が正しくありません。");
            cell.number = *number;
            cell.type = TCellType::Number;
            break;
        }
        case TKind::Shared: {
            if (value_.find_first_not_of(" \t\r\n") == std::string::npos)
                return;
            std::uint32_t index = 0;
            if (!ParseIndex(value_, UINT32_MAX - 1, index) || !context_.shared->Has(index))
                Fail(CellName() + u" の共有文字列番号 " + Quote(value_) + u" が範囲外です。");
            cell.type = TCellType::String;
            cell.text = context_.shared->Base() + index;
            break;
        }
        case TKind::String:
        case TKind::Inline:
            addText(value_);
            break;
        case TKind::Boolean: {
            const auto v = value_.find_first_not_of(" \t\r\n") == std::string::npos
                               ? std::string_view()
                               : std::string_view(value_);
            if (v.empty())
                return;
            cell.type = TCellType::Boolean;
            cell.number = (v == "1" || v == "true" || v == "TRUE") ? 1 : 0;
            break;
        }
        case TKind::Error:
            cell.type = TCellType::Error;
            cell.text = AddString(value_);
            break;
        case TKind::Date:
            if (value_.empty())
                return;
        {
            const auto serial = ParseIsoDateTime(value_, book.date1904);
            if (!serial)
                Fail(CellName() + u" の日付 " + Quote(value_) + u" が正しくありません。");
            cell.number = *serial;
        }
            cell.type = TCellType::Number;
            break;
        }
    }
    if (++context_.storedCells > MaxStoredCells)
        Fail(u"セルが多すぎます (" + IntToStr(static_cast<long long>(MaxStoredCells)) +
             u" 個まで)。");
    sheet_.Set(row_, column_, cell);
}

} // namespace Excel
