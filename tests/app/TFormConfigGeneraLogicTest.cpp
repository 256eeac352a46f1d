// The settings dialog's logic and the association commands, with a fake
// dialog and a stand-in velmora (a shell script that keeps the task file).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "app/TFormConfigGeneraLogic.h"
#include "settings/TConfig.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::U;
using testsupport::WriteFile;

namespace {

class FakeView : public TFormConfigGeneraView {
public:
    explicit FakeView(fs::path program) : program_(std::move(program)) {}
    bool IsChecked(TConfigCheck box) const override { return checks_.at(box); }
    void SetChecked(TConfigCheck box, bool checked) override { checks_[box] = checked; }
    UnicodeString ProgramPath() const override { return FromPath(program_); }
    void ShowWarning(const UnicodeString& message) override { warnings.push_back(message); }

    std::vector<UnicodeString> warnings;

private:
    fs::path program_;
    std::map<TConfigCheck, bool> checks_;
};

class FakeDialog : public TConfigDialog {
public:
    FakeDialog(FakeView& view, std::function<bool(FakeView&)> user) : view_(view), logic_(view), user_(user) {}
    void SetConfig(const TConfigBase& config) override { logic_.SetConfig(config); }
    void GetConfig(TConfigBase& config) const override { logic_.GetConfig(config); }
    bool ShowModal() override { return user_(view_); }

private:
    FakeView& view_;
    TFormConfigGeneraLogic logic_;
    std::function<bool(FakeView&)> user_;
};

bool FlipAll(FakeView& view)
{
    for (TConfigCheck box : {TConfigCheck::RestoreParamFile, TConfigCheck::RestoreWindowSize, TConfigCheck::InTaskTray})
        view.SetChecked(box, !view.IsChecked(box));
    return true;
}

TEST(TFormConfigGeneraLogicTest, OnlyOkStoresTheSwitchesAndTheWholeFile)
{
    testsupport::TempDir dir;
    const UnicodeString path = FromPath(dir / "tabloom.ini");
    FakeView view(dir / "tabloom");
    TConfig config;
    config.ProjectFileRestore = true;
    config.AddHistory(u"/p/a.tbm");

    FakeDialog cancelled(view, [](FakeView& v) { FlipAll(v); return false; });
    RunConfigGeneral(cancelled, config, path);
    EXPECT_TRUE(config.ProjectFileRestore);
    EXPECT_FALSE(config.WindowPositionRestore);
    EXPECT_FALSE(config.InTaskTray);
    EXPECT_FALSE(fs::exists(dir / "tabloom.ini"));

    FakeDialog unchanged(view, [](FakeView&) { return true; });
    RunConfigGeneral(unchanged, config, path);
    ASSERT_TRUE(fs::exists(dir / "tabloom.ini"));

    FakeDialog flipped(view, FlipAll);
    RunConfigGeneral(flipped, config, path);
    TConfig reread;
    reread.LoadFromFile(path);
    EXPECT_FALSE(reread.ProjectFileRestore);
    EXPECT_TRUE(reread.WindowPositionRestore);
    EXPECT_TRUE(reread.InTaskTray);
    ASSERT_EQ(reread.HistoryCount(), 1);
    EXPECT_EQ(reread.History()[0], u"/p/a.tbm");
}

// A program folder with a blank and a double quote in its name, holding a
// stand-in velmora that copies its task file and exits as told.
class AssociationTest : public ::testing::Test {
protected:
    AssociationTest() : folder_(dir_ / "my \"tools"), view_(folder_ / "tabloom")
    {
        fs::create_directories(folder_);
    }

    void StandIn(const std::string& tail)
    {
        const fs::path script = folder_ / "velmora";
        WriteFile(script, "#!/bin/sh\n[ $# -eq 1 ] || exit 9\ncp \"$1\" \"$(dirname \"$0\")/task\"\n"
                          "echo \"$1\" > \"$(dirname \"$0\")/argument\"\n" + tail + "\n");
        fs::permissions(script, fs::perms::owner_all);
    }
    std::string Task() const { return ReadFile(folder_ / "task"); }
    fs::path TaskPathUsed() const
    {
        std::string p = ReadFile(folder_ / "argument");
        return p.substr(0, p.size() - 1);
    }

    testsupport::TempDir dir_;
    fs::path folder_;
    FakeView view_;
};

TEST_F(AssociationTest, WritesTheTaskFilesByteForByteAndRemovesThem)
{
    StandIn("exit 0");
    TFormConfigGeneraLogic logic(view_);
    const std::string program = (folder_ / "tabloom").string();

    logic.ActionExtLink();
    EXPECT_EQ(Task(), "[EXT]\r\nEXT=.tbm\r\nCOMMAND=\"" + program + "\" \"%1\"\r\n"
                      "FILE_TYPE=tabloom ファイル\r\nICON_FILE=" + program + "\r\nICON_INDEX=0\r\n\r\n"
                      "[TASK]\r\nCLOSE=1\r\nCOMMAND=1\r\n\r\n");
    EXPECT_FALSE(fs::exists(TaskPathUsed()));

    logic.ActionExtUnlink();
    EXPECT_EQ(Task(), "[EXT]\r\nEXT=.tbm\r\n\r\n[TASK]\r\nCLOSE=1\r\nCOMMAND=2\r\n\r\n");
    EXPECT_FALSE(fs::exists(TaskPathUsed()));
    EXPECT_TRUE(view_.warnings.empty());
}

TEST_F(AssociationTest, AFailedRunIsShownWithItsReason)
{
    TFormConfigGeneraLogic logic(view_);
    logic.ActionExtLink();  // no velmora in the folder
    ASSERT_EQ(view_.warnings.size(), 1u);
    EXPECT_NE(view_.warnings[0].find(U("を起動できません。")), UnicodeString::npos);

    StandIn("echo 'タスクファイルの拡張子が正しくありません。' >&2\nexit 1");
    logic.ActionExtUnlink();
    ASSERT_EQ(view_.warnings.size(), 2u);
    EXPECT_EQ(view_.warnings[1], U("タスクファイルの拡張子が正しくありません。"));
    EXPECT_FALSE(fs::exists(TaskPathUsed()));

    StandIn("exit 3");
    logic.ActionExtLink();
    ASSERT_EQ(view_.warnings.size(), 3u);
    EXPECT_EQ(view_.warnings[2], U("関連付けツールがエラーで終了しました。(終了コード 3)"));
}

// The dialog's command through the real velmora of the build.
TEST(AssociationEndToEndTest, RegistersTheBuiltProgram)
{
    testsupport::TempDir dir;
    const char* names[] = {"XDG_DATA_HOME", "XDG_CONFIG_HOME"};
    std::string saved[2];
    for (int i = 0; i < 2; ++i) {
        if (const char* v = std::getenv(names[i]))
            saved[i] = v;
        setenv(names[i], (dir / names[i]).c_str(), 1);
    }
    FakeView view(testsupport::BinaryDir() / "tabloom");
    TFormConfigGeneraLogic logic(view);
    logic.ActionExtLink();
    const std::string entry = ReadFile(dir / "XDG_DATA_HOME/applications/tabloom-association.desktop");
    logic.ActionExtUnlink();
    for (int i = 0; i < 2; ++i)
        saved[i].empty() ? unsetenv(names[i]) : setenv(names[i], saved[i].c_str(), 1);

    EXPECT_TRUE(view.warnings.empty());
    EXPECT_NE(entry.find("\nExec=" + (testsupport::BinaryDir() / "tabloom").string() + " %f\n"), std::string::npos)
        << entry;
    EXPECT_FALSE(fs::exists(dir / "XDG_DATA_HOME/applications/tabloom-association.desktop"));
}

} // namespace
