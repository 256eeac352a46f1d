#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "app/TMainWindowLogic.h"
#include "app/TPreviewLogic.h"
#include "support/TestSupport.h"
#include "FakeMainView.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::U;
using testsupport::WriteFile;

namespace {

class FakePreviewView : public TPreviewView {
public:
    void ShowPage(const TPreviewPage& page) override
    {
        ++renders;
        shown = page;
        failure.reset();
    }
    void ShowFailure(const UnicodeString& message, long long number) override
    {
        ++renders;
        failure = message;
        failureNumber = number;
    }
    void WatchFiles(const std::vector<UnicodeString>& paths) override { watched = paths; }
    bool OpenInBrowser(const std::string& bytes) override
    {
        opened.push_back(bytes);
        return true;
    }
    void ShowWarning(const UnicodeString& message) override { warnings.push_back(message); }
    void BeginBusyCursor() override {}
    void EndBusyCursor() override {}

    int renders = 0;
    TPreviewPage shown;
    std::optional<UnicodeString> failure;
    long long failureNumber = 0;
    std::vector<UnicodeString> watched;
    std::vector<std::string> opened;
    std::vector<UnicodeString> warnings;
};

const std::string Card = "<!--- excel quit=A1 type=card ---><p><!--- cell name=B1 ---></p>";

struct Preview {
    TempDir dir;
    FakePreviewView view;
    TPreviewLogic logic{view};

    explicit Preview(const std::string& templateText, const std::string& book = "r1,one\nr2,two\nr3,three\n")
    {
        WriteFile(dir / "t.html", templateText);
        WriteFile(dir / "book.csv", book);
    }
    TProject Project(const std::string& templateName = "t.html") const
    {
        return TProject(FromPath(dir / templateName), 1, FromPath(dir / "book.csv"), u"", 1);
    }
};

TEST(PreviewLogic, StepsThroughRecordsAndRunsAndStaysInRange)
{
    enum Step { Next, Previous, Go };
    struct Move {
        Step step;
        long long number;  // for Go
        long long shown;
        const char* text;
        bool last;
    };
    struct Case {
        std::string templateText;
        bool list;
        std::vector<Move> moves;
    };
    const Case cases[] = {
        {Card, false,
         {{Next, 0, 2, "<p>two</p>", false},
          {Next, 0, 3, "<p>three</p>", true},
          {Next, 0, 3, "<p>three</p>", true},
          {Previous, 0, 2, "<p>two</p>", false},
          {Go, 99, 3, "<p>three</p>", true},
          {Go, 0, 1, "<p>one</p>", false},
          {Previous, 0, 1, "<p>one</p>", false}}},
        {"<!--- excel quit=A1 type=list --->[<!--- loop_start maxcount=2 ---><!--- cell name=B1 ---><!--- loop_end --->]",
         true,
         {{Next, 0, 2, "[three]", true}, {Previous, 0, 1, "[onetwo]", false}, {Go, 5, 2, "[three]", true}}},
    };
    for (const Case& c : cases) {
        Preview p(c.templateText);
        p.logic.SetProject(p.Project());
        EXPECT_EQ(p.view.shown.Number, 1);
        EXPECT_EQ(p.view.shown.List, c.list);
        for (const Move& m : c.moves) {
            SCOPED_TRACE(std::to_string(m.step) + " " + std::to_string(m.number));
            if (m.step == Next)
                p.logic.Next();
            else if (m.step == Previous)
                p.logic.Previous();
            else
                p.logic.ShowNumber(m.number);
            EXPECT_EQ(p.logic.Number(), m.shown);
            EXPECT_EQ(p.view.shown.Number, m.shown);
            EXPECT_EQ(p.view.shown.Text, U(m.text));
            EXPECT_EQ(p.view.shown.Last, m.last);
            EXPECT_EQ(p.view.shown.Bytes, "\xEF\xBB\xBF" + std::string(m.text));
        }
    }
}

TEST(PreviewLogic, SavesRenderAgainAtTheSamePositionAndErrorsKeepIt)
{
    Preview p(Card);
    p.logic.SetProject(p.Project());
    EXPECT_EQ(p.view.watched, (std::vector<UnicodeString>{FromPath(p.dir / "t.html"), FromPath(p.dir / "book.csv")}));
    p.logic.ShowNumber(2);
    const int renders = p.view.renders;
    // Events for other files of the folder render nothing.
    EXPECT_FALSE(p.logic.FilesChanged());
    EXPECT_EQ(p.view.renders, renders);

    WriteFile(p.dir / "t.html", "<!--- excel quit=A1 type=card --->NEW <!--- cell name=B1 --->");
    EXPECT_TRUE(p.logic.FilesChanged());
    EXPECT_EQ(p.view.shown.Number, 2);
    EXPECT_EQ(p.view.shown.Text, u"NEW two");

    WriteFile(p.dir / "t.html", "<!--- excel quit=A1 type=cardx --->");
    EXPECT_TRUE(p.logic.FilesChanged());
    EXPECT_TRUE(p.logic.Failed());
    ASSERT_TRUE(p.view.failure);
    EXPECT_EQ(p.view.failure->rfind(u"excelタグに間違いがあります。(type=cardx)", 0), 0u);
    EXPECT_EQ(p.view.failureNumber, 2);
    p.logic.OpenInBrowser();
    EXPECT_TRUE(p.view.opened.empty());
    EXPECT_EQ(p.view.warnings, std::vector<UnicodeString>{u"ブラウザで開くページがありません。"});

    WriteFile(p.dir / "t.html", Card);
    EXPECT_TRUE(p.logic.FilesChanged());
    EXPECT_FALSE(p.logic.Failed());
    EXPECT_EQ(p.view.shown.Text, u"<p>two</p>");
    p.logic.OpenInBrowser();
    EXPECT_EQ(p.view.opened, std::vector<std::string>{"\xEF\xBB\xBF<p>two</p>"});

    // The workbook shrinks below the position: the last page shows.
    WriteFile(p.dir / "book.csv", "r1,uno\n");
    EXPECT_TRUE(p.logic.FilesChanged());
    EXPECT_EQ(p.view.shown.Number, 1);
    EXPECT_EQ(p.view.shown.Text, u"<p>uno</p>");

    // The same files again keep the position; another template starts at 1.
    WriteFile(p.dir / "book.csv", "r1,one\nr2,two\nr3,three\n");
    p.logic.ShowNumber(3);
    p.logic.SetProject(p.Project());
    EXPECT_EQ(p.view.shown.Number, 3);
    WriteFile(p.dir / "u.html", Card);
    p.logic.SetProject(p.Project("u.html"));
    EXPECT_EQ(p.view.shown.Number, 1);
}

TEST(PreviewLogic, MainWindowOpensThePreviewOnlyOnFoundInputs)
{
    struct PreviewingView : FakeMainView {
        void ShowPreviewWindow(const TProject& project) override { previews.push_back(project); }
        std::vector<TProject> previews;
    };
    TempDir dir;
    PreviewingView view;
    TMainWindowLogic logic(view, FromPath(dir / "tabloom.ini"));
    WriteFile(dir / "t.html", Card);
    view.edits[TMainEdit::TemplateFilePath] = FromPath(dir / "t.html");
    view.edits[TMainEdit::ExcelFilePath] = FromPath(dir / "book.csv");
    view.edits[TMainEdit::SaveDirPath] = FromPath(dir / "out");
    logic.ActionPreview();
    EXPECT_EQ(view.warnings, std::vector<UnicodeString>{u"Excelファイルが見つかりません。"});
    EXPECT_TRUE(view.previews.empty());

    WriteFile(dir / "book.csv", "r1,one\n");
    view.lists[TMainList::TemplateFileCharset] = 1;
    view.lists[TMainList::HtmlFileCharset] = -1;  // no selection: as F5 would run it
    logic.ActionPreview();
    ASSERT_EQ(view.previews.size(), 1u);
    EXPECT_EQ(view.previews[0].TemplateFileEncoding, 1);
    EXPECT_EQ(view.previews[0].HtmlEncoding, -1);
    EXPECT_FALSE(fs::exists(dir / "out"));  // the preview makes no output folder
}

} // namespace
