#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "app/TMainWindowLogic.h"
#include "generation/EndToEnd.h"
#include "settings/TProject.h"
#include "support/TestSupport.h"
#include "FakeMainView.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::U;

namespace {

UnicodeString P(const fs::path& path)
{
    return FromPath(path);
}

// A main window over a fake, with its settings file in a fresh folder.
struct Window {
    TempDir dir;
    FakeMainView view;
    TMainWindowLogic logic{view, P(dir / "config/tabloom.ini")};

    UnicodeString Config() const { return P(dir / "config/tabloom.ini"); }
    UnicodeString WriteProject(const std::string& name, const TProject& project) const
    {
        const UnicodeString path = P(dir / name);
        project.SaveToFile(path);
        return path;
    }
};

const TProject Shop(u"/w/card.html", 1, u"/w/list.xlsx", u"/w/out", 2);

} // namespace

TEST(MainWindowProject, OpenSetsCaptionHistoryAndTheFileSaveWritesTo)
{
    Window w;
    const UnicodeString path = w.WriteProject("a.tbm", Shop);
    w.view.fileAnswers.push_back(path);
    w.logic.ActionFileOpen();
    EXPECT_EQ(w.view.caption, u"tabloom - a.tbm");
    EXPECT_EQ(w.view.status, u"ファイルを開きました。");
    EXPECT_EQ(w.logic.Config().History().front(), path);
    EXPECT_EQ(w.view.edits[TMainEdit::TemplateFilePath], u"/w/card.html");
    EXPECT_EQ(w.view.lists[TMainList::HtmlFileCharset], 2);
    EXPECT_EQ(w.view.dialogs.at(0).Filter, U("tabloom設定ファイル(*.TBM)|*.TBM|すべてのファイル|*.*"));

    w.view.edits[TMainEdit::SaveDirPath] = u"/w/other";
    w.logic.ActionFileSave();
    EXPECT_EQ(w.view.dialogs.size(), 1u) << "save of a current file asks nothing";
    TProject saved;
    saved.LoadFromFile(path);
    EXPECT_EQ(saved.HtmlSavePath, u"/w/other");
    EXPECT_EQ(w.view.status, u"ファイルに保存しました。");
    EXPECT_EQ(w.view.busyDepth, 0);
}

TEST(MainWindowProject, OpeningANameThatDoesNotExistGivesTheEmptyProjectUnderIt)
{
    Window w;
    w.view.edits[TMainEdit::TemplateFilePath] = u"/typed";
    const UnicodeString path = P(w.dir / "new.tbm");
    w.view.fileAnswers.push_back(path);
    w.logic.ActionFileOpen();
    EXPECT_EQ(w.view.caption, u"tabloom - new.tbm");
    EXPECT_EQ(w.view.edits[TMainEdit::TemplateFilePath], u"");
    EXPECT_EQ(w.logic.Config().History().front(), path);
    EXPECT_TRUE(w.view.warnings.empty());
}

TEST(MainWindowProject, FailuresAreShownAndLeaveTheFileName)
{
    Window w;
    const UnicodeString path = w.WriteProject("a.tbm", Shop);
    w.logic.OpenProjectFile(path);

    // A folder cannot be read as a project: the window stays as it was.
    fs::create_directory(w.dir / "folder.tbm");
    w.logic.OpenProjectFile(P(w.dir / "folder.tbm"));
    ASSERT_EQ(w.view.warnings.size(), 1u);
    EXPECT_EQ(w.view.status, w.view.warnings[0]);
    EXPECT_EQ(w.view.edits[TMainEdit::TemplateFilePath], u"/w/card.html");
    EXPECT_EQ(w.view.caption, u"tabloom - a.tbm");

    // A write that fails still moves the baseline; name and caption stay.
    w.view.edits[TMainEdit::ExcelFilePath] = u"/w/changed.xlsx";
    w.view.fileAnswers.push_back(P(w.dir / "missing/b.tbm"));
    w.logic.ActionFileSaveAs();
    ASSERT_EQ(w.view.warnings.size(), 2u);
    EXPECT_EQ(w.view.status, w.view.warnings[1]);
    EXPECT_EQ(w.logic.FileName(), path);
    EXPECT_EQ(w.view.caption, u"tabloom - a.tbm");
    EXPECT_TRUE(w.logic.CloseQuery());
    EXPECT_TRUE(w.view.questions.empty());
    EXPECT_EQ(w.view.busyDepth, 0);
}

TEST(MainWindowProject, NewDiscardsChangesWithoutAskingAndListsOutsideTheRangeShowNothing)
{
    Window w;
    w.logic.OpenProjectFile(w.WriteProject("a.tbm", Shop));
    w.view.edits[TMainEdit::SaveDirPath] = u"/changed";
    w.logic.ActionFileNew();
    EXPECT_TRUE(w.view.questions.empty());
    EXPECT_EQ(w.view.caption, u"tabloom");
    EXPECT_EQ(w.view.edits[TMainEdit::SaveDirPath], u"");
    EXPECT_EQ(w.logic.FileName(), u"");

    w.logic.ProjectToForm(TProject(u"", 7, u"", u"", -1));
    EXPECT_EQ(w.view.lists[TMainList::TemplateFileCharset], -1);
    EXPECT_EQ(w.view.lists[TMainList::HtmlFileCharset], -1);
    EXPECT_TRUE(w.logic.FormToProject().SameAs(TProject(u"", 0, u"", u"", 0)));
}

TEST(MainWindowClose, TheQuestionAndItsThreeAnswers)
{
    Window w;
    const UnicodeString path = w.WriteProject("a.tbm", Shop);
    w.logic.OpenProjectFile(path);

    // Changing a list and changing it back is no change; letter case is one.
    w.view.lists[TMainList::TemplateFileCharset] = 0;
    w.view.lists[TMainList::TemplateFileCharset] = 1;
    EXPECT_TRUE(w.logic.CloseQuery());
    EXPECT_TRUE(w.view.questions.empty());

    w.view.edits[TMainEdit::TemplateFilePath] = u"/w/Card.html";
    w.view.answers = {TConfirmAnswer::Cancel};
    EXPECT_FALSE(w.logic.CloseQuery());
    EXPECT_EQ(w.view.questions.back(), U("設定が変更されています。ファイルに保存しますか？"));

    w.view.answers = {TConfirmAnswer::No};
    EXPECT_TRUE(w.logic.CloseQuery());
    TProject onDisk;
    onDisk.LoadFromFile(path);
    EXPECT_EQ(onDisk.TemplateFilePath, u"/w/card.html");

    w.view.answers = {TConfirmAnswer::Yes};
    EXPECT_TRUE(w.logic.CloseQuery());
    onDisk.LoadFromFile(path);
    EXPECT_EQ(onDisk.TemplateFilePath, u"/w/Card.html");
}

TEST(MainWindowClose, YesClosesOnlyWhenTheSaveHappened)
{
    struct Case {
        const char* name;
        bool hasFile;
        std::optional<std::string> dialogAnswer;  // for a window without a file
        bool writable;
        bool closes;
    };
    const Case cases[] = {
        {"save dialog cancelled", false, std::nullopt, true, false},
        {"save dialog answered", false, "new.tbm", true, true},
        {"write into a missing folder fails", false, "missing/new.tbm", false, false},
        {"current file saved", true, std::nullopt, true, true},
        {"current file cannot be written", true, std::nullopt, false, false},
    };
    for (const Case& c : cases) {
        Window w;
        if (c.hasFile) {
            const UnicodeString path = w.WriteProject("a.tbm", Shop);
            w.logic.OpenProjectFile(path);
            if (!c.writable) {
                fs::remove(ToPath(path));
                fs::create_directory(ToPath(path));  // a folder where the file was
            }
        }
        if (c.dialogAnswer)
            w.view.fileAnswers.push_back(P(w.dir / *c.dialogAnswer));
        w.view.edits[TMainEdit::ExcelFilePath] = u"/w/x.xlsx";
        w.view.answers = {TConfirmAnswer::Yes};
        EXPECT_EQ(w.logic.CloseQuery(), c.closes) << c.name;
        EXPECT_EQ(w.view.warnings.empty(), c.writable) << c.name;
        if (!c.hasFile) {
            ASSERT_FALSE(w.view.dialogs.empty()) << c.name;
            EXPECT_TRUE(w.view.dialogs[0].OverwritePrompt);
            EXPECT_EQ(w.view.dialogs[0].DefaultExt, u".TBM");
        }
        EXPECT_EQ(w.view.modified, !c.closes) << c.name;
        // A window left open still holds its edits and asks again.
        w.view.answers = {TConfirmAnswer::No};
        EXPECT_TRUE(w.logic.CloseQuery()) << c.name;
        EXPECT_EQ(w.view.questions.size(), c.closes ? 1u : 2u) << c.name;
    }
}

TEST(MainWindowProject, TheModifiedMarkFollowsTheBaseline)
{
    Window w;
    EXPECT_FALSE(w.view.modified);
    w.view.edits[TMainEdit::SaveDirPath] = u"/changed";
    w.logic.UpdateModified();
    EXPECT_TRUE(w.view.modified);
    EXPECT_EQ(w.view.caption, u"tabloom") << "the caption itself stays as it is";
    w.view.fileAnswers.push_back(P(w.dir / "a.tbm"));
    w.logic.ActionFileSaveAs();
    EXPECT_FALSE(w.view.modified);
    EXPECT_EQ(w.view.caption, u"tabloom - a.tbm");
    w.view.lists[TMainList::HtmlFileCharset] = 2;
    w.logic.UpdateModified();
    EXPECT_TRUE(w.view.modified);
    w.logic.OpenProjectFile(P(w.dir / "a.tbm"));
    EXPECT_FALSE(w.view.modified);
    w.view.edits[TMainEdit::SaveDirPath] = u"/again";
    w.logic.UpdateModified();
    w.logic.ActionFileNew();
    EXPECT_FALSE(w.view.modified);
}

TEST(MainWindowClose, ClosingWritesBoundsAndTheCurrentFile)
{
    Window w;
    const UnicodeString path = w.WriteProject("a.tbm", Shop);
    w.logic.OpenProjectFile(path);
    FakeGeometry geometry;
    geometry.state = TWindowGeometry::wsMaximized;
    w.logic.Closing(geometry);

    TConfig read;
    read.LoadFromFile(w.Config());
    EXPECT_EQ(read.LastProjectFile, path);
    EXPECT_EQ(read.GetWindowState(), 2);
    EXPECT_EQ(read.WindowPositionRight, 440);
    EXPECT_EQ(read.History().front(), path);
}

TEST(MainWindowHistory, CaptionsAndAnEntryWhoseFileIsGone)
{
    Window w;
    const UnicodeString a = w.WriteProject("a.tbm", Shop);
    const UnicodeString b = w.WriteProject("b.tbm", TProject(u"/b", 0, u"", u"", 0));
    w.logic.OpenProjectFile(a);
    w.logic.OpenProjectFile(b);
    EXPECT_EQ(w.logic.ReopenCaptions(), (std::vector<UnicodeString>{u"&0." + b, u"&1." + a}));

    w.logic.ReopenHistory(1);
    EXPECT_EQ(w.logic.FileName(), a);
    EXPECT_EQ(w.view.edits[TMainEdit::TemplateFilePath], u"/w/card.html");

    fs::remove(ToPath(b));
    w.view.status.clear();
    w.logic.ReopenHistory(1);
    EXPECT_EQ(w.logic.FileName(), a) << "nothing opened";
    EXPECT_TRUE(w.view.warnings.empty());
    EXPECT_EQ(w.view.status, u"");
    EXPECT_EQ(w.logic.ReopenCaptions(), std::vector<UnicodeString>{u"&0." + a});
}

TEST(MainWindowStartup, LastProjectBareArgumentAndAutoRun)
{
    struct Case {
        const char* name;
        bool restore;
        bool lastExists;
        std::vector<std::string> args;
        std::string expectedFile;  // "last", "bare" or ""
    };
    const Case cases[] = {
        {"restore on, file there", true, true, {}, "last"},
        {"restore on, file deleted", true, false, {}, ""},
        {"restore off", false, true, {}, ""},
        {"bare project argument", false, true, {"bare.tbm"}, "bare"},
        {"bare argument beats the last project", true, true, {"bare.tbm"}, "bare"},
        {"options without -a are dropped", true, true, {"-t=/x.html"}, "last"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const UnicodeString config = P(dir / "tabloom.ini");
        const UnicodeString last = P(dir / "last.tbm");
        const UnicodeString bare = P(dir / "bare.tbm");
        if (c.lastExists)
            TProject(u"/last.html", 0, u"", u"", 0).SaveToFile(last);
        TProject(u"/bare.html", 0, u"", u"", 0).SaveToFile(bare);
        TConfig stored;
        stored.ProjectFileRestore = c.restore;
        stored.LastProjectFile = last;
        stored.SaveToFile(config);

        FakeMainView view;
        TMainWindowLogic logic(view, config);
        std::vector<UnicodeString> args;
        for (const std::string& a : c.args)
            args.push_back(a == "bare.tbm" ? bare : U(a));
        FakeGeometry geometry;
        logic.StartupIdle(args, geometry);
        const UnicodeString expected = c.expectedFile == "last" ? last : c.expectedFile == "bare" ? bare : u"";
        EXPECT_EQ(logic.FileName(), expected) << c.name;
        EXPECT_EQ(view.caption, expected.empty() ? u"tabloom" : u"tabloom - " + expected.substr(expected.rfind(u'/') + 1))
            << c.name;
        EXPECT_TRUE(view.warnings.empty()) << c.name;
        EXPECT_TRUE(view.progressRuns.empty()) << c.name;
    }
}

TEST(MainWindowStartup, ABareArgumentMustNameAProject)
{
    TempDir dir;
    fs::create_directories(dir / "work");
    TProject(u"/p.html", 0, u"", u"", 0).SaveToFile(P(dir / "work/p.tbm"));
    testsupport::WriteFile(dir / "work/page.html", "<html><!--- excel quit=A1 type=card ---></html>\n");
    struct Case {
        const char* name;
        std::string arg;
        std::string expectedFile;  // "" when the empty project stays
        std::string warning;
    };
    const Case cases[] = {
        {"relative argument made absolute", "p.tbm", "work/p.tbm", ""},
        {"dot segments dropped", "./../work/p.tbm", "work/p.tbm", ""},
        {"missing project", "missing.tbm", "", "プロジェクトファイルが見つかりません。\n"},
        {"a template is no project", "page.html", "", "tabloomのプロジェクトファイルではありません。\n"},
        {"a folder is no project", ".", "", "プロジェクトファイルが見つかりません。\n"},
    };
    const fs::path started = fs::current_path();
    for (const Case& c : cases) {
        fs::current_path(dir.Path() / "work");
        TConfig stored;
        stored.ProjectFileRestore = true;
        stored.LastProjectFile = P(dir / "work/p.tbm");
        stored.SaveToFile(P(dir / "tabloom.ini"));
        FakeMainView view;
        TMainWindowLogic logic(view, P(dir / "tabloom.ini"));
        FakeGeometry geometry;
        logic.StartupIdle({U(c.arg)}, geometry);
        fs::current_path(started);

        const UnicodeString expected = c.expectedFile.empty() ? u"" : P(dir / c.expectedFile);
        EXPECT_EQ(logic.FileName(), expected) << c.name;
        if (c.warning.empty()) {
            EXPECT_TRUE(view.warnings.empty()) << c.name;
            EXPECT_EQ(logic.Config().History().front(), expected) << c.name;
            continue;
        }
        ASSERT_EQ(view.warnings.size(), 1u) << c.name;
        EXPECT_EQ(view.warnings[0].rfind(U(c.warning), 0), 0u) << c.name;
        EXPECT_NE(view.warnings[0].find(P(dir / "work")), UnicodeString::npos) << "names the file: " << c.name;
        EXPECT_EQ(view.caption, u"tabloom") << c.name;
        EXPECT_EQ(logic.Config().HistoryCount(), 0) << c.name;
        EXPECT_EQ(view.edits[TMainEdit::TemplateFilePath], u"") << "not the last project either: " << c.name;
    }
    // The template was not touched.
    EXPECT_EQ(testsupport::ReadFile(dir / "work/page.html"), "<html><!--- excel quit=A1 type=card ---></html>\n");
}

TEST(MainWindowStartup, AutoRunMakesThePagesClosesAndLeavesNoLastProject)
{
    e2e::Job job({{"Sheet1", {e2e::S("A1", "x")}}});
    job.SetTemplate("<!--- excel quit=A1 type=card --->x");
    for (const bool made : {true, false}) {
        TempDir dir;
        const UnicodeString config = P(dir / "tabloom.ini");
        const UnicodeString last = P(dir / "last.tbm");
        Shop.SaveToFile(last);
        TConfig stored;
        stored.ProjectFileRestore = true;
        stored.LastProjectFile = last;
        stored.SaveToFile(config);

        FakeMainView view;
        TMainWindowLogic logic(view, config);
        view.progressResult = made;
        const std::vector<UnicodeString> args = {
            u"-a", u"-t=" + P(job.Template()), u"-x=" + P(job.Workbook()), u"-d=" + P(job.Output()),
            u"-te=1", u"-de=1", last};
        FakeGeometry geometry;
        logic.StartupIdle(args, geometry);
        EXPECT_EQ(view.progressRuns, std::vector<bool>{true});
        EXPECT_EQ(view.closeRequests, 1);
        EXPECT_EQ(logic.ExitCode(), made ? 0 : 1);
        EXPECT_EQ(logic.FileName(), u"") << "-a wins over the project arguments";
        EXPECT_TRUE(logic.SavedProject().SameAs(logic.FormToProject()));
        EXPECT_EQ(logic.SavedProject().ExcelFilePath, P(job.Workbook()));

        EXPECT_TRUE(logic.CloseQuery());
        EXPECT_TRUE(view.questions.empty());
        logic.Closing(geometry);
        TConfig read;
        read.LoadFromFile(config);
        EXPECT_EQ(read.LastProjectFile, u"");
    }
}

TEST(MainWindowStartup, AutoRunWithABadPathStaysOpenAndFails)
{
    Window w;
    FakeGeometry geometry;
    w.logic.StartupIdle({u"-a", u"-t=/nonexistent/t.html", u"-x=/nonexistent/b.xlsx", u"-d=/tmp"}, geometry);
    EXPECT_EQ(w.view.warnings, std::vector<UnicodeString>{U("テンプレートファイルが見つかりません。")});
    EXPECT_TRUE(w.view.progressRuns.empty());
    EXPECT_EQ(w.view.closeRequests, 0);
    EXPECT_EQ(w.view.edits[TMainEdit::TemplateFilePath], u"/nonexistent/t.html");
    EXPECT_EQ(w.logic.ExitCode(), 1);
}

TEST(MainWindowInput, DialogsFillTheFields)
{
    Window w;
    w.view.edits[TMainEdit::TemplateFilePath] = u"/w/old.html";
    w.view.lists[TMainList::TemplateFileCharset] = 2;
    w.view.templateAnswers.push_back(TCharsetFileChoice{u"/w/new.html", 1});
    w.logic.ActionTemplateFileSelect();
    EXPECT_EQ(w.view.dialogs.back().FileName, u"/w/old.html");
    EXPECT_EQ(w.view.dialogs.back().DefaultExt, u".html");
    EXPECT_EQ(w.view.templateDialogCharset, 2);
    EXPECT_EQ(w.view.edits[TMainEdit::TemplateFilePath], u"/w/new.html");
    EXPECT_EQ(w.view.lists[TMainList::TemplateFileCharset], 1);

    w.view.edits[TMainEdit::ExcelFilePath] = u"/w/old.xlsx";
    w.logic.ActionExcelFileSelect();  // cancelled
    EXPECT_EQ(w.view.edits[TMainEdit::ExcelFilePath], u"/w/old.xlsx");
    EXPECT_EQ(w.view.dialogs.back().Filter.rfind(U("Excelファイル(*.xls;*.xlsx)|*.xls;*.xlsx|"), 0), 0u)
        << "the Excel filter comes first";
    EXPECT_NE(w.view.dialogs.back().Filter.find(u"*.xlsx;*.xlsm;*.ods;*.csv;*.xls"), UnicodeString::npos);

    w.view.fileAnswers.push_back(u"/w/pages");
    w.logic.ActionSaveDirSelect();
    EXPECT_EQ(w.view.folderCaption, U("HTMLファイルの保存場所を選択してください。"));
    EXPECT_EQ(w.view.edits[TMainEdit::SaveDirPath], u"/w/pages");
    EXPECT_FALSE(w.logic.CloseQuery()) << "chosen files are unsaved changes";
}

TEST(MainWindowInput, EachKindOfDialogStartsWhereItWasLastLeft)
{
    Window w;
    w.view.templateAnswers.push_back(TCharsetFileChoice{u"/w/templates/a.html", 0});
    w.logic.ActionTemplateFileSelect();
    w.view.fileAnswers = {u"/w/books/b.xlsx"};
    w.logic.ActionExcelFileSelect();
    w.view.fileAnswers = {u"/w/out"};
    w.logic.ActionSaveDirSelect();
    w.view.fileAnswers = {P(w.dir / "p.tbm")};
    w.logic.ActionFileSaveAs();
    w.view.fileAnswers = {P(w.dir / "batch/run.sh")};
    w.logic.ActionFileMakeBatFile();
    FakeGeometry geometry;
    w.logic.Closing(geometry);

    // The next session's dialogs start in those folders, each in its own.
    FakeMainView view;
    TMainWindowLogic logic(view, w.Config());
    logic.ActionTemplateFileSelect();
    logic.ActionExcelFileSelect();
    logic.ActionFileOpen();
    logic.ActionSaveDirSelect();
    ASSERT_EQ(view.dialogs.size(), 3u);
    EXPECT_EQ(view.dialogs[0].Folder, u"/w/templates");
    EXPECT_EQ(view.dialogs[1].Folder, u"/w/books");
    EXPECT_EQ(view.dialogs[2].Folder, P(w.dir.Path()));
    EXPECT_EQ(view.dialogs[2].FileName, u"") << "the open dialog still starts without a name";
    EXPECT_EQ(view.folderStart, u"/w/out");
    EXPECT_EQ(logic.Config().DialogFolders.Batch, P(w.dir / "batch"));
}

TEST(MainWindowTray, HiddenOnlyWithTheSwitchAndATray)
{
    for (const bool inTray : {false, true})
        for (const bool available : {false, true}) {
            Window w;
            w.logic.Config().InTaskTray = inTray;
            w.view.trayAvailable = available;
            w.logic.ApplicationMinimized();
            const bool hidden = inTray && available;
            EXPECT_EQ(w.view.visible, !hidden) << inTray << available;
            EXPECT_EQ(w.view.trayShown, hidden) << inTray << available;
            if (hidden) {
                w.logic.TrayIconClicked();
                EXPECT_TRUE(w.view.visible);
                EXPECT_FALSE(w.view.trayShown);
            }
        }
}

TEST(MainWindowCheck, FindingsGoToTheListWindowAndNothingIsWritten)
{
    Window w;
    const e2e::Job job({{"Sheet1", {e2e::S("A1", "a"), e2e::S("A2", "b")}}});
    job.SetTemplate("<!--- excel quit=A1 type=card --->\n<!--- cell name=B1 --->");
    w.view.edits[TMainEdit::TemplateFilePath] = P(job.Template());
    w.view.edits[TMainEdit::ExcelFilePath] = P(job.Workbook());
    w.view.edits[TMainEdit::SaveDirPath] = P(job.Output());
    w.view.lists[TMainList::TemplateFileCharset] = 1;
    w.view.lists[TMainList::HtmlFileCharset] = 1;
    w.logic.ActionCheckTemplate();
    ASSERT_EQ(w.view.checkLists.size(), 1u);
    EXPECT_EQ(w.view.checkLists[0],
              (std::vector<UnicodeString>{
                  P(job.Template()) + u":2:1: cellタグのセルがすべてのレコードで空です。列や行の指定を確かめてください。",
                  u"作成されるHTMLファイル: 2件", u"読み込むシート: 1"}));
    EXPECT_TRUE(w.view.warnings.empty());
    EXPECT_FALSE(fs::exists(job.Output()));
    EXPECT_EQ(w.view.busyDepth, 0);

    // A missing input is a box, as for the job, and no list.
    w.view.edits[TMainEdit::ExcelFilePath] = P(job.Root() / "none.xlsx");
    w.logic.ActionCheckTemplate();
    EXPECT_EQ(w.view.warnings, std::vector<UnicodeString>{U("Excelファイルが見つかりません。")});
    EXPECT_EQ(w.view.checkLists.size(), 1u);
}
