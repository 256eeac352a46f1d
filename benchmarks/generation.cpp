// Page generation speed on a tmpfs: tabloom against the same merge in Python
// (openpyxl read-only + jinja2) and against a C loop that only writes the
// finished pages.
// usage: bench_generation [records] [python] [runs] [tabloom]
// (tabloom: another build of the program to time, e.g. an older one)
#include <fcntl.h>
#include <unistd.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>
#include <xlsxwriter.h>
#include <zip.h>

#include "GenerationWorkload.h"
#include "ProcessTiming.h"

namespace fs = std::filesystem;

namespace {

using workload::ReadPages;
using workload::Seconds;
using workload::Template;
using workload::WriteOnly;
using workload::Best;
using workload::WriteWorkbook;

// __FILE__ is relative to the build folder when the compiler was given a relative path.
fs::path SourceDir()
{
    const fs::path here = fs::path(__FILE__).parent_path();
    return here.is_absolute() ? here : fs::canonical("/proc/self/exe").parent_path() / here;
}

// The same loop with the crash-safe publication tabloom uses: each page is
// written unnamed and linked into place (one more system call per page).
TTiming WriteUnnamedOnly(const std::map<std::string, std::string>& pages, const fs::path& folder)
{
    fs::create_directories(folder);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [name, bytes] : pages) {
        const int fd = ::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
            ::linkat(fd, "", dir, name.c_str(), AT_EMPTY_PATH) != 0 || ::close(fd) != 0) {
            std::cerr << "cannot write " << name << " unnamed\n";
            std::exit(1);
        }
    }
    const double wall = Seconds(start);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    ::close(dir);
    return TTiming{wall, CpuSeconds(after) - CpuSeconds(before)};
}

// What no reader can go below: inflating every part of the workbook.
TTiming InflateParts(const fs::path& book)
{
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    int error = 0;
    zip_t* archive = zip_open(book.c_str(), ZIP_RDONLY, &error);
    if (!archive) {
        std::cerr << "cannot open " << book << "\n";
        std::exit(1);
    }
    std::vector<char> buffer(1 << 16);
    const zip_int64_t entries = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < entries; ++i) {
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        while (file && zip_fread(file, buffer.data(), buffer.size()) > 0) {
        }
        if (file)
            zip_fclose(file);
    }
    zip_close(archive);
    const double wall = Seconds(start);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    return TTiming{wall, CpuSeconds(after) - CpuSeconds(before)};
}

// What the workbook alone costs, whatever the pages.
struct TBounds {
    TTiming open;     // tabloom with a template that makes no page
    TTiming inflate;  // inflating the workbook's parts
};

void Layout(const char* layout, const fs::path& dir, const fs::path& book, const std::string& tabloom,
            const std::string& python, int runs, const TBounds& bounds)
{
    const bool card = std::string(layout) == "card";
    const fs::path tmpl = dir / (std::string(layout) + ".html");
    std::ofstream(tmpl, std::ios::binary) << Template(card);
    const fs::path outT = dir / (std::string(layout) + "-tabloom");
    const fs::path outP = dir / (std::string(layout) + "-python");
    const fs::path outW = dir / (std::string(layout) + "-write");

    const TTiming tT = Best(runs, outT, [&] {
        return RunTimed({tabloom, "-a", "-t=" + tmpl.string(), "-te=1", "-x=" + book.string(), "-d=" + outT.string(),
                       "-de=1"});
    });
    // One Python run is too noisy to state a ratio from.
    const TTiming tP = Best(std::min(runs, 3), outP, [&] {
        return RunTimed({python, (SourceDir() / "generation_merge.py").string(), layout, book.string(), outP.string()});
    });
    const auto pages = ReadPages(outT);
    const TTiming tW = Best(runs, outW, [&] { return WriteOnly(pages, outW); });
    const TTiming tU = Best(runs, outW, [&] { return WriteUnnamedOnly(pages, outW); });

    const bool same = pages == ReadPages(outP);
    const double goal = card ? 1.3 : 2.0;
    std::printf("%s: %zu pages, identical to Python's: %s\n", layout, pages.size(), same ? "yes" : "NO");
    std::printf("  wall: tabloom %6.3f s  python %6.3f s  C loop %6.3f s   tabloom/C loop %5.2fx (goal <= %.1f)"
                "  python/tabloom %5.1fx (goal >= 10)\n",
                tT.wall, tP.wall, tW.wall, tT.wall / tW.wall, goal, tP.wall / tT.wall);
    std::printf("  cpu:  tabloom %6.3f s  python %6.3f s  C loop %6.3f s   tabloom/C loop %5.2fx"
                "               python/tabloom %5.1fx\n",
                tT.cpu, tP.cpu, tW.cpu, tT.cpu / tW.cpu, tP.cpu / tT.cpu);
    std::printf("  C loop writing unnamed files and linking them: wall %.3f s = %.2fx the C loop\n", tU.wall,
                tU.wall / tW.wall);
    std::printf("  lower bounds: tabloom making no page %.3f s = %.2fx the C loop;"
                " inflating the workbook's parts %.3f s = %.2fx the C loop\n",
                bounds.open.wall, bounds.open.wall / tW.wall, bounds.inflate.wall, bounds.inflate.wall / tW.wall);
    fs::remove_all(outT);
    fs::remove_all(outP);
    fs::remove_all(outW);
}

} // namespace

int main(int argc, char** argv)
{
    const int records = argc > 1 ? std::stoi(argv[1]) : 20000;
    const std::string python = argc > 2 ? argv[2] : "/usr/bin/python3";
    const int runs = argc > 3 ? std::stoi(argv[3]) : 5;
    const std::string tabloom =
        argc > 4 ? fs::absolute(argv[4]).string() : (fs::absolute(argv[0]).parent_path() / "tabloom").string();
    // A tmpfs, so that the file system's cost does not hide the program's.
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path dir = base / ("tabloom-bench-" + std::to_string(getpid()));
    std::printf("folder: %s, best of %d runs (python: best of %d)\n", base.c_str(), runs, std::min(runs, 3));
    fs::create_directories(dir);
    const fs::path book = dir / "data.xlsx";
    const auto start = std::chrono::steady_clock::now();
    WriteWorkbook(book, records);
    std::printf("workbook: %d records x 10 columns, written in %.2f s\n", records, Seconds(start));
    // What the workbook costs alone: a template whose first record is empty.
    const fs::path none = dir / "none.html";
    std::ofstream(none, std::ios::binary) << "<!--- excel quit=Z2 type=card --->x";
    TBounds bounds;
    bounds.open = Best(runs, dir / "none", [&] {
        return RunTimed({tabloom, "-a", "-t=" + none.string(), "-te=1", "-x=" + book.string(),
                         "-d=" + (dir / "none").string(), "-de=1"});
    });
    bounds.inflate = Best(runs, dir / "none", [&] { return InflateParts(book); });
    std::printf("tabloom opening the workbook, no pages: wall %.3f s, cpu %.3f s; inflating its parts: wall %.3f s\n",
                bounds.open.wall, bounds.open.cpu, bounds.inflate.wall);
    Layout("card", dir, book, tabloom, python, runs, bounds);
    Layout("list", dir, book, tabloom, python, runs, bounds);
    fs::remove_all(dir);
    return 0;
}
