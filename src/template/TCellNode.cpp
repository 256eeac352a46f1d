#include "template/TCellNode.h"

#include <memory>

#include "template/TExcelNode.h"
#include "template/TTagReading.h"
#include "text/Exception.h"
#include "text/TConvert.h"
#include "text/TStringUtility.h"

namespace {

const UnicodeString CellWord = u"cell";

bool Unreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '_' || c == '.' || c == '~';
}

} // namespace

UnicodeString UrlEncode(const UnicodeString& text)
{
    static const char16_t hex[] = u"0123456789ABCDEF";
    UnicodeString out;
    for (const char ch : Utf16ToUtf8(text)) {
        const auto c = static_cast<unsigned char>(ch);
        if (Unreserved(c)) {
            out += static_cast<char16_t>(c);
        } else {
            out += u'%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return out;
}

namespace {

// Appends `text` with each line break as "<br />", the lines between them
// escaped for HTML or as they are.
void AppendWithBreaks(UnicodeString& out, std::u16string_view text, bool html)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find_first_of(u"\r\n", start);
        const std::u16string_view line = text.substr(start, at == std::u16string_view::npos ? at : at - start);
        if (html)
            TStringUtility::AppendHTMLEncoded(out, line);
        else
            out.append(line);
        if (at == std::u16string_view::npos)
            return;
        out += u"<br />";
        // CR LF is one break
        start = at + (text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1);
    }
}

} // namespace

UnicodeString LineBreaksToBr(const UnicodeString& text)
{
    UnicodeString out;
    out.reserve(text.size());
    AppendWithBreaks(out, text, false);
    return out;
}

Excel::TWorksheet& TCellNode::LocateWorksheet()
{
    if (worksheet_)
        return *worksheet_;
    try {
        const TExcelNode& excel = RequireExcelNode();
        if (!sheetName_.empty())
            worksheet_ = FindActiveWorksheet(sheetName_, 0);
        else if (sheetNumber_ != -1)
            worksheet_ = FindActiveWorksheet(UnicodeString(), sheetNumber_);
        else
            worksheet_ = FindActiveWorksheet(excel.SheetName(), excel.CurrentSheetNumber());
    } catch (const Exception& e) {
        throw Exception(u"Cellタグで指定されたシートが見つかりません。\n" + Text() + u"\n" + e.Message());
    }
    return *worksheet_;
}

void TCellNode::RenderTo(UnicodeString& out)
{
    UnicodeString text;
    try {
        const int row = fixed_ ? row_ : RequireExcelNode().RecordRow(row_);
        Excel::TRange cell = LocateWorksheet().Cells(column_, row);
        text = valueKind_ == TValueKind::Text ? cell.Text() : cell.Value();
    } catch (const Exception& e) {
        RethrowAt(e, Location());
    }
    shownText_ = shownText_ || !text.empty();
    // A URL holds no line break, and escaping makes none.
    if (escapeMode_ == TEscapeMode::Url)
        out += UrlEncode(text);
    else if (lineBreakMode_ == TLineBreakMode::Br)
        AppendWithBreaks(out, text, escapeMode_ == TEscapeMode::Html);
    else if (escapeMode_ == TEscapeMode::Html)
        TStringUtility::AppendHTMLEncoded(out, text);
    else
        out += text;
}

TCellNode* ReadCellTag(const UnicodeString& tagText)
{
    using namespace TTagReading;
    auto node = std::make_unique<TCellNode>(tagText);
    const TAttributeMap attributes = ReadAttributes(tagText, uR"(<\!---\s+cell\s+)");

    const UnicodeString name = Find(attributes, u"name").value_or(UnicodeString());
    const auto ref = ReadCellReference(name);
    if (!ref)
        ThrowWrongAttribute(CellWord, u"name", name);
    node->column_ = ref->column;
    node->row_ = ref->row;

    if (const auto type = Find(attributes, u"type")) {
        const UnicodeString kind = Keyword(*type);
        if (kind == u"text")
            node->valueKind_ = TCellNode::TValueKind::Text;
        else if (kind == u"value")
            node->valueKind_ = TCellNode::TValueKind::Value;
        else
            ThrowWrongAttribute(CellWord, u"type", *type);
    }

    if (const auto sheetName = Find(attributes, u"sheetname")) {
        if (sheetName->empty())
            ThrowWrongAttribute(CellWord, u"sheetname", *sheetName);
        node->sheetName_ = *sheetName;
    } else if (const auto sheet = Find(attributes, u"sheet")) {
        node->sheetNumber_ = StrToIntDef(*sheet, -1);
        if (node->sheetNumber_ < 0)
            ThrowWrongAttribute(CellWord, u"sheet", *sheet);
    }

    if (const auto escape = Find(attributes, u"escape")) {
        const UnicodeString mode = Keyword(*escape);
        if (mode == u"html")
            node->escapeMode_ = TCellNode::TEscapeMode::Html;
        else if (mode == u"url")
            node->escapeMode_ = TCellNode::TEscapeMode::Url;
        else if (mode == u"none")
            node->escapeMode_ = TCellNode::TEscapeMode::None;
        else
            ThrowWrongAttribute(CellWord, u"escape", *escape);
    }

    if (const auto multiline = Find(attributes, u"multiline")) {
        const UnicodeString mode = Keyword(*multiline);
        if (mode == u"br")
            node->lineBreakMode_ = TCellNode::TLineBreakMode::Br;
        else if (mode == u"none")
            node->lineBreakMode_ = TCellNode::TLineBreakMode::None;
        else
            ThrowWrongAttribute(CellWord, u"multiline", *multiline);
    }

    if (const auto fixed = Find(attributes, u"fixed")) {
        const UnicodeString flag = Keyword(*fixed);
        if (flag == u"true")
            node->fixed_ = true;
        else if (flag == u"false")
            node->fixed_ = false;
        else
            ThrowWrongAttribute(CellWord, u"fixed", *fixed);
    }

    return node.release();
}
