// The desktop program's overhead: a card merge run with -a in the progress
// window (on the display this is started under, e.g. Xvfb) against the same
// job run in the console, measured alternately in one run. A one-record job
// measured the same way gives the window's start-up, so that what the window
// costs for each page can be told apart from what it costs once.
// usage: bench_desktop <tabloom> [records] [rounds]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "DesktopJob.h"
#include "ProcessTiming.h"

namespace fs = std::filesystem;

namespace {

struct TPair {
    TTiming console{1e9, 1e9};
    TTiming window{1e9, 1e9};
};

// Best of `rounds` runs of the job in `job`, console and window alternating.
// Every run writes into a folder of its own and nothing is deleted until the
// end: creating files just after deleting many is slower on ext4, which would
// favour whichever run comes first.
TPair Measure(const std::string& program, const fs::path& job, int records, int rounds)
{
    std::vector<char*> consoleEnv = ConsoleEnvironment();
    TPair best;
    for (int round = 0; round < rounds; ++round) {
        for (const bool windowFirst : {false, true}) {
            const bool inWindow = (round % 2 == 1) == windowFirst;
            const fs::path out = job / ("out-" + std::to_string(round) + (inWindow ? "-window" : "-console"));
            const std::vector<std::string> args = {program, "-a", "-t=" + (job / "card.html").string(), "-te=1",
                                                   "-x=" + (job / "data.xlsx").string(), "-d=" + out.string(), "-de=1"};
            const TTiming t = RunTimed(args, inWindow ? environ : consoleEnv.data(), true);
            if (std::distance(fs::directory_iterator(out), fs::directory_iterator()) != records) {
                std::cerr << "the run did not make " << records << " pages\n";
                std::exit(1);
            }
            TTiming& kept = inWindow ? best.window : best.console;
            kept.wall = std::min(kept.wall, t.wall);
            kept.cpu = std::min(kept.cpu, t.cpu);
        }
    }
    return best;
}

void Row(const char* what, const TTiming& t, const TTiming& base)
{
    std::printf("  %-26s %7.3f s  %7.3f s   %.2fx  %.2fx\n", what, t.wall, t.cpu, t.wall / base.wall, t.cpu / base.cpu);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: bench_desktop <tabloom> [records] [rounds]\n";
        return 2;
    }
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        // benchmarks/run.sh runs every benchmark; this one only makes sense with a display.
        std::cout << "skipped: bench_desktop needs a display (scripts/bench-desktop.sh runs it under Xvfb)\n";
        return 0;
    }
    const std::string program = fs::absolute(argv[1]).string();
    const int records = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;

    const fs::path dir = fs::temp_directory_path() / ("tabloom-bench-desktop-" + std::to_string(getpid()));
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);  // the window writes its settings here
    const fs::path big = dir / "big", small = dir / "small";
    fs::create_directories(big);
    fs::create_directories(small);
    WriteDesktopJob(big, records);
    WriteDesktopJob(small, 1);

    const TPair job = Measure(program, big, records, rounds);
    const TPair once = Measure(program, small, 1, rounds);
    fs::remove_all(dir);

    std::printf("%d-record card merge, best of %d runs each (wall / processor time)\n", records, rounds);
    Row("console run (baseline)", job.console, job.console);
    Row("progress window (-a)", job.window, job.console);
    std::printf("one-record job: the start-up\n");
    Row("console run", once.console, once.console);
    Row("progress window (-a)", once.window, once.console);
    const TTiming startUp{once.window.wall - once.console.wall, once.window.cpu - once.console.cpu};
    const TTiming consolePages{job.console.wall - once.console.wall, job.console.cpu - once.console.cpu};
    const TTiming windowPages{job.window.wall - once.window.wall, job.window.cpu - once.window.cpu};
    std::printf("the window's start-up                %7.3f s  %7.3f s\n", startUp.wall, startUp.cpu);
    std::printf("the %d pages beyond the first (window against console)\n", records - 1);
    Row("console run (baseline)", consolePages, consolePages);
    Row("progress window (-a)", windowPages, consolePages);
    return 0;
}
