#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "support/TestSupport.h"
#include "workbook/TCellText.h"
#include "readers/TWorkbookReader.h"
#include "support/ZipFixture.h"

using namespace Excel;
using namespace testsupport;

namespace {

std::string Prefix(const std::filesystem::path& path)
{
    return "ファイル \"" + path.string() + "\" を開けません。";
}

TEST(WorkbookReader, RecognisesTheFormatByContentNotByName)
{
    TempDir dir;
    const auto xlsx = dir / "really-xlsx.csv";
    WriteZip(xlsx, {{"xl/workbook.xml", "<workbook/>"}});
    const auto ods = dir / "really-ods.xlsx";
    WriteZip(ods, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", "<x/>"}});
    const auto xls = dir / "really-xls.txt";
    WriteFile(xls, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(1024, '\0'));
    const auto csv = dir / "really-csv.xlsx";
    WriteFile(csv, "a,b\n1,2\n");
    const auto empty = dir / "empty.xlsx";
    WriteFile(empty, "");

    const std::pair<std::filesystem::path, TWorkbookKind> cases[] = {
        {xlsx, TWorkbookKind::Xlsx}, {ods, TWorkbookKind::Ods},   {xls, TWorkbookKind::Xls},
        {csv, TWorkbookKind::Csv},   {empty, TWorkbookKind::Csv},
    };
    for (const auto& [path, kind] : cases)
        EXPECT_EQ(DetectWorkbookKind(path), kind) << path;
}

TEST(WorkbookReader, RefusesWhatIsNoWorkbookFile)
{
    TempDir dir;
    const auto binary = dir / "image.xlsx";
    WriteFile(binary, std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    const auto otherZip = dir / "archive.xlsx";
    WriteZip(otherZip, {{"readme.txt", "hello"}});
    const auto textDocument = dir / "letter.ods";
    WriteZip(textDocument, {{"mimetype", "application/vnd.oasis.opendocument.text"}});
    const auto fifo = dir / "pipe.xlsx";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto encrypted = SharedDir() / "workbooks/public/pass_protected.xlsx";

    struct Case {
        std::filesystem::path path;
        const char* reason;
    };
    const Case cases[] = {
        {dir / "missing.xlsx", "ファイルが見つかりません。"},
        {dir / "missing" / "book.xlsx", "ファイルが見つかりません。"},
        {binary / "inside.xlsx", "パスの途中がフォルダーではありません。"},
        {dir.Path(), "ファイルではなくフォルダーです。"},
        {"/dev/null", "通常のファイルではありません"},
        {fifo, "通常のファイルではありません"},
        {binary, "対応していない形式です。"},
        {otherZip, "Excel ブックでも OpenDocument スプレッドシートでもありません。"},
        {textDocument, "Excel ブックでも OpenDocument スプレッドシートでもありません。"},
        {"", "ファイル名が指定されていません。"},
    };
    for (const auto& c : cases) {
        const auto message = OleMessage([&] { OpenWorkbookFile(c.path); });
        EXPECT_EQ(message.rfind(Prefix(c.path), 0), 0u) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    }
    if (std::filesystem::exists(encrypted)) {
        const auto message = OleMessage([&] { OpenWorkbookFile(encrypted); });
        EXPECT_NE(message.find("パスワードで保護されたブックは開けません。"), std::string::npos) << message;
    }
}

TEST(WorkbookReader, ReportsAFileItCannotRead)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    TempDir dir;
    const auto locked = dir / "locked.xlsx";
    WriteFile(locked, "a,b\n");
    ::chmod(locked.c_str(), 0);
    EXPECT_EQ(OleMessage([&] { OpenWorkbookFile(locked); }), Prefix(locked) + "アクセスが拒否されました。");
}

// The real files: every good one opens and reads as a spreadsheet shows it;
// the damaged ones are refused with a message naming the file.
TEST(WorkbookReader, OpensTheRealOfficeOpenXmlFiles)
{
    const auto folder = SharedDir() / "workbooks/public";
    if (!std::filesystem::exists(folder))
        GTEST_SKIP() << "no shared workbooks at " << folder;
    const std::set<std::string> damaged = {"issue252.xlsx", "pass_protected.xlsx"};
    int opened = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const auto ext = entry.path().extension();
        if (ext != ".xlsx" && ext != ".xlsm")
            continue;
        const auto name = entry.path().filename().string();
        SCOPED_TRACE(name);
        if (damaged.count(name)) {
            const auto message = OleMessage([&] { OpenWorkbookFile(entry.path()); });
            EXPECT_EQ(message.rfind(Prefix(entry.path()), 0), 0u) << message;
            continue;
        }
        const auto book = OpenWorkbookFile(entry.path());
        EXPECT_FALSE(book->sheets.empty());
        ++opened;
    }
    EXPECT_GE(opened, 60);

    struct Case {
        const char* file;
        std::size_t sheet;
        std::uint32_t row, column;
        const char* value;
    };
    const Case cases[] = {
        {"date.xlsx", 0, 1, 1, "2021/01/01"},
        {"date.xlsx", 0, 3, 1, "1900/01/10 15:10:10"},
        {"date_1904.xlsx", 0, 1, 1, "2021/01/01"},
        {"date_1904.xlsx", 0, 3, 1, "1904/01/11 15:10:10"},
        {"date_iso.xlsx", 0, 2, 1, "2021/01/01 10:10:10"},
        {"rph.xlsx", 0, 1, 1, "課きく　毛こ"},
        {"has_x000D_.xlsx", 0, 1, 1, "ABC\r\nDEF"},
        {"has_x000D_inline.xlsx", 0, 1, 1, "ABC\r\nDEF"},
        {"nonstandard-xml-ns-prefix.xlsx", 0, 2, 2, "3"},
        {"strict_iso_paths.xlsx", 0, 1, 2, "Thickness"},
        {"table_with_absolute_paths.xlsx", 0, 5, 2, "East"},
        {"minimal_package.xlsx", 0, 3, 1, "BKG_NUM"},
        {"issue_530.xlsx", 0, 1, 2, "于国栋"},
        {"issue_419.xlsx", 0, 1, 1, "Hello"},
        {"encoded_entities.xlsx", 0, 1, 1, "&"},
        {"inlineStr_cdata.xlsx", 0, 1, 1, "Hello CDATA"},
        {"empty_shared_string_value.xlsx", 0, 3, 2, "Berlin"},
        {"empty_shared_string_value.xlsx", 0, 2, 2, ""},
        {"non_monotonic_si.xlsx", 0, 6, 3, "18"},
        {"richtext-namespaced.xlsx", 0, 1, 1, "inline string\nLine 2\nLine 3"},
        {"richtext-after-plain.xlsx", 0, 1, 2, "abcd"},
        {"issues.xlsx", 0, 4, 1, "False"},
        {"issues.xlsx", 0, 6, 1, "2016/10/20"},
        {"issue_644.xlsx", 0, 1, 2, "1.04139268515823"},
        {"issue3.xlsm", 0, 1, 2, "a"},
        {"any_sheets.xlsx", 0, 3, 2, "6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.row) + "," + std::to_string(c.column));
        const auto book = OpenWorkbookFile(folder / c.file);
        ASSERT_LT(c.sheet, book->sheets.size());
        EXPECT_EQ(Utf16ToUtf8(ValueText(*book, book->sheets[c.sheet].Find(c.row, c.column))), c.value);
    }

    // Displayed text follows each cell's number format.
    const Case texts[] = {
        {"date_quoted_format.xlsx", 0, 1, 1, "January 2021"},
        {"date_quoted_format.xlsx", 0, 4, 1, "令和3年1月1日"},
        {"date_iso.xlsx", 0, 2, 1, "2021-01-01 10:10:10"},
        {"date_iso.xlsx", 0, 3, 1, "10:10:10"},
        {"date_1904.xlsx", 0, 3, 1, "255:10:10"},
        {"issues.xlsx", 0, 6, 1, "2016/10/20"},
        {"issues.xlsx", 0, 4, 1, "FALSE"},
    };
    for (const auto& c : texts) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.row) + "," + std::to_string(c.column));
        const auto book = OpenWorkbookFile(folder / c.file);
        EXPECT_EQ(Utf16ToUtf8(DisplayText(*book, book->sheets[c.sheet].Find(c.row, c.column))), c.value);
    }

    // Chart sheets are no worksheets; hidden sheets are.
    const auto anySheets = OpenWorkbookFile(folder / "any_sheets.xlsx");
    ASSERT_EQ(anySheets->sheets.size(), 3u);
    EXPECT_EQ(anySheets->sheets[1].Name(), u"Hidden");
    EXPECT_EQ(anySheets->sheets[2].Name(), u"VeryHidden");

    const auto errors = OpenWorkbookFile(folder / "errors.xlsx");
    const char* shown[] = {"#DIV/0!", "#NAME?", "#VALUE!", "#NULL!", "#REF!", "#NUM!", "#N/A"};
    for (std::uint32_t row = 1; row <= 7; ++row) {
        const auto* cell = errors->sheets[0].Find(row, 1);
        EXPECT_EQ(Utf16ToUtf8(DisplayText(*errors, cell)), shown[row - 1]);
        EXPECT_THROW(ValueText(*errors, cell), EVariantError);
    }
}

} // namespace
