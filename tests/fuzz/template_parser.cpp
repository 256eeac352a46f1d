// libFuzzer target for templates end to end: scan, read every tag, validate,
// then render the pages against a small workbook, as a job would. Bad
// templates must be refused with an Exception, never crash or hang.
// Input: template bytes in the encoding picked by the first byte (Shift_JIS,
// UTF-8, EUC-JP, or raw UTF-16 units so lone surrogates reach the scanner).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "template/TExcelNode.h"
#include "template/TTemplateParser.h"
#include "text/Exception.h"
#include "text/TStringUtility.h"
#include "automation/TExcelSingleton.h"

namespace {

// Two sheets' worth of records would need a real workbook; one CSV sheet
// with empty cells, markup and line breaks is enough to run every node.
const char WorkbookCsv[] =
    "id,name,note,skip\r\n"
    "1,<b>A&B</b>,\"two\r\nlines\",x\r\n"
    "2,\xE6\x97\xA5\xE6\x9C\xAC,,\r\n"
    "3,\"a,b\",\"q\"\"uote\",x\r\n"
    "4,,last,x\r\n";

// Renders at most this many pages so a template cannot run for long.
constexpr int MaxPages = 16;

bool OpenWorkbook()
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tabloom-fuzz-book-" + std::to_string(::getpid()) + ".csv");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(WorkbookCsv, 1, sizeof WorkbookCsv - 1, f) == sizeof WorkbookCsv - 1;
    if (std::fclose(f) != 0 || !written)
        return false;
    Excel::TExcelSingleton::GetInstance().Workbooks().Open(Utf8ToUtf16(path.string()));
    std::filesystem::remove(path);
    return true;
}

UnicodeString DecodeInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 4) {
    case 0:
        return TStringUtility::DecodeString(RawByteString{bytes, 932}, 932);
    case 1:
        return TStringUtility::DecodeString(RawByteString{bytes, 65001}, 65001);
    case 2:
        return TStringUtility::DecodeString(RawByteString{bytes, 51932}, 51932);
    default: {
        UnicodeString units;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8);
        return units;
    }
    }
}

void RenderPages(const TTemplateParser& parser)
{
    TExcelNode& excel = *parser.ExcelNode();
    int pages = 0;
    if (excel.Layout() == TExcelNode::LayoutCard) {
        while (pages++ < MaxPages && excel.HasRecord()) {
            (void)RenderNodes(parser.Nodes());
            (void)excel.GetPageName();
            excel.NextRecord();
        }
        return;
    }
    do {
        while (pages++ < MaxPages && excel.HasRecord()) {
            (void)excel.GetPageName();
            (void)RenderNodes(parser.Nodes());
        }
        ResetNodes(parser.Nodes());
    } while (pages < MaxPages && excel.NextSheet());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool opened = OpenWorkbook();
    if (!opened)
        std::abort();
    if (size == 0)
        return 0;
    const UnicodeString text = DecodeInput(data, size);
    try {
        TTemplateParser parser(text);
        parser.Parse();
        parser.Validate();
        RenderPages(parser);
    } catch (const Exception&) {
    }
    CurrentExcelNode.reset();
    return 0;
}
