// What tabloom --check costs next to the job it checks: the card job of the
// generation benchmark, the same job's page writing alone (a plain C loop
// over its pages), and the check, which renders every page but writes none.
// The check should cost at most the job minus the writing.
// usage: bench_check [records] [runs]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "GenerationWorkload.h"
#include "ProcessTiming.h"

namespace fs = std::filesystem;

namespace {

using workload::Best;

void Compare(const char* label, const std::string& tabloom, const fs::path& dir, const fs::path& book,
             const fs::path& tmpl, int de, int runs)
{
    const fs::path out = dir / "out";
    const fs::path written = dir / "written";
    const std::string t = "-t=" + tmpl.string(), x = "-x=" + book.string(), d = "-de=" + std::to_string(de);
    const TTiming job = Best(runs, out, [&] { return RunTimed({tabloom, "-a", t, "-te=1", x, "-d=" + out.string(), d}); });
    const auto pages = workload::ReadPages(out);
    const TTiming write = Best(runs, written, [&] { return workload::WriteOnly(pages, written); });
    // The check is given the folder the job wrote into, so it also compares every name.
    const TTiming check = Best(runs, dir / "unused", [&] {
        return RunTimed({tabloom, "--check", t, "-te=1", x, "-d=" + (dir / "empty").string(), d});
    });
    // Wall time on a busy machine is noisy, and the job writes on a second
    // thread while it renders; processor time shows the work itself.
    std::printf("%s: %zu pages\n", label, pages.size());
    std::printf("  wall: job %.3f s, its page writing alone %.3f s, job minus writing %.3f s, check %.3f s"
                "  check/(job minus writing) %.2fx (goal <= 1)\n",
                job.wall, write.wall, job.wall - write.wall, check.wall, check.wall / (job.wall - write.wall));
    std::printf("  cpu:  job %.3f s, its page writing alone %.3f s, job minus writing %.3f s, check %.3f s"
                "  check/(job minus writing) %.2fx (goal <= 1)\n",
                job.cpu, write.cpu, job.cpu - write.cpu, check.cpu, check.cpu / (job.cpu - write.cpu));
    fs::remove_all(out);
    fs::remove_all(written);
}

} // namespace

int main(int argc, char** argv)
{
    const int records = argc > 1 ? std::stoi(argv[1]) : 20000;
    const int runs = argc > 2 ? std::stoi(argv[2]) : 5;
    const std::string tabloom = (fs::absolute(argv[0]).parent_path() / "tabloom").string();
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path dir = base / ("tabloom-bench-check-" + std::to_string(getpid()));
    fs::create_directories(dir / "empty");
    const fs::path book = dir / "data.xlsx";
    workload::WriteWorkbook(book, records);
    const fs::path tmpl = dir / "card.html";
    std::ofstream(tmpl, std::ios::binary) << workload::Template(true);
    std::printf("folder: %s, %d records, best of %d runs\n", base.c_str(), records, runs);
    Compare("card, UTF-8 pages", tabloom, dir, book, tmpl, 1, runs);
    // Shift_JIS pages: the check also looks at every character.
    Compare("card, Shift_JIS pages", tabloom, dir, book, tmpl, 0, runs);
    fs::remove_all(dir);
    return 0;
}
