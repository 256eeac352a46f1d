#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "settings/TConfig.h"
#include "settings/TIniFile.h"
#include "settings/TSpecialFolder.h"
#include "support/TestSupport.h"
#include "text/Exception.h"
#include "text/TConvert.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::U;
using testsupport::WriteFile;

namespace {

// Records what the settings do to a window.
class TFakeWindow : public TWindowGeometry {
public:
    State GetState() const override { return state; }
    void SetState(State s) override
    {
        state = s;
        calls.push_back("state " + std::to_string(s));
    }
    std::optional<TWindowRect> GetNormalRect() const override { return normal; }
    TWindowRect GetRect() const override { return rect; }
    void SetBounds(int left, int top, int width, int height) override
    {
        calls.push_back("bounds " + std::to_string(left) + " " + std::to_string(top) + " " +
                        std::to_string(width) + " " + std::to_string(height));
    }
    void Hide() override { calls.push_back("hide"); }
    std::vector<TWindowRect> AvailableAreas() const override { return areas; }

    State state = wsNormal;
    std::vector<TWindowRect> areas;
    std::optional<TWindowRect> normal;
    TWindowRect rect;
    std::vector<std::string> calls;
};

class TRecordingWarning : public TConfigWarning {
public:
    void ShowWarning(const UnicodeString& message) override { messages.push_back(message); }
    std::vector<UnicodeString> messages;
};

TEST(TConfig, DefaultsOfNewObjectsAndOfAMissingFile)
{
    const TConfigBase base;
    EXPECT_EQ(base.WindowPositionRight, 800);
    EXPECT_EQ(base.WindowPositionBottom, 600);
    const TConfig config;
    EXPECT_EQ(config.WindowPositionRight, 434);
    EXPECT_EQ(config.WindowPositionBottom, 327);

    TempDir dir;
    TConfig loaded;
    loaded.WindowPositionRestore = loaded.ProjectFileRestore = loaded.InTaskTray = true;
    loaded.WindowPositionLeft = 5;
    loaded.SetWindowState(2);
    loaded.AddHistory(u"/x.tbm");
    loaded.LoadFromFile(FromPath(dir / "missing.ini"));
    EXPECT_FALSE(loaded.WindowPositionRestore);
    EXPECT_EQ(loaded.WindowPositionLeft, 0);
    EXPECT_EQ(loaded.WindowPositionTop, 0);
    EXPECT_EQ(loaded.WindowPositionRight, 800);  // the reading defaults are not the design size
    EXPECT_EQ(loaded.WindowPositionBottom, 600);
    EXPECT_EQ(loaded.GetWindowState(), 0);
    EXPECT_EQ(loaded.HistoryCount(), 0);
    EXPECT_FALSE(loaded.ProjectFileRestore);
    EXPECT_EQ(loaded.LastProjectFile, u"");
    EXPECT_FALSE(loaded.InTaskTray);
    EXPECT_FALSE(fs::exists(dir / "missing.ini"));
}

TEST(TConfig, WritesTheSettingsFile)
{
    TempDir dir;
    const auto path = dir / "a" / "b" / "tabloom.ini";
    TConfig config;
    config.WindowPositionRestore = true;
    config.WindowPositionLeft = -8;
    config.WindowPositionTop = 20;
    config.SetWindowState(2);
    config.AddHistory(u"C:\\a.tbm");
    config.AddHistory(u"C:\\My Files\\b.tbm");
    config.LastProjectFile = U("/home/u/データ.tbm");
    config.InTaskTray = true;
    config.SaveToFile(FromPath(path));
    EXPECT_EQ(ReadFile(path),
              "[SYSTEM]\r\nVersion=0\r\n\r\n"
              "[STARTUP]\r\nWindowPositionRestore=1\r\nWindowPositionLeft=-8\r\nWindowPositionRight=434\r\n"
              "WindowPositionTop=20\r\nWindowPositionBottom=327\r\nWindowState=2\r\n"
              "HISTORY=\"C:\\My Files\\b.tbm\",C:\\a.tbm\r\nProjectFileRestore=0\r\n"
              "LastProjectFile=/home/u/データ.tbm\r\nInTaskTray=1\r\n\r\n");

    TConfig back;
    back.LoadFromFile(FromPath(path));
    EXPECT_TRUE(back.WindowPositionRestore);
    EXPECT_EQ(back.WindowPositionLeft, -8);
    EXPECT_EQ(back.WindowPositionTop, 20);
    EXPECT_EQ(back.WindowPositionRight, 434);
    EXPECT_EQ(back.WindowPositionBottom, 327);
    EXPECT_EQ(back.GetWindowState(), 2);
    EXPECT_EQ(back.History(), (std::vector<UnicodeString>{u"C:\\My Files\\b.tbm", u"C:\\a.tbm"}));
    EXPECT_EQ(back.LastProjectFile, U("/home/u/データ.tbm"));
    EXPECT_TRUE(back.InTaskTray);
}

TEST(TConfig, ReadsHandWrittenValues)
{
    TempDir dir;
    const auto path = dir / "tabloom.ini";
    WriteFile(path, "[startup]\nwindowstate=5\nWindowPositionRight=abc\nWindowPositionBottom=$100\n"
                    "HISTORY=C:\\a.tbm,\"C:\\My Files\\b.tbm\"\nInTaskTray=7\n");
    TConfigBase config;
    config.LoadFromFile(FromPath(path));
    EXPECT_EQ(config.GetWindowState(), 0);
    EXPECT_EQ(config.WindowPositionRight, 800);
    EXPECT_EQ(config.WindowPositionBottom, 256);
    EXPECT_EQ(config.History(), (std::vector<UnicodeString>{u"C:\\a.tbm", u"C:\\My Files\\b.tbm"}));
    EXPECT_TRUE(config.InTaskTray);
}

TEST(TConfig, SavingKeepsOtherEntriesAndItsEncoding)
{
    TempDir dir;
    const auto path = dir / "tabloom.ini";
    WriteFile(path, "\xEF\xBB\xBF[Mine]\r\nx=1\r\n\r\n[STARTUP]\r\nInTaskTray=1\r\nOwn=2\r\n");
    TConfigBase config;
    config.SaveToFile(FromPath(path));
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF[Mine]\r\nx=1\r\n\r\n[STARTUP]\r\nInTaskTray=0\r\nOwn=2\r\nWindowPositionRestore=0", 0),
              0u)
        << bytes;
}

TEST(TConfig, HistoryOfFiftyEntriesRoundTrips)
{
    TempDir dir;
    const auto path = dir / "tabloom.ini";
    TConfigBase config;
    std::vector<UnicodeString> expected;
    for (int i = 0; i < 50; ++i) {
        UnicodeString entry = U("/プロジェクト ") + IntToStr(i) + (i % 3 == 0 ? u"\"q\",x.tbm" : u".tbm");
        config.AddHistory(entry);
        expected.insert(expected.begin(), entry);
    }
    config.SaveToFile(FromPath(path));
    TConfigBase back;
    back.LoadFromFile(FromPath(path));
    EXPECT_EQ(back.History(), expected);
}

TEST(TConfig, AddHistoryDropsEntriesInAnyLetterCase)
{
    TConfigBase config;
    config.AddHistory(u"C:\\a.tbm");
    config.AddHistory(u"C:\\other.tbm");
    config.AddHistory(u"C:\\a.tbm");
    config.AddHistory(U("/Ä.tbm"));
    config.AddHistory(u"c:\\A.tbm");
    config.AddHistory(U("/ä.tbm"));
    EXPECT_EQ(config.History(), (std::vector<UnicodeString>{U("/ä.tbm"), u"c:\\A.tbm", u"C:\\other.tbm"}));
}

TEST(TConfig, GetHistoryDropsEntriesWhoseFileIsGone)
{
    TempDir dir;
    WriteFile(dir / "kept.tbm", "");
    const UnicodeString kept = FromPath(dir / "kept.tbm");
    const UnicodeString gone = FromPath(dir / "gone.tbm");
    TConfigBase config;
    config.AddHistory(kept);
    config.AddHistory(FromPath(dir.Path()));  // a folder is no project file
    config.AddHistory(gone);
    config.AddHistory(kept + UnicodeString(u"\0x", 2));

    EXPECT_EQ(config.GetHistory(-1), u"");
    EXPECT_EQ(config.GetHistory(4), u"");
    EXPECT_EQ(config.HistoryCount(), 4);
    EXPECT_EQ(config.GetHistory(0), u"");
    EXPECT_EQ(config.HistoryCount(), 3);
    EXPECT_EQ(config.GetHistory(0), u"");
    EXPECT_EQ(config.HistoryCount(), 2);
    EXPECT_EQ(config.GetHistory(0), u"");
    EXPECT_EQ(config.GetHistory(0), kept);
    EXPECT_EQ(config.History(), std::vector<UnicodeString>{kept});
}

// Two windows share one settings file: each saves its own history first and
// keeps what the other added, but not what it dropped itself.
TEST(TConfig, WindowsClosingInTurnKeepEachOthersHistory)
{
    TempDir dir;
    const UnicodeString ini = FromPath(dir / "tabloom.ini");
    WriteFile(dir / "shared.tbm", "");
    const UnicodeString shared = FromPath(dir / "shared.tbm");
    const UnicodeString gone = FromPath(dir / "gone.tbm");
    TConfigBase start;
    start.AddHistory(gone);
    start.AddHistory(shared);
    start.SaveToFile(ini);

    TConfigBase first;
    TConfigBase second;
    first.LoadFromFile(ini);
    second.LoadFromFile(ini);
    first.AddHistory(u"/a/first.tbm");
    second.AddHistory(u"/b/second.tbm");
    second.AddHistory(u"/A/FIRST.tbm");  // the same file as the first's, in other letters
    EXPECT_EQ(second.GetHistory(3), u"");  // gone.tbm no longer exists: dropped here

    first.SaveToFile(ini);
    second.SaveToFile(ini);
    TConfigBase back;
    back.LoadFromFile(ini);
    EXPECT_EQ(back.History(),
              (std::vector<UnicodeString>{u"/A/FIRST.tbm", u"/b/second.tbm", shared}));

    // The first window, saving again, keeps the second's entry but not the
    // one it dropped itself.
    first.ClearHistory();
    first.AddHistory(shared);
    first.SaveToFile(ini);
    back.LoadFromFile(ini);
    EXPECT_EQ(back.History(), (std::vector<UnicodeString>{shared, u"/b/second.tbm"}));
}

TEST(TConfig, HistoryEntriesWithLineBreaksStayOutOfTheFile)
{
    TempDir dir;
    const auto path = dir / "tabloom.ini";
    TConfigBase config;
    config.AddHistory(u"/a.tbm");
    config.AddHistory(u"/evil\n[STARTUP]\nInTaskTray=1\n.tbm");
    config.LastProjectFile = u"/evil\r\nx.tbm";
    config.SaveToFile(FromPath(path));
    EXPECT_EQ(config.HistoryCount(), 2);
    TConfigBase back;
    back.LoadFromFile(FromPath(path));
    EXPECT_EQ(back.History(), std::vector<UnicodeString>{u"/a.tbm"});
    EXPECT_EQ(back.LastProjectFile, u"");
    EXPECT_FALSE(back.InTaskTray);
}

TEST(TConfig, WindowStateSetterMapsUnknownValues)
{
    const std::pair<int, int> cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {5, 0}, {-1, 0}, {-2147483647 - 1, 0}};
    for (const auto& [in, out] : cases) {
        TConfigBase config;
        config.SetWindowState(1);
        config.SetWindowState(in);
        EXPECT_EQ(config.GetWindowState(), out) << in;
    }
}

TEST(TConfig, StoresTheRestoredRectangle)
{
    TFakeWindow window;
    window.state = TWindowGeometry::wsMaximized;
    window.normal = TWindowRect{100, 50, 900, 650};
    window.rect = TWindowRect{0, 0, 1920, 1080};
    TConfig config;
    config.StoreFormBounds(window);
    EXPECT_EQ(config.GetWindowState(), 2);
    EXPECT_EQ(config.WindowPositionLeft, 100);
    EXPECT_EQ(config.WindowPositionTop, 50);
    EXPECT_EQ(config.WindowPositionRight, 800);
    EXPECT_EQ(config.WindowPositionBottom, 600);
    EXPECT_TRUE(window.calls.empty());
}

TEST(TConfig, WithoutAPlacementTheWindowIsRestoredFirst)
{
    TFakeWindow window;
    window.state = TWindowGeometry::wsMinimized;
    window.rect = TWindowRect{10, 20, 410, 320};
    TConfig config;
    config.StoreFormBounds(window);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"state 0", "hide"}));
    EXPECT_EQ(config.GetWindowState(), 1);
    EXPECT_EQ(config.WindowPositionLeft, 10);
    EXPECT_EQ(config.WindowPositionTop, 20);
    EXPECT_EQ(config.WindowPositionRight, 400);
    EXPECT_EQ(config.WindowPositionBottom, 300);
}

TEST(TConfig, RestoresBoundsOnlyWhenAskedTo)
{
    TConfig config;
    config.WindowPositionLeft = 3;
    config.WindowPositionTop = 4;
    config.SetWindowState(2);
    TFakeWindow off;
    config.RestoreFormBounds(off);
    EXPECT_TRUE(off.calls.empty());

    config.WindowPositionRestore = true;
    TFakeWindow on;
    config.RestoreFormBounds(on);
    EXPECT_EQ(on.calls, (std::vector<std::string>{"bounds 3 4 434 327", "state 2"}));
}

TEST(TConfig, RestoredBoundsAreKeptOnAScreen)
{
    // Two screens side by side; the second one smaller and lower.
    const std::vector<TWindowRect> screens = {{0, 0, 1920, 1040}, {1920, 200, 3200, 1000}};
    struct Case {
        const char* name;
        int left, top, width, height;
        std::vector<TWindowRect> areas;
        std::string bounds;
    };
    const Case cases[] = {
        {"inside stays", 100, 50, 434, 327, screens, "bounds 100 50 434 327"},
        {"on the second screen stays", 2000, 300, 434, 327, screens, "bounds 2000 300 434 327"},
        {"monitor gone: onto the primary", 5000, 3000, 434, 327, screens, "bounds 1486 713 434 327"},
        {"left of every screen", -900, -40, 434, 327, screens, "bounds 0 0 434 327"},
        {"mostly on the second: pulled into it", 2900, 900, 434, 327, screens, "bounds 2766 673 434 327"},
        {"larger than the screen: shrunk", -10, -10, 4000, 3000, {{0, 0, 1280, 800}}, "bounds 0 0 1280 800"},
        {"huge values do not overflow", 2147483000, 2147483000, 2147483647, 2147483647, {{0, 0, 800, 600}},
         "bounds 0 0 800 600"},
        {"no screens known: as stored", -900, -40, 434, 327, {}, "bounds -900 -40 434 327"},
    };
    for (const Case& c : cases) {
        TConfig config;
        config.WindowPositionRestore = true;
        config.WindowPositionLeft = c.left;
        config.WindowPositionTop = c.top;
        config.WindowPositionRight = c.width;
        config.WindowPositionBottom = c.height;
        TFakeWindow window;
        window.areas = c.areas;
        config.RestoreFormBounds(window);
        EXPECT_EQ(window.calls, (std::vector<std::string>{c.bounds, "state 0"})) << c.name;
    }
}

TEST(TConfig, DialogFoldersHaveASectionOfTheirOwn)
{
    TempDir dir;
    const auto path = dir / "tabloom.ini";
    TConfig config;
    config.SaveToFile(FromPath(path));
    EXPECT_EQ(ReadFile(path).find("DIALOG"), std::string::npos) << "unused dialogs add nothing";

    config.DialogFolders.Excel = U("/home/u/ブック");
    config.DialogFolders.SaveDir = u"/out";
    config.DialogFolders.Batch = u"/bad\nfolder";
    config.SaveToFile(FromPath(path));
    TConfig back;
    back.LoadFromFile(FromPath(path));
    EXPECT_EQ(back.DialogFolders.Excel, U("/home/u/ブック"));
    EXPECT_EQ(back.DialogFolders.SaveDir, u"/out");
    EXPECT_EQ(back.DialogFolders.Batch, u"") << "a line break cannot be stored";
    EXPECT_EQ(back.DialogFolders.Template, u"");

    // A file written before the section existed still reads, folders empty.
    WriteFile(path, "[STARTUP]\r\nHISTORY=/a.tbm\r\n");
    TConfig old;
    old.DialogFolders.Project = u"/stale";
    old.LoadFromFile(FromPath(path));
    EXPECT_EQ(old.HistoryCount(), 1);
    EXPECT_EQ(old.DialogFolders.Project, u"");
}

TEST(TConfig, FolderThatCannotBeCreatedWarnsAndWritesNothing)
{
    TempDir dir;
    WriteFile(dir / "file", "not a folder");
    const auto path = dir / "file" / "sub" / "tabloom.ini";
    const UnicodeString message = U("設定ファイルを保存するためのフォルダの作成に失敗しました。");

    TConfigBase config;
    TRecordingWarning warning;
    config.SetWarning(&warning);
    config.SaveToFile(FromPath(path));
    EXPECT_EQ(warning.messages, std::vector<UnicodeString>{message});
    EXPECT_EQ(ReadFile(dir / "file"), "not a folder");

    TConfigBase unattended;
    try {
        unattended.SaveToFile(FromPath(path));
        FAIL() << "no warning receiver and no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

// Writes and reads one key of its own around the standard ones.
class TExtraConfig : public TConfig {
public:
    void SaveExtra(TIniFile& ini) override { ini.WriteString(u"EXTRA", u"Colour", colour); }
    void LoadExtra(const TIniFile& ini) override
    {
        colour = ini.ReadString(u"EXTRA", u"Colour", u"none");
        sawStandardKeys = HistoryCount() == 1;
    }
    UnicodeString colour = u"blue";
    bool sawStandardKeys = false;
};

TEST(TConfig, ExtraKeysGoThroughTheHooks)
{
    TempDir dir;
    const auto path = dir / "tabloom.ini";
    TExtraConfig config;
    config.AddHistory(u"/a.tbm");
    config.SaveToFile(FromPath(path));
    EXPECT_NE(ReadFile(path).find("\r\nInTaskTray=0\r\n\r\n[EXTRA]\r\nColour=blue\r\n\r\n"), std::string::npos);
    TExtraConfig back;
    back.colour = u"";
    back.LoadFromFile(FromPath(path));
    EXPECT_EQ(back.colour, u"blue");
    EXPECT_TRUE(back.sawStandardKeys);
}

// Sets or clears an environment variable for the life of the object.
class TEnv {
public:
    TEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~TEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(TSpecialFolder, ConfigFilePathFollowsTheXdgFolder)
{
    struct Case {
        const char* xdg;
        const char* folder;
        const char* expected;
    };
    const Case cases[] = {
        {"/cfg", "/cfg", "/cfg/Orvanta/tabloom/tabloom.ini"},
        {"/cfg/", "/cfg/", "/cfg/Orvanta/tabloom/tabloom.ini"},
        {nullptr, "/home/u/.config", "/home/u/.config/Orvanta/tabloom/tabloom.ini"},
        {"", "/home/u/.config", "/home/u/.config/Orvanta/tabloom/tabloom.ini"},
        {"relative/cfg", "/home/u/.config", "/home/u/.config/Orvanta/tabloom/tabloom.ini"},
    };
    TEnv home("HOME", "/home/u");
    for (const auto& c : cases) {
        TEnv xdg("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(Utf16ToUtf8(GetSpecialFolderPath(sfAppData)), c.folder);
        EXPECT_EQ(Utf16ToUtf8(ConfigFilePath()), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
}

TEST(TSpecialFolder, KindsAndUnknownCodes)
{
    EXPECT_EQ(SpecialFolderCode(sfAppData), 26);
    EXPECT_EQ(SpecialFolderCode(sfTemplates), 21);

    for (const int kind : {-1, 30, 1000}) {
        try {
            GetSpecialFolderPath(static_cast<TSpecialFolderKind>(kind));
            FAIL() << kind;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), U("指定されたコードが見つかりません。"));
        }
    }

    TEnv home("HOME", "/home/u");
    TEnv data("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(GetSpecialFolderPath(sfPrinters), u"");
    EXPECT_EQ(GetSpecialFolderPath(sfFonts), u"/home/u/.local/share/fonts");
}

} // namespace
