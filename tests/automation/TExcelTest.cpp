#include <gtest/gtest.h>

#include <xlsxwriter.h>

#include "support/TestSupport.h"
#include "automation/TExcel.h"
#include "automation/TExcelSingleton.h"
#include "support/ZipFixture.h"

using namespace Excel;
using namespace testsupport;

namespace {

// Two small workbooks written once for the whole suite.
class TExcelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new TempDir;
        {
            lxw_workbook* wb = workbook_new((*dir_ / "a.xlsx").c_str());
            lxw_worksheet* one = workbook_add_worksheet(wb, "一覧");
            lxw_worksheet* two = workbook_add_worksheet(wb, "Detail");
            worksheet_write_string(one, 4, 1, "B5 text", nullptr);   // B5
            worksheet_write_number(one, 1, 4, 3.25, nullptr);        // E2
            worksheet_write_string(two, 0, 0, "detail A1", nullptr);
            worksheet_write_formula_str(two, 1, 0, "=NA()", nullptr, "#N/A");
            workbook_close(wb);
        }
        {
            lxw_workbook* wb = workbook_new((*dir_ / "b.xlsx").c_str());
            worksheet_write_string(workbook_add_worksheet(wb, "Only"), 0, 0, "from b", nullptr);
            workbook_close(wb);
        }
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    void TearDown() override { TExcelSingleton::Release(); }

    static UnicodeString PathOf(const char* name) { return FromPath(*dir_ / name); }

    static TempDir* dir_;
};

TempDir* TExcelTest::dir_ = nullptr;

TEST_F(TExcelTest, SingletonStartsTheEngineOnceAndQuitsItOnRelease)
{
    EXPECT_EQ(TExcel::GetActive(), nullptr);  // nothing to attach to
    TExcel& excel = TExcelSingleton::GetInstance();
    EXPECT_TRUE(TExcelSingleton::Started());
    EXPECT_EQ(&TExcelSingleton::GetInstance(), &excel);

    TWorkbook book = excel.Workbooks().Open(PathOf("a.xlsx"));
    TWorksheet sheet = excel.ActiveWorkbook().Worksheets().Item(1);
    TExcelSingleton::Release();
    // The engine quit and freed the workbook: old handles now refuse work.
    EXPECT_NE(OleMessage([&] { sheet.Cells(1, 1).Text(); }), "");
    EXPECT_NE(OleMessage([&] { book.Worksheets(); }), "");
    TExcelSingleton::Release();  // a second release does nothing

    // A fresh instance starts empty.
    EXPECT_TRUE(TExcelSingleton::GetInstance().ActiveWorkbook().IsNull());
}

TEST_F(TExcelTest, CellsTakeTheColumnFirst)
{
    TExcel& excel = TExcelSingleton::GetInstance();
    excel.Workbooks().Open(PathOf("a.xlsx"));
    TWorksheet sheet = excel.ActiveWorkbook().Worksheets().Item(1);
    EXPECT_EQ(sheet.Cells(2, 5).Text(), u"B5 text");
    EXPECT_EQ(sheet.Cells(5, 2).Value(), u"3.25");
    EXPECT_EQ(sheet.Cells(5, 2).Text(), sheet.Cells(5, 2).Text());
    EXPECT_EQ(sheet.Cells(1, 1).Text(), u"");
    EXPECT_EQ(sheet.Cells(1, 1).Value(), u"");
    EXPECT_EQ(sheet.Cells(16384, 1048576).Value(), u"");
}

TEST_F(TExcelTest, SheetsByNumberAndByName)
{
    TExcel& excel = TExcelSingleton::GetInstance();
    TWorksheets sheets = excel.Workbooks().Open(PathOf("a.xlsx")).Worksheets();
    EXPECT_EQ(sheets.Item(2).Cells(1, 1).Text(), u"detail A1");
    EXPECT_EQ(sheets.Item(u"Detail").Cells(1, 1).Text(), u"detail A1");
    EXPECT_EQ(sheets.Item(u"DETAIL").Cells(1, 1).Text(), u"detail A1");  // Excel ignores case
    EXPECT_EQ(sheets.Item(U("一覧")).Cells(2, 5).Text(), u"B5 text");

    struct Case {
        std::function<void()> call;
        const char* message;
    };
    const Case cases[] = {
        {[&] { sheets.Item(0); }, "インデックスが有効範囲にありません。番号 0 のワークシートはありません。"},
        {[&] { sheets.Item(3); }, "インデックスが有効範囲にありません。番号 3 のワークシートはありません。"},
        {[&] { sheets.Item(-1); }, "インデックスが有効範囲にありません。番号 -1 のワークシートはありません。"},
        {[&] { sheets.Item(u"Nope"); }, "インデックスが有効範囲にありません。名前 \"Nope\" のワークシートはありません。"},
        {[&] { sheets.Item(u""); }, "インデックスが有効範囲にありません。名前 \"\" のワークシートはありません。"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OleMessage(c.call), c.message);
}

TEST_F(TExcelTest, CellPositionsOutsideTheSheetAreRefused)
{
    TWorksheet sheet = TExcelSingleton::GetInstance().Workbooks().Open(PathOf("a.xlsx")).Worksheets().Item(1);
    const std::pair<int, int> bad[] = {{0, 1}, {1, 0}, {16385, 1}, {1, 1048577}, {-5, 3}, {INT32_MIN, INT32_MAX}};
    for (const auto& [column, row] : bad) {
        const auto message = OleMessage([&] { sheet.Cells(column, row); });
        EXPECT_NE(message.find("セルの位置 (行 " + std::to_string(row) + ", 列 " + std::to_string(column) + ")"),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find("行 1～1048576, 列 1～16384"), std::string::npos) << message;
    }
}

TEST_F(TExcelTest, ActiveWorkbookIsTheMostRecentlyOpened)
{
    TExcel& excel = TExcelSingleton::GetInstance();
    EXPECT_TRUE(excel.ActiveWorkbook().IsNull());
    EXPECT_TRUE(TWorkbook().IsNull());
    TWorkbook a = excel.Workbooks().Open(PathOf("a.xlsx"));
    TWorkbook b = excel.Workbooks().Open(PathOf("b.xlsx"));
    EXPECT_FALSE(a.IsNull());
    EXPECT_EQ(excel.ActiveWorkbook().Worksheets().Item(1).Cells(1, 1).Text(), u"from b");

    // Handles share the workbook; dropping one closes nothing.
    {
        TWorkbook copy = b;
    }
    EXPECT_EQ(b.Worksheets().Item(1).Cells(1, 1).Text(), u"from b");

    // Opening an open workbook again activates it and gives the same book.
    TWorkbook again = excel.Workbooks().Open(PathOf("a.xlsx"));
    EXPECT_EQ(excel.ActiveWorkbook().Worksheets().Item(1).Cells(2, 5).Text(), u"B5 text");
    again.Close();
    EXPECT_NE(OleMessage([&] { a.Worksheets(); }), "");
    a = excel.Workbooks().Open(PathOf("a.xlsx"));
    excel.Workbooks().Open(PathOf("b.xlsx"));

    b.Close();
    EXPECT_EQ(excel.ActiveWorkbook().Worksheets().Item(2).Cells(1, 1).Text(), u"detail A1");
    EXPECT_NE(OleMessage([&] { b.Close(); }), "");
    EXPECT_NE(OleMessage([&] { b.Worksheets(); }), "");
    a.Close();
    EXPECT_TRUE(excel.ActiveWorkbook().IsNull());
    EXPECT_EQ(OleMessage([&] { TWorkbook().Worksheets(); }), "ブックが開かれていません。");

    // A cell handle that outlives every other handle and the close still
    // holds the book, and says it is closed.
    TRange cell = excel.Workbooks().Open(PathOf("b.xlsx")).Worksheets().Item(1).Cells(1, 1);
    EXPECT_EQ(cell.Text(), u"from b");
    excel.ActiveWorkbook().Close();
    EXPECT_EQ(OleMessage([&] { cell.Text(); }), "ブック \"b.xlsx\" は既に閉じられています。");
}

TEST_F(TExcelTest, ErrorsOfTheEngineReachTheCallerUnchanged)
{
    TExcel& excel = TExcelSingleton::GetInstance();
    const auto missing = FromPath(*dir_ / "missing.xlsx");
    EXPECT_EQ(OleMessage([&] { excel.Workbooks().Open(missing); }),
              "ファイル \"" + Utf16ToUtf8(missing) + "\" を開けません。ファイルが見つかりません。");
    EXPECT_TRUE(excel.ActiveWorkbook().IsNull());  // a failed open activates nothing

    TWorksheet detail = excel.Workbooks().Open(PathOf("a.xlsx")).Worksheets().Item(2);
    // A formula's text result that merely looks like an error stays text.
    EXPECT_EQ(detail.Cells(1, 2).Text(), u"#N/A");
    EXPECT_EQ(detail.Cells(1, 2).Value(), u"#N/A");

    excel.Quit();
    EXPECT_EQ(OleMessage([&] { excel.Workbooks().Open(PathOf("a.xlsx")); }), "Excel は既に終了しています。");
}

TEST_F(TExcelTest, ExceptionTypesCarryTheirMessages)
{
    const TExcelException e(u"Excelの起動に失敗しました。");
    EXPECT_EQ(e.Message(), U("Excelの起動に失敗しました。"));
    const Exception& base = e;  // every failure derives from the common base
    EXPECT_STREQ(base.what(), "Excelの起動に失敗しました。");
}

} // namespace
