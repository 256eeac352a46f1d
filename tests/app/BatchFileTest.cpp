#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "app/TBatchFile.h"
#include "app/TMainWindowLogic.h"
#include "support/TestSupport.h"
#include "FakeMainView.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::U;

namespace {

struct Window {
    TempDir dir;
    FakeMainView view;
    TMainWindowLogic logic{view, FromPath(dir / "tabloom.ini")};

    void Fill(const char16_t* templ, const char16_t* book, const char16_t* out)
    {
        view.edits[TMainEdit::TemplateFilePath] = templ;
        view.edits[TMainEdit::ExcelFilePath] = book;
        view.edits[TMainEdit::SaveDirPath] = out;
    }
};

} // namespace

TEST(BatchFileCommand, TheFirstEmptyFieldStopsItWithItsLabelAndFocus)
{
    struct Case {
        const char16_t* templ;
        const char16_t* book;
        const char16_t* out;
        const char* message;
        TMainEdit focus;
    };
    const Case cases[] = {
        {u"", u"", u"", "テンプレートファイルの場所が指定されていません。", TMainEdit::TemplateFilePath},
        {u"t", u"", u"o", "Excelファイルの場所が指定されていません。", TMainEdit::ExcelFilePath},
        {u"t", u"b", u"", "HTMLファイルの保存場所が指定されていません。", TMainEdit::SaveDirPath},
    };
    for (const Case& c : cases) {
        Window w;
        w.Fill(c.templ, c.book, c.out);
        w.logic.ActionFileMakeBatFile();
        EXPECT_EQ(w.view.warnings, std::vector<UnicodeString>{U(c.message)});
        EXPECT_EQ(w.view.focused, c.focus);
        EXPECT_TRUE(w.view.dialogs.empty());
    }
    // Blanks and paths to nothing pass the check.
    Window w;
    w.Fill(u" ", u"/nothing", u" ");
    w.logic.ActionFileMakeBatFile();
    EXPECT_TRUE(w.view.warnings.empty());
    ASSERT_EQ(w.view.dialogs.size(), 1u);
    EXPECT_EQ(w.view.dialogs[0].Filter, U("バッチファイル(*.sh)|*.sh|すべてのファイル(*)|*"));
    EXPECT_EQ(w.view.dialogs[0].DefaultExt, u".sh");
    EXPECT_TRUE(w.view.dialogs[0].OverwritePrompt);
    EXPECT_EQ(w.view.status, u"") << "a cancelled dialog says nothing";
}

TEST(BatchFileCommand, WritesAnExecutableScriptAndLeavesTheProjectAlone)
{
    Window w;
    w.Fill(u"/web/card.html", u"/data/list's.xlsx", u"/web/out");
    w.view.lists[TMainList::TemplateFileCharset] = 0;
    w.view.lists[TMainList::HtmlFileCharset] = 1;
    const fs::path script = w.dir / "run.sh";
    testsupport::WriteFile(script, "old text that is longer than the script will be, to see it replaced\n");
    fs::permissions(script, fs::perms::owner_read | fs::perms::owner_write);
    w.view.fileAnswers.push_back(FromPath(script));
    w.logic.ActionFileMakeBatFile();

    EXPECT_EQ(testsupport::ReadFile(script),
              "#!/bin/sh\n'/opt/tabloom/bin/tabloom' -a '-t=/web/card.html' '-x=/data/list'\\''s.xlsx' "
              "'-d=/web/out' -te=0 -de=1\n");
    EXPECT_NE(fs::status(script).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_EQ(w.view.status, U("バッチファイルを作成しました。"));
    EXPECT_EQ(w.logic.FileName(), u"");
    EXPECT_TRUE(w.logic.Config().History().empty());
    EXPECT_FALSE(w.logic.SavedProject().SameAs(w.logic.FormToProject()));
}

TEST(BatchFileCommand, AFailedWriteIsShownAndLeavesNothing)
{
    Window w;
    w.Fill(u"t", u"b", u"o");
    w.view.fileAnswers.push_back(FromPath(w.dir / "missing/run.sh"));
    w.logic.ActionFileMakeBatFile();
    ASSERT_EQ(w.view.warnings.size(), 1u);
    EXPECT_EQ(w.view.status, w.view.warnings[0]);
    EXPECT_FALSE(fs::exists(w.dir / "missing"));
}

TEST(BatchFileScript, RelativePathsBecomeAbsolute)
{
    TempDir dir;
    const fs::path before = fs::current_path();
    fs::current_path(dir.Path());
    const std::string script = TBatchFile::MakeScript(TProject(u"t.html", 1, u"in/b.xlsx", u"", 2), u"bin/tabloom");
    fs::current_path(before);
    const std::string root = dir.Path().string();
    EXPECT_EQ(script, "#!/bin/sh\n'" + root + "/bin/tabloom' -a '-t=" + root + "/t.html' '-x=" + root +
                          "/in/b.xlsx' '-d=' -te=1 -de=2\n");
}

TEST(BatchFileScript, NamesThatAreNotUtf8KeepTheirBytes)
{
    const UnicodeString folder = FromNative("/tmp/o\xff");
    const std::string script = TBatchFile::MakeScript(TProject(u"/t.html", 1, u"/b.xlsx", folder, 1), u"/bin/tabloom");
    EXPECT_NE(script.find("'-d=/tmp/o\xff'"), std::string::npos) << script;
}

// /bin/sh drops a NUL, so the line would name another file: refused, naming
// the field, and nothing is written.
TEST(BatchFileCommand, AFieldNoShellWordCanCarryIsRefusedByName)
{
    const UnicodeString nul(u"/web/a\0b.html", 13);
    const UnicodeString loneHigh = u"/data/b" + UnicodeString(1, char16_t(0xD800)) + u".xlsx";
    const struct {
        UnicodeString templ, book, out;
        const char* field;
    } cases[] = {
        {nul, u"/b.xlsx", u"/o", "テンプレートファイルの場所"},
        {u"/t.html", loneHigh, u"/o", "Excelファイルの場所"},
        {u"/t.html", u"/b.xlsx", UnicodeString(u"/o\0", 3), "HTMLファイルの保存場所"},
    };
    for (const auto& c : cases) {
        Window w;
        w.view.edits[TMainEdit::TemplateFilePath] = c.templ;
        w.view.edits[TMainEdit::ExcelFilePath] = c.book;
        w.view.edits[TMainEdit::SaveDirPath] = c.out;
        w.view.fileAnswers.push_back(FromPath(w.dir / "run.sh"));
        w.logic.ActionFileMakeBatFile();
        ASSERT_EQ(w.view.warnings.size(), 1u) << c.field;
        EXPECT_EQ(w.view.warnings[0].rfind(U(c.field), 0), 0u) << Utf16ToUtf8(w.view.warnings[0]);
        EXPECT_FALSE(fs::exists(w.dir / "run.sh")) << c.field;
    }
}
