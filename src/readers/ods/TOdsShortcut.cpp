// The fast path of the content reader: whole rows and cells of the shapes
// LibreOffice writes for plain values, read from the bytes. Anything else,
// a prefix bound to another namespace included, is left to the tokenizer.

#include <array>

#include "readers/TXmlChars.h"
#include "readers/TXmlShortcut.h"
#include "readers/TXmlTokenizer.h"
#include "readers/ods/TOdsContent.h"
#include "readers/ods/TOdsNames.h"

namespace Excel {

using namespace Xml;

namespace {

constexpr std::string_view RowEnd = "</table:table-row>";

// A start tag with prefixed names, its values plain printable ASCII.
struct TOdsTag {
    static constexpr std::size_t MaxAttributes = 12;
    struct TAttribute {
        std::string_view name;
        std::string_view value;
    };
    std::string_view name;
    std::array<TAttribute, MaxAttributes> attributes;
    std::size_t count = 0;
    bool empty = false;
};

// The end of the ASCII name at p, which has to be "prefix:local"; nullptr
// for anything else.
const char* PrefixedNameEnd(const char* p, const char* end)
{
    if (p == end || !StartsName(*p) || static_cast<unsigned char>(*p) >= 0x80)
        return nullptr;
    const char* colon = nullptr;
    const char* q = p;
    for (; q < end && NameChar[static_cast<unsigned char>(*q)]; ++q) {
        if (*q != ':')
            continue;
        if (colon)
            return nullptr;
        colon = q;
    }
    if (q == end || static_cast<unsigned char>(*q) >= 0x80 || !colon || colon + 1 == q || !StartsName(colon[1]))
        return nullptr;
    return q;
}

const char* ReadOdsTag(const char* p, const char* end, TOdsTag& tag)
{
    if (end - p < 2 || *p != '<')
        return nullptr;
    const char* q = PrefixedNameEnd(p + 1, end);
    if (!q)
        return nullptr;
    tag.name = std::string_view(p + 1, static_cast<std::size_t>(q - p - 1));
    tag.count = 0;
    tag.empty = false;
    for (;;) {
        const char* blank = q;
        q = SkipBlanks(q, end);
        if (q == end)
            return nullptr;
        if (*q == '>')
            return q + 1;
        if (*q == '/') {
            if (q + 1 == end || q[1] != '>')
                return nullptr;
            tag.empty = true;
            return q + 2;
        }
        if (q == blank || tag.count == TOdsTag::MaxAttributes)
            return nullptr;
        const char* name = q;
        q = PrefixedNameEnd(q, end);
        if (!q || *q != '=' || q + 1 == end || (q[1] != '"' && q[1] != '\''))
            return nullptr;
        const std::string_view attribute(name, static_cast<std::size_t>(q - name));
        const char quote = q[1];
        const char* value = q + 2;
        q = value;
        while (q < end && ValuePlain[static_cast<unsigned char>(*q)])
            ++q;
        if (q == end || *q != quote)
            return nullptr;
        for (std::size_t i = 0; i < tag.count; ++i)
            if (SameName(tag.attributes[i].name, attribute))
                return nullptr;  // the tokenizer refuses the duplicate
        tag.attributes[tag.count++] = {attribute, std::string_view(value, static_cast<std::size_t>(q - value))};
        ++q;
    }
}

bool StartsWith(const char* p, const char* end, std::string_view s)
{
    return static_cast<std::size_t>(end - p) >= s.size() && SameName(std::string_view(p, s.size()), s);
}

// Prefixes found bound to their usual namespaces.
constexpr unsigned TablePrefix = 1, OfficePrefix = 2, TextPrefix = 4, CalcExtPrefix = 8;

// Whether every attribute is in a namespace whose prefix is usual here, and
// so means what the general path would find.
bool UsualAttributes(const TOdsTag& tag, unsigned usual)
{
    for (std::size_t i = 0; i < tag.count; ++i) {
        const std::string_view name = tag.attributes[i].name;
        const std::string_view prefix = name.substr(0, name.find(':'));
        const unsigned bit = prefix == "table"     ? TablePrefix
                             : prefix == "office"  ? OfficePrefix
                             : prefix == "calcext" ? CalcExtPrefix
                                                   : 0u;
        if (!(bit & usual))
            return false;
    }
    return true;
}

} // namespace

const char* TOdsContentHandler::Shortcut(const char* p, const char* end, const TXmlName&, std::string_view&)
{
    if (!tokenizer_ || skipFrom_ || !sheetDepth_ || cellDepth_ || !StartsWith(p, end, "<table:"))
        return p;
    usual_ = 0;
    if (tokenizer_->NamespaceOf("table") == Ods::TableNs)
        usual_ |= TablePrefix;
    if (tokenizer_->NamespaceOf("text") == Ods::TextNs)
        usual_ |= TextPrefix;
    if (!(usual_ & TablePrefix) || !(usual_ & TextPrefix))
        return p;
    if (tokenizer_->NamespaceOf("office") == Ods::OfficeNs)
        usual_ |= OfficePrefix;
    if (tokenizer_->NamespaceOf("calcext") == Ods::CalcExtNs)
        usual_ |= CalcExtPrefix;
    if (rowDepth_) {
        const char* q = ReadCells(p, end, {});
        if (!q)
            return p;
        CommitCells();
        return q;
    }
    return ReadRows(p, end);
}

// Rows as long as they come whole; each is read before any of it is kept.
const char* TOdsContentHandler::ReadRows(const char* p, const char* end)
{
    TOdsTag tag;
    for (;;) {
        const char* q = ReadOdsTag(p, end, tag);
        if (!q || tag.name != "table:table-row" || !UsualAttributes(tag, usual_))
            return p;
        std::optional<std::string_view> repeat;
        for (std::size_t i = 0; i < tag.count; ++i)
            if (tag.attributes[i].name == "table:number-rows-repeated")
                repeat = tag.attributes[i].value;
        if (tag.empty) {
            fastCells_.clear();
        } else if (!(q = ReadCells(q, end, RowEnd))) {
            return p;
        }
        StartRow(repeat);
        CommitCells();
        FinishRow();
        p = SkipBlanks(q, end);
    }
}

// Cells up to `rowEnd` (and past it), or as many as come whole when there
// is no `rowEnd`; nullptr when the row cannot be read here.
const char* TOdsContentHandler::ReadCells(const char* p, const char* end, std::string_view rowEnd)
{
    fastCells_.clear();
    arena_.clear();
    for (;;) {
        const char* q = SkipBlanks(p, end);
        if (!rowEnd.empty() && StartsWith(q, end, rowEnd))
            return q + rowEnd.size();
        TFastCell cell;
        q = ReadCell(q, end, cell);
        if (!q)
            return rowEnd.empty() && !fastCells_.empty() ? p : nullptr;
        fastCells_.push_back(cell);
        p = q;
    }
}

const char* TOdsContentHandler::ReadCell(const char* p, const char* end, TFastCell& cell)
{
    TOdsTag tag;
    p = ReadOdsTag(p, end, tag);
    if (!p || !UsualAttributes(tag, usual_))
        return nullptr;
    if (tag.name == "table:table-cell")
        cell.covered = false;
    else if (tag.name == "table:covered-table-cell")
        cell.covered = true;
    else
        return nullptr;
    cell.attributes = {};
    for (std::size_t i = 0; i < tag.count; ++i) {
        const auto [name, value] = tag.attributes[i];
        if (name == "table:number-columns-repeated")
            cell.attributes.repeat = value;
        else if (name == "office:value-type")
            cell.attributes.valueType = value;
        else if (name == "calcext:value-type")
            cell.attributes.extValueType = value;
        else if (name == "office:value")
            cell.attributes.value = value;
        else if (name == "office:date-value")
            cell.attributes.dateValue = value;
        else if (name == "office:time-value")
            cell.attributes.timeValue = value;
        else if (name == "office:boolean-value")
            cell.attributes.booleanValue = value;
        else if (name == "office:string-value")
            cell.attributes.stringValue = value;
    }
    cell.paragraphs = 0;
    cell.inArena = false;
    cell.textData = nullptr;
    cell.textAt = cell.textSize = 0;
    if (tag.empty)
        return p;
    const std::string_view cellEnd = cell.covered ? "</table:covered-table-cell>" : "</table:table-cell>";
    for (;;) {
        p = SkipBlanks(p, end);
        if (StartsWith(p, end, cellEnd))
            return p + cellEnd.size();
        std::string_view text;
        if (StartsWith(p, end, "<text:p/>")) {
            p += 9;
        } else if (StartsWith(p, end, "<text:p>")) {
            p = ReadText(p + 8, end, text, scratch_);
            if (!p || !(p = ReadEndTag(p, end, "text:p")))
                return nullptr;
        } else {
            return nullptr;
        }
        // One paragraph of plain text stays where it is; more are joined.
        const bool plain = text.empty() || text.data() != scratch_.data();
        if (cell.paragraphs == 0 && plain) {
            cell.textData = text.data();
            cell.textSize = text.size();
        } else {
            if (!cell.inArena) {
                cell.textAt = arena_.size();
                arena_.append(cell.textData ? cell.textData : "", cell.textSize);
                cell.inArena = true;
            }
            if (cell.paragraphs)
                arena_ += '\n';
            arena_.append(text);
            cell.textSize = arena_.size() - cell.textAt;
        }
        ++cell.paragraphs;
    }
}

void TOdsContentHandler::CommitCells()
{
    fastCellsTaken_ += fastCells_.size();
    for (const TFastCell& cell : fastCells_) {
        StartCell(cell.covered, cell.attributes);
        paragraphs_ = cell.paragraphs;
        if (cell.inArena)
            text_.assign(arena_, cell.textAt, cell.textSize);
        else if (cell.textSize)
            text_.assign(cell.textData, cell.textSize);
        FinishCell();
    }
}

} // namespace Excel
