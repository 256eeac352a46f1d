#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "workbook/TCellText.h"
#include "readers/csv/TCsvReader.h"
#include "readers/TWorkbookReader.h"
#include "support/ZipFixture.h"

using namespace testsupport;
using Excel::ReadCsvWorkbook;
using Excel::TCellType;
using Excel::TWorkbookData;

namespace {

struct Cell {
    std::uint32_t row;
    std::uint32_t column;
    std::string text;  // UTF-8
};

// The string of one cell, or "<none>" when the cell holds nothing.
std::string TextAt(const TWorkbookData& book, std::uint32_t row, std::uint32_t column)
{
    const auto* cell = book.sheets.at(0).Find(row, column);
    if (!cell)
        return "<none>";
    EXPECT_EQ(cell->type, TCellType::String);
    return Utf16ToUtf8(book.String(cell->text));
}

struct CsvCase {
    const char* name;
    std::string bytes;
    std::vector<Cell> cells;  // every stored cell
};

TEST(CsvReader, ParsesRecordsFieldsAndQuoting)
{
    const CsvCase cases[] = {
        {"plain", "a,b\nc,d", {{1, 1, "a"}, {1, 2, "b"}, {2, 1, "c"}, {2, 2, "d"}}},
        {"crlf and trailing break", "a,b\r\nc\r\n", {{1, 1, "a"}, {1, 2, "b"}, {2, 1, "c"}}},
        {"lone cr", "a\rb", {{1, 1, "a"}, {2, 1, "b"}}},
        {"empty fields and lines keep positions", ",x,\n\n,,y", {{1, 2, "x"}, {3, 3, "y"}}},
        {"quoted delimiters and breaks", "\"a,b\",\"line1\r\nline2\"\n\"say \"\"hi\"\"\"",
         {{1, 1, "a,b"}, {1, 2, "line1\r\nline2"}, {2, 1, "say \"hi\""}}},
        {"empty quoted field is empty", "\"\",b", {{1, 2, "b"}}},
        {"text after a closing quote is kept", "\"ab\"cd,e", {{1, 1, "abcd"}, {1, 2, "e"}}},
        {"quote inside an unquoted field", "ab\"c,d\"", {{1, 1, "ab\"c"}, {1, 2, "d\""}}},
        {"unterminated quote runs to the end", "x,\"open\nstill,open", {{1, 1, "x"}, {1, 2, "open\nstill,open"}}},
        {"numbers stay text as written", "007, 1.50 ,=1+1", {{1, 1, "007"}, {1, 2, " 1.50 "}, {1, 3, "=1+1"}}},
        {"empty file", "", {}},
        {"utf-8 with mark", "\xEF\xBB\xBF" "名前,値\n", {{1, 1, "名前"}, {1, 2, "値"}}},
        {"utf-8 without mark", "東京,大阪", {{1, 1, "東京"}, {1, 2, "大阪"}}},
        // 日本,ソ in Shift_JIS; 0x5C as second byte must not be taken apart.
        {"shift_jis", "\x93\xFA\x96\x7B,\x83\x5C", {{1, 1, "日本"}, {1, 2, "ソ"}}},
        {"shift_jis inside quotes", "\"\x93\xFA,\x96\x7B\"", {{1, 1, "日,本"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFile(dir / "data.csv", c.bytes);
        const auto book = ReadCsvWorkbook(dir / "data.csv");
        ASSERT_EQ(book->sheets.size(), 1u);
        EXPECT_EQ(book->sheets[0].CellCount(), c.cells.size());
        for (const auto& cell : c.cells)
            EXPECT_EQ(TextAt(*book, cell.row, cell.column), cell.text) << cell.row << "," << cell.column;
    }
}

TEST(CsvReader, NamesTheSheetAfterTheFileLikeExcel)
{
    const std::pair<std::string, std::string> cases[] = {
        {"data.csv", "data"},
        {"売上.2024.csv", "売上.2024"},
        {"noext", "noext"},
        {"abcdefghijklmnopqrstuvwxyz0123456789.csv", "abcdefghijklmnopqrstuvwxyz01234"},
        // 30 letters and a character outside the BMP: the pair is not split.
        {std::string(30, 'a') + "\xF0\x9F\x98\x80" + ".csv", std::string(30, 'a')},
    };
    for (const auto& [file, sheet] : cases) {
        TempDir dir;
        WriteFile(dir / file, "x");
        EXPECT_EQ(Utf16ToUtf8(ReadCsvWorkbook(dir / file)->sheets.at(0).Name()), sheet) << file;
    }
}

// Text past column 16384 or row 1048576 cannot be addressed: the file is
// refused naming the first place outside, as an .xlsx is. Empty fields there
// (trailing commas, blank lines) lose nothing and are read.
TEST(CsvReader, RefusesTextBeyondTheGridNamingWhere)
{
    const std::string lastRow = std::string(1048575, '\n') + "last";
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;  // "" when the file reads
    } cases[] = {
        {"column 16385", "first\nx" + std::string(16384, ',') + "beyond\n", "行 2 の列 16385 が列の範囲 (1～16384) を超えています。"},
        {"row 1048577", lastRow + "\nlost\n", "行 1048577 がワークシートの範囲 (1～1048576) を超えています。"},
        {"Shift_JIS row 1048577", lastRow + "\n\x93\xfa\n", "行 1048577 がワークシートの範囲 (1～1048576) を超えています。"},
        {"empty fields past the grid", "first" + std::string(20000, ',') + lastRow + "\n\n,,\n", ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        WriteFile(dir / "big.csv", c.bytes);
        if (*c.reason == '\0') {
            const auto book = ReadCsvWorkbook(dir / "big.csv");
            EXPECT_EQ(TextAt(*book, 1048576, 1), "last") << c.name;
            continue;
        }
        const std::string message = OleMessage([&] { ReadCsvWorkbook(dir / "big.csv"); });
        EXPECT_EQ(message.rfind("ファイル \"" + (dir / "big.csv").string() + "\" を開けません。", 0), 0u) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << c.name << ": " << message;
    }
}

TEST(CsvReader, IsChosenByContentAndReadsAsText)
{
    TempDir dir;
    // Shift_JIS text under a name without .csv: recognised by content.
    const auto file = dir / "名簿.txt";
    WriteFile(file, "\x96\xBC\x91\x4F,007\r\n\x8E\x52\x93\x63,1.50\r\n");
    const auto book = Excel::OpenWorkbookFile(file);
    ASSERT_EQ(book->sheets.size(), 1u);
    EXPECT_EQ(book->sheets[0].Name(), U("名簿"));
    const struct {
        std::uint32_t row, column;
        const char* text;
    } cases[] = {{1, 1, "名前"}, {1, 2, "007"}, {2, 1, "山田"}, {2, 2, "1.50"}};
    for (const auto& c : cases) {
        const auto* cell = book->sheets[0].Find(c.row, c.column);
        EXPECT_EQ(Utf16ToUtf8(Excel::DisplayText(*book, cell)), c.text);
        EXPECT_EQ(Utf16ToUtf8(Excel::ValueText(*book, cell)), c.text);
    }
}

TEST(CsvReader, RefusesWhatIsNotAReadableFileNamingIt)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.csv");
    const std::filesystem::path cases[] = {dir / "missing.csv", dir / "folder.csv", "/dev/null"};
    for (const auto& path : cases) {
        const std::string message = OleMessage([&] { ReadCsvWorkbook(path); });
        EXPECT_EQ(message.rfind("ファイル \"" + path.string() + "\" を開けません。", 0), 0u) << message;
    }
}

} // namespace
