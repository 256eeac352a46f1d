#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "generation/EndToEnd.h"
#include "generation/TConsoleProgress.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

TEST(ConsoleProgress, LineSaysCountRateAndTimeLeft)
{
    struct Case {
        long long done, total;
        double seconds;
        const char* line;
    };
    const Case cases[] = {
        {0, 20000, 0.0, "0 / 20000 件"},
        {5000, 20000, 2.0, "5000 / 20000 件  2500 件/秒  残り 0:06"},
        {1000, 361000, 1.0, "1000 / 361000 件  1000 件/秒  残り 6:00"},
        {10, 36010, 1.0, "10 / 36010 件  10 件/秒  残り 1:00:00"},
        {20000, 20000, 4.0, "20000 / 20000 件  5000 件/秒"},
        // Records that could not be counted: no total, no time left.
        {300, 0, 3.0, "300 件  100 件/秒"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TConsoleProgress::Line(c.done, c.total, c.seconds), c.line);
}

TEST(ConsoleProgress, QuietAtFirstThenRedrawnInPlaceAndErased)
{
    std::ostringstream quiet;
    {
        TConsoleProgress progress(quiet);
        progress.Update(1, 10);
        progress.Clear();
    }
    EXPECT_EQ(quiet.str(), "") << "a short run draws nothing and erases nothing";

    std::ostringstream terminal;
    TConsoleProgress progress(terminal, std::chrono::milliseconds(0));
    progress.Update(1, 10);
    progress.Update(2, 10);  // within the redraw interval: skipped
    const std::string drawn = terminal.str();
    ASSERT_EQ(drawn.rfind("\r\x1b[K1 / 10 件", 0), 0u) << drawn;
    EXPECT_EQ(drawn.find('\n'), std::string::npos) << "the line never scrolls";
    progress.Clear();
    progress.Clear();
    EXPECT_EQ(terminal.str(), drawn + "\r\x1b[K") << "erased once";
}

namespace {

struct TerminalRun {
    int status = -1;
    std::string terminal;  // what standard error, a pseudo-terminal, received
    std::string out;
    double seconds = 0;
};

// Runs tabloom with standard error on a pseudo-terminal and standard output
// in a file; sends SIGINT once the terminal shows `stopAt` (if not empty).
TerminalRun RunOnTerminal(const std::vector<std::string>& args, const fs::path& outFile, const std::string& stopAt)
{
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error("no pseudo-terminal");
    std::vector<std::string> all = {(testsupport::BinaryDir() / "tabloom").string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (const std::string& a : all)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, slave, 2);
    posix_spawn_file_actions_addclose(&actions, master);
    posix_spawn_file_actions_addclose(&actions, slave);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(slave);
    if (rc != 0)
        throw std::runtime_error("cannot start tabloom");
    TerminalRun run;
    bool signalled = false;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // EIO once the program has ended
        run.terminal.append(buffer, static_cast<std::size_t>(n));
        if (!signalled && !stopAt.empty() && run.terminal.find(stopAt) != std::string::npos) {
            ::kill(pid, SIGINT);
            signalled = true;
        }
    }
    ::close(master);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = testsupport::ReadFile(outFile);
    return run;
}

} // namespace

TEST(ConsoleProgress, OnATerminalTheLineIsShownAndErasedBeforeTheLastLines)
{
    testsupport::TempDir dir;
    const int records = 20000;
    std::string csv;
    for (int r = 1; r <= records; ++r)
        csv += "r" + std::to_string(r) + "\n";
    testsupport::WriteFile(dir.Path() / "book.csv", csv);
    testsupport::WriteFile(dir.Path() / "card.html", "<!--- excel quit=A1 type=card ---><!--- cell name=A1 --->");
    const auto args = [&](const std::string& out) {
        return std::vector<std::string>{"-a", "-t=" + (dir.Path() / "card.html").string(), "-te=1",
                                        "-x=" + (dir.Path() / "book.csv").string(),
                                        "-d=" + (dir.Path() / out).string(), "-de=1"};
    };
    const std::string total = " / " + std::to_string(records) + " 件";

    // Stopped once the line shows: it is erased before the program ends.
    const TerminalRun stopped = RunOnTerminal(args("stopped"), dir.Path() / "stopped.txt", total);
    if (stopped.status != 0) {
        EXPECT_EQ(stopped.status, 128 + SIGINT);
        EXPECT_EQ(stopped.out, e2e::FailedRunLines);
        EXPECT_TRUE(stopped.terminal.ends_with("\r\x1b[K")) << stopped.terminal;
    }

    // A whole run: standard output as without a terminal; the terminal holds
    // only progress lines, each drawn over the one before, the last erased.
    const TerminalRun whole = RunOnTerminal(args("whole"), dir.Path() / "whole.txt", "");
    EXPECT_EQ(whole.status, 0) << whole.terminal;
    EXPECT_EQ(whole.out, e2e::ProgressLines(records));
    if (whole.seconds > 1.5) {
        EXPECT_NE(whole.terminal.find(total), std::string::npos) << "a long run shows its progress";
    }
    EXPECT_EQ(whole.terminal.find('\n'), std::string::npos) << whole.terminal;
    EXPECT_TRUE(whole.terminal.empty() || whole.terminal.ends_with("\r\x1b[K")) << whole.terminal;
}
