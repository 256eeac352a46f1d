// How soon a stop ends a run: the progress window's 中断 button pressed at
// random moments of a card merge, against SIGINT sent at random moments to
// the same job run in the console (the baseline, measured in the same run).
// Both count from the press (or signal) to the end of the run.
// usage: bench_desktop_stop [tabloom] [records] [presses]
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "DesktopJob.h"
#include "ProcessTiming.h"
#include "app/TFormHtmlMaker.h"
#include "generation/TTabloomMaker.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct TJobPaths {
    fs::path dir;
    std::string templ() const { return (dir / "card.html").string(); }
    std::string book() const { return (dir / "data.xlsx").string(); }
};

std::vector<std::string> ConsoleArgs(const fs::path& program, const TJobPaths& job, const fs::path& out)
{
    return {program.string(), "-a", "-t=" + job.templ(), "-te=1", "-x=" + job.book(), "-d=" + out.string(), "-de=1"};
}

// SIGINT `delay` seconds into a console run; the seconds from the signal to
// the program's end, or -1 when it had ended before.
double StopConsoleRun(const std::vector<std::string>& args, char** env, double delay)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env) != 0) {
        std::cerr << "cannot start " << args[0] << "\n";
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    std::this_thread::sleep_for(std::chrono::duration<double>(delay));
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) {
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    const auto signalled = Clock::now();
    ::kill(pid, SIGINT);
    ::waitpid(pid, nullptr, 0);
    return Since(signalled);
}

// Runs the job in a progress window; presses 中断 `delay` seconds in (never
// when negative). Returns the seconds from the press to the run's end, -1
// when it had ended before, or the whole run's seconds when not pressed.
double RunWindow(const TJobPaths& job, const fs::path& out, double delay)
{
    TTabloomMaker source(FromPath(job.templ()), 1, FromPath(job.book()), FromPath(out), 1);
    source.CheckPaths();
    TFormHtmlMaker window(nullptr);
    window.Logic().Assign(source);
    const auto start = Clock::now();
    Clock::time_point pressed{};
    double result = -1;
    if (delay >= 0) {
        QTimer::singleShot(static_cast<int>(delay * 1000), &window, [&] {
            if (window.RunEnded())
                return;
            pressed = Clock::now();
            window.findChild<QPushButton*>(QStringLiteral("ButtonStop"))->click();
        });
    }
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (!window.RunEnded())
            return;
        if (delay < 0)
            result = Since(start);
        else if (pressed != Clock::time_point{})
            result = Since(pressed);
        window.close();
    });
    poll.start();
    window.exec();
    return result;
}

// The presses' seconds: count, mean and the spread.
void PrintDistribution(const char* what, std::vector<double> seconds, double baselineMean)
{
    if (seconds.empty()) {
        std::printf("  %-24s no press fell inside a run\n", what);
        return;
    }
    std::sort(seconds.begin(), seconds.end());
    double sum = 0;
    for (const double s : seconds)
        sum += s;
    const double mean = sum / static_cast<double>(seconds.size());
    const auto at = [&](double q) { return seconds[static_cast<std::size_t>(q * static_cast<double>(seconds.size() - 1))]; };
    std::printf("  %-24s %3zu   %6.1f  %6.1f  %6.1f  %6.1f  %6.1f  %6.1f   %5.2fx\n", what, seconds.size(),
                mean * 1e3, at(0) * 1e3, at(0.1) * 1e3, at(0.5) * 1e3, at(0.9) * 1e3, at(1) * 1e3,
                baselineMean > 0 ? mean / baselineMean : 1.0);
}

double Mean(const std::vector<double>& values)
{
    double sum = 0;
    for (const double v : values)
        sum += v;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

} // namespace

int main(int argc, char** argv)
{
    // benchmarks/run.sh names no program: the one built beside this is used.
    const fs::path program = fs::absolute(argc > 1 ? fs::path(argv[1]) : fs::path(argv[0]).parent_path() / "tabloom");
    if (!fs::exists(program)) {
        std::cout << "skipped: no " << program << " (scripts/bench-desktop.sh builds it)\n";
        return 0;
    }
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int records = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int presses = argc > 3 ? std::atoi(argv[3]) : 20;
    QApplication app(argc, argv);

    TJobPaths job{fs::temp_directory_path() / ("tabloom-bench-stop-" + std::to_string(getpid()))};
    fs::create_directories(job.dir);
    WriteDesktopJob(job.dir, records);
    std::vector<char*> consoleEnv = ConsoleEnvironment();
    int folder = 0;
    const auto nextOut = [&] { return job.dir / ("out-" + std::to_string(folder++)); };

    // The length of a whole run, so the presses fall anywhere inside one.
    const double consoleRun = RunTimed(ConsoleArgs(program, job, nextOut()), consoleEnv.data(), true).wall;
    const double windowRun = RunWindow(job, nextOut(), -1);

    // A run's length varies with the machine's load: a press that comes
    // after the end counts for nothing and shortens the span of the next.
    std::mt19937 random(20261210);
    std::vector<double> console;
    std::vector<double> window;
    double consoleSpan = consoleRun;
    double windowSpan = windowRun;
    for (int i = 0; i < 3 * presses && (console.size() < std::size_t(presses) || window.size() < std::size_t(presses)); ++i) {
        const double at = std::uniform_real_distribution<double>(0.0, 1.0)(random);
        if (console.size() < std::size_t(presses)) {
            const double s = StopConsoleRun(ConsoleArgs(program, job, nextOut()), consoleEnv.data(), at * consoleSpan);
            s >= 0 ? console.push_back(s) : void(consoleSpan *= 0.7);
        }
        if (window.size() < std::size_t(presses)) {
            const double s = RunWindow(job, nextOut(), at * windowSpan);
            s >= 0 ? window.push_back(s) : void(windowSpan *= 0.7);
        }
    }
    std::printf("%d-record card merge: a whole run takes %.2f s in the console, %.2f s in the window (%.2f ms a page)\n",
                records, consoleRun, windowRun, windowRun / records * 1e3);
    std::printf("stop at %d random moments, from the press to the end of the run, in ms\n", presses);
    std::printf("  %-24s   n     mean     min     p10     p50     p90     max   ratio\n", "");
    const double baseline = Mean(console);
    PrintDistribution("SIGINT, console (base)", console, baseline);
    PrintDistribution("中断 button, window", window, baseline);
    const double mean = Mean(window);
    std::printf("target: the button ends the run within 200 ms on average: %s (%.1f ms)\n",
                !window.empty() && mean <= 0.2 ? "met" : "NOT met", mean * 1e3);
    std::fflush(stdout);  // the figures first: removing many pages may take long
    fs::remove_all(job.dir);
    return 0;
}
