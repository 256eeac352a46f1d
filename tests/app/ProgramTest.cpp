#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/TBatchFile.h"
#include "generation/EndToEnd.h"
#include "settings/TShellQuote.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

// The environment of one test: no display unless asked for, and the settings
// file in a folder of its own.
class ProgramEnvironment {
public:
    ProgramEnvironment()
    {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("XDG_CONFIG_HOME", (config_ / "xdg").c_str(), 1);
    }
    ~ProgramEnvironment() { unsetenv("XDG_CONFIG_HOME"); }

    fs::path SettingsFile() const { return config_ / "xdg/Orvanta/tabloom/tabloom.ini"; }

private:
    TempDir config_;
};

int Shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Q(const fs::path& path)
{
    return Utf16ToUtf8(ShellQuote(FromPath(path)));
}

const std::vector<e2e::Sheet> Records = {
    {"Sheet1", {e2e::S("A1", "一"), e2e::S("A2", "二"), e2e::S("B1", "x&y"), e2e::S("B2", "z")}}};
const char Template[] = "<!--- excel quit=A1 type=card filename=A1 ---><p><!--- cell name=B1 escape=html ---></p>\n";

} // namespace

TEST(Program, AutoRunInTheWindowMakesThePagesClosesAndWritesTheSettings)
{
    if (Shell("command -v xvfb-run >/dev/null") != 0)
        GTEST_SKIP() << "xvfb-run is not installed (scripts/setup.sh installs it)";
    ProgramEnvironment env;
    e2e::Job job(Records);
    job.SetTemplate(Template);
    // Under the sanitizers, Qt's D-Bus library leaks a little of its own.
    const std::string suppressions = "LSAN_OPTIONS=suppressions=" + Q(testsupport::SourceDir() / "tests/app/lsan.supp");
    const std::string command = suppressions + " timeout 120 xvfb-run -a " + Q(testsupport::BinaryDir() / "tabloom") + " -a " +
                                Q("-t=" + job.Template().string()) + " " + Q("-x=" + job.Workbook().string()) +
                                " " + Q("-d=" + job.Output().string()) + " -te=1 -de=1 >/dev/null 2>&1";
    EXPECT_EQ(Shell(command), 0);
    const std::map<std::string, std::string> expected = {{"一.html", e2e::Bom + "<p>x&amp;y</p>\n"},
                                                         {"二.html", e2e::Bom + "<p>z</p>\n"}};
    EXPECT_EQ(job.Pages(), expected);
    const std::string settings = testsupport::ReadFile(env.SettingsFile());
    EXPECT_NE(settings.find("LastProjectFile=\r\n"), std::string::npos) << settings;
}

TEST(Program, WithoutADisplayOnlyTheConsoleRunAndTheInformationWork)
{
    ProgramEnvironment env;
    const e2e::RunResult plain = e2e::RunTabloom({});
    EXPECT_EQ(plain.status, 2);
    EXPECT_EQ(plain.out, "");
    EXPECT_NE(plain.err.find("ディスプレイ"), std::string::npos) << plain.err;
    EXPECT_NE(plain.err.find("-a"), std::string::npos);
    EXPECT_NE(plain.err.find("--help"), std::string::npos);
    EXPECT_EQ(std::count(plain.err.begin(), plain.err.end(), '\n'), 1);

    const e2e::RunResult project = e2e::RunTabloom({"shop.tbm"});
    EXPECT_EQ(project.status, 2);

    // A display that cannot be reached counts as none, not as Qt's abort.
    setenv("DISPLAY", ":9999", 1);
    const e2e::RunResult unreachable = e2e::RunTabloom({});
    unsetenv("DISPLAY");
    EXPECT_EQ(unreachable.status, 2);
    EXPECT_EQ(unreachable.err, plain.err);

    EXPECT_EQ(e2e::RunTabloom({"--help"}).status, 0);
    EXPECT_EQ(e2e::RunTabloom({"--version"}).status, 0);
    EXPECT_FALSE(fs::exists(env.SettingsFile()));
}

TEST(Program, TheBatchScriptMakesTheSamePagesFromAnotherFolder)
{
    ProgramEnvironment env;
    e2e::Job job(Records);
    job.SetTemplate(Template);
    ASSERT_EQ(job.Run().status, 0);
    const auto direct = job.Pages();

    TempDir elsewhere;
    const fs::path scriptOut = job.Root() / "script-out";
    const fs::path script = job.Root() / "run job.sh";
    TBatchFile::Write(FromPath(script),
                      TProject(FromPath(job.Template()), 1, FromPath(job.Workbook()), FromPath(scriptOut), 1),
                      FromPath(testsupport::BinaryDir() / "tabloom"));
    EXPECT_EQ(Shell("cd " + Q(elsewhere.Path()) + " && /bin/sh " + Q(script) + " >/dev/null"), 0);
    EXPECT_EQ(e2e::ReadFolder(scriptOut), direct);
    EXPECT_EQ(Shell(Q(script) + " >/dev/null"), 0) << "the script runs by itself";
    EXPECT_EQ(e2e::ReadFolder(scriptOut).size(), 2 * direct.size());
}
