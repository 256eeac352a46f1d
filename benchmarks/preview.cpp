// How soon the preview shows record 1 after the template is saved, for a
// 100,000-record workbook: the save, then the render the window makes on it
// (a fresh load of both files, then page 1 in memory), plus the settling
// delay the window waits for the editor to finish writing. Baseline: the
// whole job on the same workbook, run by the program in the same run.
// usage: bench_preview [tabloom] [records] [rounds]; the program defaults to
// the one built beside the benchmark.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>
#include <xlsxwriter.h>

#include "DesktopJob.h"
#include "ProcessTiming.h"
#include "generation/TTabloomMaker.h"

namespace fs = std::filesystem;

namespace {

// The window renders once the file has been quiet this long (TFormPreview).
constexpr double SettleSeconds = 0.040;
constexpr double BudgetSeconds = 0.3;

void SaveTemplate(const fs::path& path, int round)
{
    std::ofstream(path) << "<!--- excel quit=A1 type=card filename=A1 --->\n"
                           "<h1><!--- cell name=A1 escape=html ---></h1><!-- save "
                        << round
                        << " -->\n"
                           "<p><!--- cell name=B1 ---></p>\n"
                           "<p><!--- cell name=C1 escape=html multiline=br ---></p>\n";
}

} // namespace

int main(int argc, char** argv)
{
    const std::string program =
        fs::absolute(argc > 1 ? fs::path(argv[1]) : fs::path(argv[0]).parent_path() / "tabloom").string();
    const int records = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 7;

    const fs::path dir = fs::temp_directory_path() / ("tabloom-bench-preview-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path book = dir / "data.xlsx";
    const fs::path card = dir / "card.html";
    WriteDesktopWorkbook(book, records);
    SaveTemplate(card, 0);

    std::vector<double> previews;
    for (int round = 1; round <= rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        SaveTemplate(card, round);
        TTabloomMaker job(FromPath(card), 1, FromPath(book), u"", 1);
        job.CheckInputs();
        const TPreviewPage page = job.Preview(1);
        previews.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (page.Number != 1 || page.Bytes.empty()) {
            std::cerr << "the preview did not render record 1\n";
            return 1;
        }
    }
    std::sort(previews.begin(), previews.end());
    const double median = previews[previews.size() / 2];

    const TTiming whole = RunTimed({program, "-a", "-t=" + card.string(), "-te=1", "-x=" + book.string(),
                                    "-d=" + (dir / "out").string(), "-de=1"}, environ, true);
    fs::remove_all(dir);

    const double shown = median + SettleSeconds;
    std::printf("%d-record workbook, preview of record 1 after a template save (median of %d)\n", records, rounds);
    std::printf("  whole job, every page (baseline)  %7.3f s   1.000x\n", whole.wall);
    std::printf("  save + render of record 1         %7.3f s   %.3fx  (best %.3f s, worst %.3f s)\n", median,
                median / whole.wall, previews.front(), previews.back());
    std::printf("  shown (+%.0f ms the window waits)   %7.3f s   %s the %.1f s budget\n", SettleSeconds * 1000, shown,
                shown <= BudgetSeconds ? "within" : "OVER", BudgetSeconds);
    return 0;
}
