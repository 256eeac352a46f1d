#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

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

// xvfb-run -a picks the first free display from its starting number; two
// started at once from the same number take the same one, and the loser's
// program cannot connect. Each test process starts from a number of its own.
std::string XvfbRun()
{
    return "xvfb-run -a -n " + std::to_string(100 + ::getpid() % 400);
}

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
    const std::string command = suppressions + " timeout 120 " + XvfbRun() + " " + Q(testsupport::BinaryDir() / "tabloom") + " -a " +
                                Q("-t=" + job.Template().string()) + " " + Q("-x=" + job.Workbook().string()) +
                                " " + Q("-d=" + job.Output().string()) + " -te=1 -de=1 >/dev/null 2>&1";
    EXPECT_EQ(Shell(command), 0);
    const std::map<std::string, std::string> expected = {{"一.html", e2e::Bom + "<p>x&amp;y</p>\n"},
                                                         {"二.html", e2e::Bom + "<p>z</p>\n"}};
    EXPECT_EQ(job.Pages(), expected);
    const std::string settings = testsupport::ReadFile(env.SettingsFile());
    EXPECT_NE(settings.find("LastProjectFile=\r\n"), std::string::npos) << settings;
}

// People link the settings file to /dev/null to keep no settings: closing
// the window must write into the device, not turn the node into a file.
TEST(Program, ClosingTheWindowKeepsASettingsFileLinkedToADevice)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mknod needs root";
    if (Shell("command -v xvfb-run >/dev/null") != 0)
        GTEST_SKIP() << "xvfb-run is not installed (scripts/setup.sh installs it)";
    ProgramEnvironment env;
    e2e::Job job(Records);
    job.SetTemplate(Template);
    const fs::path device = job.Root() / "null";
    ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    fs::create_directories(env.SettingsFile().parent_path());
    fs::create_symlink(device, env.SettingsFile());
    const std::string suppressions = "LSAN_OPTIONS=suppressions=" + Q(testsupport::SourceDir() / "tests/app/lsan.supp");
    const std::string command = suppressions + " timeout 120 " + XvfbRun() + " " + Q(testsupport::BinaryDir() / "tabloom") + " -a " +
                                Q("-t=" + job.Template().string()) + " " + Q("-x=" + job.Workbook().string()) +
                                " " + Q("-d=" + job.Output().string()) + " -te=1 -de=1 >/dev/null 2>&1";
    EXPECT_EQ(Shell(command), 0);
    EXPECT_EQ(job.Pages().size(), 2u);
    EXPECT_TRUE(fs::is_symlink(env.SettingsFile()));
    EXPECT_TRUE(fs::is_character_file(device));
}

TEST(Program, AStopSignalEndsTheWindowRunCleanlyWithItsStatus)
{
    if (Shell("command -v xvfb-run >/dev/null") != 0)
        GTEST_SKIP() << "xvfb-run is not installed (scripts/setup.sh installs it)";
    ProgramEnvironment env;
    const int n = 20000;
    e2e::Sheet sheet{"Sheet1", {}};
    for (int k = 1; k <= n; ++k)
        sheet.cells.push_back(e2e::S("A" + std::to_string(k), "p" + std::to_string(k)));
    e2e::Job job({sheet});
    const std::string filler(4096, '.');
    job.SetTemplate("<!--- excel quit=A1 type=card filename=A1 --->" + filler + "<!--- cell name=A1 --->");
    const fs::path pidFile = job.Root() / "pid";
    const fs::path statusFile = job.Root() / "status";
    // perl reports the raw wait status, which tells an exit with 143 from a
    // death by SIGTERM (a shell gives 143 for both).
    const std::string suppressions = "LSAN_OPTIONS=suppressions=" + Q(testsupport::SourceDir() / "tests/app/lsan.supp");
    const std::string command =
        suppressions + " timeout 120 " + XvfbRun() + " perl -e " +
        Q("$f = shift @ARGV; $p = fork; if (!$p) { exec @ARGV; exit 127 } open(F, '>', $f) or die; print F $p; "
          "close F; waitpid($p, 0); print $?") +
        " " + Q(pidFile) + " " + Q(testsupport::BinaryDir() / "tabloom") + " -a " + Q("-t=" + job.Template().string()) +
        " " + Q("-x=" + job.Workbook().string()) + " " + Q("-d=" + job.Output().string()) +
        " -te=1 -de=1 >" + Q(statusFile) + " 2>/dev/null &";
    ASSERT_EQ(Shell(command), 0);
    // Once pages are being written, the run gets SIGTERM.
    const auto pageCount = [&] {
        std::error_code ec;
        std::size_t count = 0;
        for (fs::directory_iterator it(job.Output(), ec), end; !ec && it != end; it.increment(ec))
            ++count;
        return count;
    };
    for (int i = 0; i < 6000 && pageCount() < 10; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(pageCount(), 10u) << "the window run made no pages";
    const pid_t pid = std::atoi(testsupport::ReadFile(pidFile).c_str());
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGTERM);
    std::string status;
    for (int i = 0; i < 6000 && (status = testsupport::ReadFile(statusFile)).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(status, std::to_string((128 + SIGTERM) << 8)) << "exit 143 is 36608, death by SIGTERM 15";
    const auto pages = job.Pages();
    EXPECT_LT(pages.size(), static_cast<std::size_t>(n)) << "the run was not stopped";
    for (const auto& [name, bytes] : pages)
        EXPECT_EQ(bytes, e2e::Bom + filler + name.substr(0, name.size() - 5)) << "not a whole page: " << name;
}

// A settings file that cannot be read (a folder) puts up a warning box before
// the window opens; a stop signal then must end the program with 128 + the
// signal, not close the box and return 1.
TEST(Program, AStopSignalWhileAStartUpBoxIsShownGivesItsStatus)
{
    if (Shell("command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null") != 0)
        GTEST_SKIP() << "xvfb-run and xwininfo are needed (xvfb, x11-utils)";
    ProgramEnvironment env;
    fs::create_directories(env.SettingsFile());
    TempDir dir;
    const fs::path statusFile = dir / "status";
    // perl waits for a top-level window named "tabloom" (the box), sends
    // SIGTERM and prints the raw wait status and whether the box was seen.
    const std::string script =
        "$p = fork; if (!$p) { exec @ARGV; exit 127 } $seen = 0;"
        "for (1 .. 300) { if (`xwininfo -root -tree` =~ /\"tabloom\": \\(\"tabloom\"/) { $seen = 1; last } "
        "select(undef, undef, undef, 0.05) } select(undef, undef, undef, 0.3);"
        "kill 'TERM', $p; waitpid($p, 0); print \"$seen $?\"";
    const std::string suppressions = "LSAN_OPTIONS=suppressions=" + Q(testsupport::SourceDir() / "tests/app/lsan.supp");
    const std::string command = suppressions + " timeout 120 " + XvfbRun() + " perl -e " + Q(script) + " " +
                                Q(testsupport::BinaryDir() / "tabloom") + " >" + Q(statusFile) + " 2>/dev/null";
    Shell(command);
    EXPECT_EQ(testsupport::ReadFile(statusFile), "1 " + std::to_string((128 + SIGTERM) << 8))
        << "\"1\": the box was up; exit 143 is 36608";
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
