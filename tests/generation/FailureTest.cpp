#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>

#include "generation/EndToEnd.h"
#include "generation/TFolderReason.h"
#include "support/TestSupport.h"

using namespace e2e;

namespace {

const std::vector<Sheet> OneSheet = {{"Sheet1", {S("A1", "r1"), S("A2", "r2"), S("B1", "b")}}};

const std::string LoadFailed = "エラーが発生しました。処理を中断します。\n";

TEST(Failures, TemplateErrorsStopBeforeAnyPage)
{
    struct Case {
        std::string templateText;
        std::string message;
    };
    const std::string card = "<!--- excel quit=A1 type=card --->";
    const std::string list = "<!--- excel quit=A1 type=list --->";
    const Case cases[] = {
        {"", "Excelタグが見つかりません。"},
        {"<!--- EXCEL quit=A1 type=card --->", "Excelタグが見つかりません。"},
        {card + card, "複数のExcelタグが見つかりました。"},
        {list + "<!--- loop_start ---><!--- loop_start --->", "Loopタグが重複しています。"},
        {list + "<!--- loop_end --->", "Loopタグの開始タグが見つかりません。"},
        {list + "<ul></ul>", "LOOPタグが見つかりません。一覧表示の時はLOOPタグは必須です。"},
        {card + "<!--- loop_start ---><!--- loop_end --->",
         "LOOPタグが見つかりました。1レコード1ページ表示の時はLOOPタグは使用できません。"},
        {list + "<!--- loop_start --->x", "LOOPタグが閉じていません。"},
        {"<!--- excel type=card --->", "excelタグのquit属性が設定されていません。"},
        {"<!--- excel quit=A1 --->", "excelタグのtype属性が設定されていません。"},
        {"<!--- excel quit=A --->", "excelタグに間違いがあります。(quit=A)"},
        {"<!--- excel quit='' type=card --->", "excelタグに間違いがあります。(quit=)"},
        {"<!--- excel quit=XFE1 type=card --->", "excelタグに間違いがあります。(quit=XFE1)"},
        {"<!--- excel quit=A1 line=0 type=card --->", "excelタグに間違いがあります。(line=0)"},
        {"<!--- excel quit=A1 line=1048757 --->", "excelタグに間違いがあります。(line=1048757)"},
        {"<!--- excel quit=A1 type=table --->", "excelタグに間違いがあります。(type=table)"},
        {"<!--- excel quit=A1 type=card sheet=0 --->", "excelタグに間違いがあります。(sheet=0)"},
        {"<!--- excel quit=A1 type=card sheet=1,,2 --->", "excelタグに間違いがあります。(sheet=1,,2)"},
        {"<!--- excel quit=A1 type=card sheet=1, --->", "excelタグに間違いがあります。(sheet=1,)"},
        {"<!--- excel quit=A1 type=card filename=1A --->", "excelタグに間違いがあります。(filename=1A)"},
        {"<!--- excel quit=A1 type=card skip=A0 --->", "excelタグに間違いがあります。(skip=A0)"},
        {card + "<!--- cell --->", "cellタグに間違いがあります。(name=)"},
        {card + "<!--- cell name=A1048757 --->", "cellタグに間違いがあります。(name=A1048757)"},
        {card + "<!--- cell name=A1 type=values --->", "cellタグに間違いがあります。(type=values)"},
        {card + "<!--- cell name=A1 sheetname=\"\" --->", "cellタグに間違いがあります。(sheetname=)"},
        {card + "<!--- cell name=A1 sheet=-1 --->", "cellタグに間違いがあります。(sheet=-1)"},
        {card + "<!--- cell name=A1 escape=HTML5 --->", "cellタグに間違いがあります。(escape=HTML5)"},
        {card + "<!--- cell name=A1 multiline=' p ' --->", "cellタグに間違いがあります。(multiline= p )"},
        {card + "<!--- cell name=A1 fixed=yes --->", "cellタグに間違いがあります。(fixed=yes)"},
        {list + "<!--- loop_start maxcount=0 --->", "loopタグに間違いがあります。(maxcount=0)"},
        {list + "<!--- loop_start maxcount=1048757 --->", "loopタグに間違いがあります。(maxcount=1048757)"},
        {list + "<!--- loop_start break=2C --->", "loopタグに間違いがあります。(break=2C)"},
    };
    for (const Case& c : cases) {
        Job job(OneSheet);
        job.SetTemplate(c.templateText);
        const RunResult r = job.Run();
        EXPECT_EQ(r.status, 1) << c.templateText;
        EXPECT_EQ(r.out, "テンプレートファイルを解析します。\n") << c.templateText;
        // The tag's place follows on a line of its own, when there is a tag.
        const bool placed = c.message != "Excelタグが見つかりません。";
        ASSERT_EQ(r.err.rfind(c.message + "\n", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find("テンプレートファイル 1行目 ") == c.message.size() + 1, placed) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), placed ? 3 : 2) << r.err;
        EXPECT_TRUE(r.err.ends_with("\n" + LoadFailed)) << r.err;
        EXPECT_TRUE(job.Pages().empty()) << c.templateText;
    }
}

TEST(Failures, RenderErrorsAreLoggedAndEarlierPagesStay)
{
    struct Case {
        std::string templateText;
        std::string errPrefix;
        std::size_t pages;
        std::string where;  // the location line that ends the message
    };
    const std::string cellPlace = "テンプレートファイル 1行目 35文字目: ";
    const Case cases[] = {
        // A cell tag on a sheet that does not exist fails at the first page.
        {"<!--- excel quit=A1 type=card ---><!--- cell name=A1 sheet=7 --->",
         "Cellタグで指定されたシートが見つかりません。\n<!--- cell name=A1 sheet=7 --->\n", 0,
         cellPlace + "<!--- cell name=A1 sheet=7 --->"},
        {"<!--- excel quit=A1 type=card ---><!--- cell name=A1 sheet=0 --->",
         "Cellタグで指定されたシートが見つかりません。\n<!--- cell name=A1 sheet=0 --->\n", 0,
         cellPlace + "<!--- cell name=A1 sheet=0 --->"},
        {"<!--- excel quit=A1 type=card ---><!--- cell name=A1 sheetname=nope --->",
         "Cellタグで指定されたシートが見つかりません。\n<!--- cell name=A1 sheetname=nope --->\n", 0,
         cellPlace + "<!--- cell name=A1 sheetname=nope --->"},
        // The excel tag's own sheet is missing: the first record check fails.
        {"<!--- excel quit=A1 type=card sheet=2 --->x", "Excelのセルが見つかりません。\n", 0,
         "テンプレートファイル 1行目 1文字目: <!--- excel quit=A1 type=card sheet=2 --->"},
        // A row past the grid at the second record.
        {"<!--- excel quit=A1 type=card ---><!--- cell name=A1048576 --->x", "", 1,
         cellPlace + "<!--- cell name=A1048576 --->"},
    };
    for (const Case& c : cases) {
        Job job(OneSheet);
        job.SetTemplate(c.templateText);
        const RunResult r = job.Run();
        EXPECT_EQ(r.status, 1) << c.templateText;
        EXPECT_EQ(r.out, FailedRunLines) << c.templateText;
        EXPECT_EQ(r.err.rfind(c.errPrefix, 0), 0u) << r.err;
        EXPECT_GT(r.err.size(), c.errPrefix.size() + 1) << "the underlying message follows";
        // The place follows the message, and the run's closing line ends it all.
        EXPECT_TRUE(r.err.ends_with("\n" + c.where + "\n" + FailedRunEnd)) << r.err;
        EXPECT_EQ(job.Pages().size(), c.pages) << c.templateText;
    }
}

TEST(Failures, PathChecks)
{
    Job job(OneSheet);
    job.SetTemplate("<!--- excel quit=A1 type=card --->x");
    const std::string t = "-t=" + job.Template().string();
    const std::string x = "-x=" + job.Workbook().string();
    const std::string missing = (job.Root() / "missing").string();
    testsupport::WriteFile(job.Root() / "file", "");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string folderFailed = "HTMLファイルの保存場所フォルダを作成できませんでした。\n理由: ";
    const Case cases[] = {
        {{"-a", "-t=" + missing, "-x=" + missing, "-d=" + missing}, "テンプレートファイルが見つかりません。"},
        {{"-a", "-t=" + job.Root().string(), x, "-d=" + missing}, "テンプレートファイルが見つかりません。"},
        {{"-a", t, "-x=" + missing, "-d=" + missing}, "Excelファイルが見つかりません。"},
        {{"-a", t, x, "-d=" + (job.Root() / "file" / "sub").string()}, folderFailed + "同じ名前のファイルがある"},
        {{"-a", t, x, "-d=" + (job.Root() / "file").string()}, folderFailed + "同じ名前のファイルがある"},
        {{"-a", t, x, "-d=" + (job.Root() / std::string(300, 'n')).string()}, folderFailed + "名前が長すぎる"},
        {{"-a", t, x, "-d="}, folderFailed + "保存場所が指定されていない"},
    };
    for (const Case& c : cases) {
        const RunResult r = RunTabloom(c.args);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.message + "\n");
    }
    // A missing output folder is created with its parents.
    const auto deep = job.Root() / "new" / "deeper";
    const RunResult r = RunTabloom({"-a", t, x, "-d=" + deep.string(), "-de=1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFolder(deep).size(), 2u);
}

TEST(Failures, OutputFolderInAReadOnlyPlace)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root creates folders anywhere";
    Job job(OneSheet);
    job.SetTemplate("<!--- excel quit=A1 type=card --->x");
    const auto locked = job.Root() / "locked";
    std::filesystem::create_directories(locked);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const RunResult r = RunTabloom({"-a", "-t=" + job.Template().string(), "-x=" + job.Workbook().string(),
                                    "-d=" + (locked / "out").string()});
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "HTMLファイルの保存場所フォルダを作成できませんでした。\n理由: 権限がない\n");
}

TEST(Failures, FolderReasonsForErrorsThatCannotBeStaged)
{
    const std::pair<int, const char*> cases[] = {
        {EROFS, "権限がない"}, {EPERM, "権限がない"}, {ENOSPC, "空き容量がない"}, {EDQUOT, "空き容量がない"},
        {EEXIST, "同じ名前のファイルがある"},
    };
    for (const auto& [error, reason] : cases)
        EXPECT_EQ(FolderFailureReason(error), testsupport::U(reason)) << error;
    EXPECT_EQ(FolderFailureReason(EIO), Utf8ToUtf16(std::strerror(EIO))) << "the system's own text otherwise";
}

TEST(Failures, TextNamedAsAWorkbookIsRefusedBeforeTheFolderIsMade)
{
    Job job(OneSheet);
    job.SetTemplate("<!--- excel quit=A1 type=card --->x");
    const std::string t = "-t=" + job.Template().string();
    for (const std::string name : {"book.xlsx", "book.XLSM", "book.ods", "book.xls"}) {
        const auto book = job.Root() / name;
        testsupport::WriteFile(book, "r1,b\nr2,\n");
        const auto out = job.Root() / ("out-" + name);
        const RunResult r = RunTabloom({"-a", t, "-x=" + book.string(), "-d=" + out.string()});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_EQ(r.out, "") << name;
        std::string kind = name.substr(name.find('.') + 1);
        for (char& c : kind)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(r.err, "Excelファイル \"" + book.string() + "\" は " + kind +
                             " 形式のブックではありません (中身はテキストです)。\n") << name;
        EXPECT_FALSE(std::filesystem::exists(out)) << name;
    }
    // Text under a text name is still read as text.
    for (const std::string name : {"book.csv", "book.txt"}) {
        const auto book = job.Root() / name;
        testsupport::WriteFile(book, "r1,b\nr2,\n");
        const RunResult r = RunTabloom({"-a", t, "-x=" + book.string(), "-d=" + (job.Root() / ("out-" + name)).string()});
        EXPECT_EQ(r.status, 0) << name << r.err;
    }
}

TEST(Failures, UnwritablePagesAreReported)
{
    // The second record's name is longer than a file name may be.
    const std::string longName(300, 'n');
    Job job({{"Sheet1", {S("A1", "first"), S("A2", longName)}}});
    job.SetTemplate("<!--- excel quit=A1 type=card filename=A1 --->x");
    const RunResult r = job.Run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, FailedRunLines);
    const std::string prefix = "ファイル \"" + (job.Output() / (longName + ".html")).string() + "\" を作成できません。";
    EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
    EXPECT_EQ(job.Pages(), (std::map<std::string, std::string>{{"first.html", Bom + "x"}}));
}

TEST(Failures, ReadOnlyOutputFolder)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    Job readOnly(OneSheet);
    readOnly.SetTemplate("<!--- excel quit=A1 type=card --->x");
    std::filesystem::create_directories(readOnly.Output());
    std::filesystem::permissions(readOnly.Output(), std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::owner_exec);
    const RunResult r = readOnly.Run();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("を作成できません。"), std::string::npos) << r.err;
}

TEST(Failures, BrokenWorkbookIsALoadFailure)
{
    Job job(OneSheet);
    job.SetTemplate("<!--- excel quit=A1 type=card --->x");
    testsupport::WriteFile(job.Workbook(), "PK\x03\x04 not really a zip");
    const RunResult r = job.Run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "テンプレートファイルを解析します。\n");
    EXPECT_GT(r.err.size(), LoadFailed.size());
    EXPECT_EQ(r.err.substr(r.err.size() - LoadFailed.size()), LoadFailed);
    EXPECT_TRUE(job.Pages().empty());
}

} // namespace
