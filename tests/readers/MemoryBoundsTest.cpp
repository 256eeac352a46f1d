#include <gtest/gtest.h>
#include <malloc.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "readers/TWorkbookReader.h"
#include "workbook/TCellText.h"
#include "support/TestSupport.h"
#include "support/ZipFixture.h"

using namespace testsupport;
using namespace Excel;

namespace {

long StatusKiB(const char* key)
{
    long value = -1;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            value = std::stol(line.substr(std::string(key).size()));
    return value;
}

// Bytes the process's peak resident memory grows by while `work` runs;
// -1 where the kernel cannot reset the peak.
double PeakGrowth(const std::function<void()>& work)
{
    // Freed heap memory would otherwise be reused without showing.
    malloc_trim(0);
    const long before = StatusKiB("VmRSS:");
    {
        std::ofstream reset("/proc/self/clear_refs");
        reset << "5";
    }
    if (StatusKiB("VmHWM:") > before + 1024)
        return -1;
    work();
    return (StatusKiB("VmHWM:") - before) * 1024.0;
}

bool Sanitized()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

TEST(MemoryBounds, XlsxCellsTakeAtMost48BytesEach)
{
    if (Sanitized())
        GTEST_SKIP() << "the sanitizer's shadow memory is counted too";
    TempDir dir;
    const auto file = dir / "cells.xlsx";
    constexpr int Rows = 100000, Columns = 10;
    lxw_workbook* wb = workbook_new(file.c_str());
    lxw_worksheet* sheet = workbook_add_worksheet(wb, "Data");
    char text[64];
    for (int r = 0; r < Rows; ++r)
        for (int c = 0; c < Columns; ++c) {
            if (c < Columns / 2) {
                worksheet_write_number(sheet, r, c, r * 10.25 + c, nullptr);
            } else {
                std::snprintf(text, sizeof text, "品目%d-%d", r + 1, c);
                worksheet_write_string(sheet, r, c, text, nullptr);
            }
        }
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);

    std::size_t cells = 0;
    const double growth = PeakGrowth([&] { cells = OpenWorkbookFile(file)->sheets.at(0).CellCount(); });
    if (growth < 0)
        GTEST_SKIP() << "the peak memory cannot be reset here";
    ASSERT_EQ(cells, std::size_t(Rows) * Columns);
    EXPECT_LE(growth / static_cast<double>(cells), 48) << growth << " bytes";
}

TEST(MemoryBounds, CsvTakesAtMostFourTimesItsSize)
{
    if (Sanitized())
        GTEST_SKIP() << "the sanitizer's shadow memory is counted too";
    TempDir dir;
    const auto file = dir / "rows.csv";
    std::string csv;
    for (int r = 0; csv.size() < (12u << 20); ++r)
        csv += std::to_string(r) + ",東京都千代田区丸の内" + std::to_string(r % 97) + "-" + std::to_string(r % 13) +
               ",\"品名, " + std::to_string(r * 7) + "\"," + std::to_string(r * 0.25) + ",2024/01/05\r\n";
    WriteFile(file, csv);
    const double growth = PeakGrowth([&] { OpenWorkbookFile(file); });
    if (growth < 0)
        GTEST_SKIP() << "the peak memory cannot be reset here";
    EXPECT_LE(growth, 4.0 * static_cast<double>(csv.size())) << growth << " bytes for " << csv.size();
}

TEST(MemoryBounds, OdsRepeatsCostWhatTheFileHolds)
{
    if (Sanitized())
        GTEST_SKIP() << "the sanitizer's shadow memory is counted too";
    // A few hundred bytes that declare 16 million cells.
    const std::string content =
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
        " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
        " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
        "<table:table table:name=\"S\"><table:table-row table:number-rows-repeated=\"999\">"
        "<table:table-cell table:number-columns-repeated=\"16384\" office:value-type=\"string\"><text:p>X</text:p>"
        "</table:table-cell></table:table-row><table:table-row>"
        "<table:table-cell table:number-columns-repeated=\"16383\" office:value-type=\"float\" office:value=\"2\">"
        "<text:p>2.0</text:p></table:table-cell><table:table-cell table:number-columns-repeated=\"16384\"/>"
        "</table:table-row><table:table-row table:number-rows-repeated=\"1048000\"><table:table-cell"
        " table:number-columns-repeated=\"16384\"/></table:table-row></table:table></office:spreadsheet>"
        "</office:body></office:document-content>";
    TempDir dir;
    const auto file = dir / "repeats.ods";
    WriteZip(file, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}});
    std::unique_ptr<TWorkbookData> book;
    const double growth = PeakGrowth([&] { book = OpenWorkbookFile(file); });
    if (growth < 0)
        GTEST_SKIP() << "the peak memory cannot be reset here";
    EXPECT_LE(growth, 8 << 20) << growth << " bytes";
    const auto& sheet = book->sheets.at(0);
    EXPECT_EQ(sheet.CellCount(), 999u * 16384 + 16383);
    const struct {
        std::uint32_t row, column;
        const char* text;
    } cells[] = {{1, 1, "X"}, {999, 16384, "X"}, {500, 8000, "X"}, {1000, 1, "2.0"}, {1000, 16383, "2.0"},
                 {1000, 16384, ""}, {1001, 1, ""}, {1048576, 16384, ""}};
    for (const auto& c : cells)
        EXPECT_EQ(Utf16ToUtf8(DisplayText(*book, sheet.Find(c.row, c.column))), c.text) << c.row << "," << c.column;
}

// Every shape of repetition keeps one entry per run the file writes,
// whatever number of cells the run stands for, and the cells read as the
// runs say: memory follows the file, not the cells it declares.
TEST(MemoryBounds, OdsRunsOfEveryShapeKeepOneEntryEach)
{
    const auto cell = [](const std::string& attributes, const char* text) {
        return "<table:table-cell" + attributes + " office:value-type=\"string\"><text:p>" + text +
               "</text:p></table:table-cell>";
    };
    const auto row = [](const std::string& attributes, const std::string& cells) {
        return "<table:table-row" + attributes + ">" + cells + "</table:table-row>";
    };
    const std::string allColumns = " table:number-columns-repeated=\"16384\"";
    const struct {
        const char* name;
        std::string rows;
        std::size_t entries;
        std::size_t cells;
        std::vector<std::tuple<std::uint32_t, std::uint32_t, const char*>> texts;
    } cases[] = {
        {"repeated rows of repeated cells", row(" table:number-rows-repeated=\"1000\"", cell(allColumns, "A")), 1,
         16384000, {{1, 1, "A"}, {1000, 16384, "A"}, {1001, 1, ""}}},
        {"several runs in repeated rows",
         row(" table:number-rows-repeated=\"1000\"", cell(" table:number-columns-repeated=\"5000\"", "A") +
             "<table:table-cell table:number-columns-repeated=\"3\"/>" + cell(" table:number-columns-repeated=\"9000\"", "B") +
             cell("", "C")),
         3, 14001000, {{1000, 5000, "A"}, {1, 5001, ""}, {1000, 5004, "B"}, {1, 14004, "C"}, {1, 14005, ""}}},
        {"merged area over repeated rows",
         row(" table:number-rows-repeated=\"1000\"",
             cell(" table:number-columns-spanned=\"16384\" table:number-rows-spanned=\"1000\"", "M") +
                 "<table:covered-table-cell table:number-columns-repeated=\"16383\" office:value-type=\"string\">"
                 "<text:p>hidden</text:p></table:covered-table-cell>"),
         1, 1000, {{1, 1, "M"}, {1000, 1, "M"}, {1, 2, ""}, {1000, 16384, ""}}},
        {"styles only over the whole grid",
         row(" table:style-name=\"ro1\" table:number-rows-repeated=\"1048576\"",
             "<table:table-cell table:style-name=\"ce1\"" + allColumns + "/>"),
         0, 0, {{1, 1, ""}, {1048576, 16384, ""}}},
        {"run across the last row",
         row(" table:number-rows-repeated=\"1048570\"", "<table:table-cell/>") +
             row(" table:number-rows-repeated=\"999999999\"", cell(" table:number-columns-repeated=\"2\"", "L")) +
             row(" table:number-rows-repeated=\"5\"", cell("", "past")),
         1, 12, {{1048571, 1, "L"}, {1048576, 2, "L"}, {1048576, 3, ""}, {1048570, 1, ""}}},
        {"run across the last column",
         row(" table:number-rows-repeated=\"300\"", "<table:table-cell table:number-columns-repeated=\"16380\"/>" +
             cell(" table:number-columns-repeated=\"999999999\"", "R") + cell(allColumns, "past")),
         1, 1200, {{1, 16381, "R"}, {300, 16384, "R"}, {1, 16380, ""}, {301, 16384, ""}}},
        {"rows inside groups and header rows",
         "<table:table-header-rows>" + row(" table:number-rows-repeated=\"2\"", cell(allColumns, "H")) +
             "</table:table-header-rows><table:table-row-group>" +
             row(" table:number-rows-repeated=\"998\"", cell(allColumns, "G")) + "</table:table-row-group>",
         2, 16384000, {{2, 16384, "H"}, {3, 1, "G"}, {1000, 16384, "G"}}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string content =
            "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
            " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
            " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
            "<table:table table:name=\"S\">" + c.rows + "</table:table></office:spreadsheet></office:body>"
            "</office:document-content>";
        const auto file = dir / "runs.ods";
        WriteZip(file, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}});
        const auto book = OpenWorkbookFile(file);
        const auto& sheet = book->sheets.at(0);
        EXPECT_EQ(sheet.EntryCount(), c.entries) << c.name;
        EXPECT_EQ(sheet.CellCount(), c.cells) << c.name;
        for (const auto& [r, column, text] : c.texts)
            EXPECT_EQ(Utf16ToUtf8(DisplayText(*book, sheet.Find(r, column))), text) << c.name << " " << r << "," << column;
    }
}

std::string Repeated(const std::string& piece, int times)
{
    std::string out;
    out.reserve(piece.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// The densest cells each format can write (the least text per cell), so the
// cost of a cell weighs most against the unpacked size. The help states the
// multiples: 1.5 for .xlsx and .ods, 16 for CSV (where "a," is a cell).
TEST(MemoryBounds, PeakMemoryStaysWithinTheStatedMultipleOfTheUnpackedSize)
{
    if (Sanitized())
        GTEST_SKIP() << "the sanitizer's shadow memory is counted too";
    const std::string xlsxRow = "<row>" + Repeated("<c><v>1</v></c>", 100) + "</row>";
    const std::string sheet = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                              "<sheetData>" + Repeated(xlsxRow, 20000) + "</sheetData></worksheet>";
    const std::string odsRow = "<table:table-row>" + Repeated("<table:table-cell office:value-type=\"float\" "
                               "office:value=\"1\"><text:p>1</text:p></table:table-cell>", 100) + "</table:table-row>";
    const std::string content =
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
        " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
        " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
        "<table:table table:name=\"S\">" + Repeated(odsRow, 5000) +
        "</table:table></office:spreadsheet></office:body></office:document-content>";
    const std::string csv = Repeated(Repeated("a,", 99) + "a\n", 20000);
    const std::string rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    TempDir dir;
    WriteZip(dir / "dense.xlsx",
             {{"[Content_Types].xml",
               "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Override "
               "PartName=\"/xl/workbook.xml\" ContentType=\"application/"
               "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>"},
              {"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                              "<Relationship Id=\"rId1\" Type=\"" + rels + "/officeDocument\" "
                              "Target=\"xl/workbook.xml\"/></Relationships>"},
              {"xl/workbook.xml", "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                                  "xmlns:r=\"" + rels + "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>"
                                  "</sheets></workbook>"},
              {"xl/_rels/workbook.xml.rels",
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" Type=\"" + rels + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
               "</Relationships>"},
              {"xl/worksheets/sheet1.xml", sheet}});
    WriteZip(dir / "dense.ods", {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}});
    WriteFile(dir / "dense.csv", csv);
    const struct {
        const char* file;
        std::size_t unpacked;
        std::size_t cells;
        double multiple;
    } cases[] = {
        {"dense.xlsx", sheet.size(), 2000000, 1.5},
        {"dense.ods", content.size(), 500000, 1.5},
        {"dense.csv", csv.size(), 2000000, 16},
    };
    for (const auto& c : cases) {
        std::size_t cells = 0;
        const double growth = PeakGrowth([&] { cells = OpenWorkbookFile(dir / c.file)->sheets.at(0).CellCount(); });
        if (growth < 0)
            GTEST_SKIP() << "the peak memory cannot be reset here";
        EXPECT_EQ(cells, c.cells) << c.file;
        EXPECT_LE(growth, c.multiple * static_cast<double>(c.unpacked))
            << c.file << ": " << growth / static_cast<double>(c.unpacked) << " times " << c.unpacked << " bytes";
    }
}

} // namespace
