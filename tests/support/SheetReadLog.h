#pragma once

// One worksheet's XML read through the tokenizer into a fresh workbook, and
// what came of it as text: the refusal, or the strings and the cells of the
// top left corner with their displayed text and value. Compares the sheet reader's shortcut with its events.

#include <cstdio>
#include <string>
#include <string_view>

#include "readers/TXmlTokenizer.h"
#include "readers/xlsx/TXlsxSheet.h"
#include "text/Exception.h"
#include "text/UnicodeString.h"
#include "workbook/TCellText.h"

namespace testsupport {

// The sheet reader with every element read through events.
class EventsOnlySheet : public Excel::TXlsxSheetHandler {
public:
    using TXlsxSheetHandler::TXlsxSheetHandler;
    const char* Shortcut(const char* p, const char*, const Excel::TXmlName&, std::string_view&) override { return p; }
};

// The XML is given in pieces of `piece` bytes, as a zip entry arrives.
template <typename Handler> std::string ReadSheet(std::string_view xml, std::size_t piece)
{
    const std::string part = "xl/worksheets/sheet1.xml";
    Excel::TWorkbookData book;
    book.AddString(u"shared");
    Excel::TXlsxContext context;
    context.file = "test.xlsx";
    context.book = &book;
    Excel::TXlsxSharedStrings shared(0, 1);
    context.shared = &shared;
    context.cellFormats = {0, book.AddFormat(u"yyyy/m/d h:mm"), book.AddFormat(u"0.00%")};
    book.sheets.emplace_back(u"S");
    try {
        Handler handler(context, part, book.sheets.back());
        Excel::TXmlTokenizer tokenizer(handler, context.file, part);
        for (std::size_t at = 0; at < xml.size(); at += piece)
            tokenizer.Parse(xml.substr(at, piece), false);
        tokenizer.Parse({}, true);
    } catch (const Exception& e) {
        return e.what();
    }
    auto& sheet = book.sheets.back();
    sheet.Seal();
    std::string log = std::to_string(sheet.CellCount());
    for (std::size_t i = 0; i < book.StringCount(); ++i)
        log += '|' + Utf16ToUtf8(book.String(static_cast<std::uint32_t>(i)));
    for (std::uint32_t row = 1; row <= 16; ++row)
        for (std::uint32_t column = 1; column <= 16; ++column)
            if (const auto* cell = sheet.Find(row, column)) {
                char text[96];
                std::snprintf(text, sizeof text, " %u,%u:%d,%u,%a,%u", row, column, static_cast<int>(cell->type),
                              cell->style, cell->number, cell->text);
                log += text;
                // Read back both ways, as pages would.
                log += '=' + Utf16ToUtf8(Excel::DisplayText(book, cell));
                try {
                    log += '=' + Utf16ToUtf8(Excel::ValueText(book, cell));
                } catch (const Exception& e) {
                    log += e.what();
                }
            }
    return log;
}

} // namespace testsupport
