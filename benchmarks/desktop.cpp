// The desktop program's overhead: a 20,000-record card merge run with -a in
// the progress window (on the display this is started under, e.g. Xvfb)
// against the same job run in the console, measured alternately in one run.
// usage: bench_desktop <tabloom> [records] [rounds]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "DesktopJob.h"
#include "ProcessTiming.h"

namespace fs = std::filesystem;

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
    fs::create_directories(dir);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);  // the window writes its settings here
    WriteDesktopJob(dir, records);

    std::vector<char*> consoleEnv = ConsoleEnvironment();
    TTiming console{1e9, 1e9};
    TTiming window{1e9, 1e9};
    // Every run writes into a folder of its own and nothing is deleted until
    // the end: creating files just after deleting many is slower on ext4, which
    // would favour whichever run comes first. The order alternates as well.
    for (int round = 0; round < rounds; ++round) {
        for (const bool windowFirst : {false, true}) {
            const bool inWindow = (round % 2 == 1) == windowFirst;
            const fs::path out = dir / ("out-" + std::to_string(round) + (inWindow ? "-window" : "-console"));
            const std::vector<std::string> args = {program, "-a", "-t=" + (dir / "card.html").string(), "-te=1",
                                                   "-x=" + (dir / "data.xlsx").string(), "-d=" + out.string(), "-de=1"};
            const TTiming t = RunTimed(args, inWindow ? environ : consoleEnv.data(), true);
            if (std::distance(fs::directory_iterator(out), fs::directory_iterator()) != records) {
                std::cerr << "the run did not make " << records << " pages\n";
                return 1;
            }
            TTiming& best = inWindow ? window : console;
            best.wall = std::min(best.wall, t.wall);
            best.cpu = std::min(best.cpu, t.cpu);
        }
    }
    fs::remove_all(dir);
    std::printf("%d-record card merge, best of %d runs each (wall / processor time)\n", records, rounds);
    std::printf("  console run (baseline)   %7.3f s  %7.3f s   1.00x  1.00x\n", console.wall, console.cpu);
    std::printf("  progress window (-a)     %7.3f s  %7.3f s   %.2fx  %.2fx\n", window.wall, window.cpu,
                window.wall / console.wall, window.cpu / console.cpu);
    std::printf("  difference               %7.3f s  %7.3f s   (start-up of the window; the same for any job)\n",
                window.wall - console.wall, window.cpu - console.cpu);
    return 0;
}
