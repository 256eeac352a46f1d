// libFuzzer target: any bytes as the XML of one worksheet. The package
// around it is skipped, so mutations reach the cell reader instead of
// failing the zip checksums. Must read or refuse, never crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/Exception.h"
#include "workbook/TCellText.h"
#include "readers/xlsx/TXlsxSheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Excel::TWorkbookData book;
    book.AddString(u"shared");
    Excel::TXlsxContext context;
    context.file = "fuzz.xlsx";
    context.book = &book;
    context.sharedCount = 1;
    context.cellFormats = {0, book.AddFormat(u"yyyy/m/d h:mm"), book.AddFormat(u"0.00%")};
    book.sheets.emplace_back(u"S");
    try {
        Excel::TXlsxSheetHandler handler(context, "xl/worksheets/sheet1.xml", book.sheets.back());
        Excel::ParseXml(std::string_view(reinterpret_cast<const char*>(data), size), context.file,
                        "xl/worksheets/sheet1.xml", handler);
        book.sheets.back().Seal();
        // Read back a corner of the sheet both ways, as pages would.
        for (std::uint32_t row = 1; row <= 4; ++row)
            for (std::uint32_t column = 1; column <= 4; ++column) {
                const auto* cell = book.sheets.back().Find(row, column);
                (void)Excel::DisplayText(book, cell);
                try {
                    (void)Excel::ValueText(book, cell);
                } catch (const Exception&) {
                }
            }
    } catch (const Exception&) {
    }
    return 0;
}
