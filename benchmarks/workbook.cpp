// Reading a 100,000 x 10 workbook (half unique strings, half numbers): open
// it and read every cell's Text through the automation wrappers, against
// the bare inflate of its parts (the limit), openpyxl read-only iterating
// every value, and the npm `xlsx` package reading the file and formatting
// every cell. Each runs in its own process, so each has its own peak memory.
//
//   bench_workbook <folder> [npm-folder]  runs everything, keeps the workbook in folder
//   bench_workbook read <file>            (internal) opens and reads, prints cells, time, peak
//   bench_workbook inflate <file>         (internal) inflates every part, prints time, peak
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "automation/TExcel.h"
#include "automation/TExcelSingleton.h"

namespace {

constexpr int Rows = 100000;
constexpr int Columns = 10;
constexpr int Runs = 5;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

void Generate(const std::filesystem::path& file)
{
    lxw_workbook* wb = workbook_new(file.c_str());
    lxw_worksheet* sheet = workbook_add_worksheet(wb, "Data");
    lxw_format* money = workbook_add_format(wb);
    format_set_num_format(money, "#,##0.00");
    char text[64];
    for (int r = 0; r < Rows; ++r) {
        for (int c = 0; c < Columns / 2; ++c)
            worksheet_write_number(sheet, r, c, r * 10.25 + c, c == 1 ? money : nullptr);
        for (int c = Columns / 2; c < Columns; ++c) {
            std::snprintf(text, sizeof text, "品目%d-%d", r + 1, c);
            worksheet_write_string(sheet, r, c, text, nullptr);
        }
    }
    if (workbook_close(wb) != LXW_NO_ERROR) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        std::exit(1);
    }
}

// Peak resident memory of this process in KiB; VmHWM starts afresh at exec.
long PeakKiB()
{
    long peakKiB = 0;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmHWM: %ld", &peakKiB) == 1)
                break;
        std::fclose(status);
    }
    return peakKiB;
}

// The wrappers, as the generator reads cells: every cell's Text.
int ReadThroughWrappers(const std::filesystem::path& file)
{
    const auto start = Clock::now();
    Excel::TExcel& excel = Excel::TExcelSingleton::GetInstance();
    excel.Workbooks().Open(FromPath(file));
    Excel::TWorksheet sheet = excel.ActiveWorkbook().Worksheets().Item(1);
    const double opened = Seconds(start);
    std::size_t cells = 0;
    for (int r = 1; r <= Rows; ++r)
        for (int c = 1; c <= Columns; ++c)
            cells += !sheet.Cells(c, r).Text().empty();
    const double seconds = Seconds(start);
    std::printf("%zu %.6f %ld %.6f\n", cells, seconds, PeakKiB(), opened);
    Excel::TExcelSingleton::Release();
    return 0;
}

// The limit: inflate every part of the package with zlib (through libzip),
// doing nothing with the bytes.
int InflateParts(const std::filesystem::path& file)
{
    const auto start = Clock::now();
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_RDONLY, &error);
    if (!archive)
        return 1;
    std::vector<char> buffer(256 * 1024);
    std::size_t bytes = 0;
    for (zip_int64_t i = 0, n = zip_get_num_entries(archive, 0); i < n; ++i) {
        zip_file_t* entry = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        for (zip_int64_t got; entry && (got = zip_fread(entry, buffer.data(), buffer.size())) > 0;)
            bytes += static_cast<std::size_t>(got);
        if (entry)
            zip_fclose(entry);
    }
    zip_discard(archive);
    std::printf("%zu %.6f %ld\n", bytes, Seconds(start), PeakKiB());
    return 0;
}

struct TResult {
    long count = 0;
    double seconds = -1;
    long peakKiB = 0;
    double opened = -1;  // of `seconds`, opening the workbook (tabloom only)
};

// Runs a command (this program again, python or node) once; it prints
// "count seconds peak-KiB [open-seconds]". seconds < 0 if it failed.
TResult RunOnce(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    TResult r;
    char line[256];
    if (!pipe || !std::fgets(line, sizeof line, pipe) ||
        std::sscanf(line, "%ld %lf %ld %lf", &r.count, &r.seconds, &r.peakKiB, &r.opened) < 3)
        r.seconds = -1;
    if (pipe)
        pclose(pipe);
    return r;
}

// Keeps the faster of the two; a failed run spoils the result.
bool KeepBest(TResult& best, const TResult& r, int run)
{
    if (r.seconds < 0) {
        best.seconds = -1;
        return false;
    }
    if (run == 0 || r.seconds < best.seconds)
        best = r;
    return true;
}

TResult Measure(const std::string& command, int runs)
{
    TResult best;
    for (int i = 0; i < runs && KeepBest(best, RunOnce(command), i); ++i) {
    }
    return best;
}

// The best of `runs` of each, taking turns, so that a slow spell of the
// machine falls on both rather than on one.
void MeasureInTurns(const std::string& a, const std::string& b, int runs, TResult& bestA, TResult& bestB)
{
    for (int i = 0; i < runs && KeepBest(bestA, RunOnce(a), i) && KeepBest(bestB, RunOnce(b), i); ++i) {
    }
}

std::string Quoted(const std::string& s)
{
    return "'" + s + "'";
}

std::string OpenpyxlCommand(const std::filesystem::path& file)
{
    return "/usr/bin/python3 -c \"import sys,time,resource\n"
           "from openpyxl import load_workbook\n"
           "t=time.perf_counter()\n"
           "wb=load_workbook(sys.argv[1], read_only=True)\n"
           "n=0\n"
           "for row in wb.worksheets[0].iter_rows(values_only=True):\n"
           "    for v in row:\n"
           "        n+= v is not None\n"
           "print(n, time.perf_counter()-t, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)\" " +
           Quoted(file.string()) + " 2>/dev/null";
}

std::string NpmCommand(const std::filesystem::path& npmFolder, const std::filesystem::path& file)
{
    return "cd " + Quoted(npmFolder.string()) +
           " && node -e \"const X=require('xlsx');const t=process.hrtime.bigint();\n"
           "const wb=X.readFile(process.argv[1]);const ws=wb.Sheets[wb.SheetNames[0]];\n"
           "let n=0;for(const k in ws){if(k[0]==='!')continue;if(X.utils.format_cell(ws[k])!=='')n++;}\n"
           "console.log(n, Number(process.hrtime.bigint()-t)/1e9, process.resourceUsage().maxRSS)\" " +
           Quoted(file.string()) + " 2>/dev/null";
}

void Print(const char* name, const char* what, const TResult& r, const TResult& base, const TResult& ours)
{
    if (r.seconds < 0) {
        std::printf("%-9s %-34s not available\n", name, what);
        return;
    }
    std::printf("%-9s %-34s %8.3f s %7.2fx inflate  peak %7.1f MB", name, what, r.seconds,
                r.seconds / base.seconds, r.peakKiB / 1024.0);
    if (&r != &ours && &r != &base)
        std::printf("  tabloom %.1fx faster", r.seconds / ours.seconds);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "read")
        return ReadThroughWrappers(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "inflate")
        return InflateParts(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "idle") {
        std::printf("0 0 %ld\n", PeakKiB());
        return 0;
    }
    const std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const std::filesystem::path npmFolder = argc > 2 ? argv[2] : "";
    const auto file = std::filesystem::absolute(folder / "bench-100000x10-half-strings.xlsx");
    if (!std::filesystem::exists(file)) {
        const auto start = Clock::now();
        Generate(file);
        std::printf("generated %s in %.2f s (%.1f MB)\n", file.c_str(), Seconds(start),
                    std::filesystem::file_size(file) / 1e6);
    }
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const TResult idle = Measure(Quoted(self) + " idle x", 1);
    TResult base, ours;
    MeasureInTurns(Quoted(self) + " inflate " + Quoted(file.string()), Quoted(self) + " read " + Quoted(file.string()),
                   Runs, base, ours);
    const TResult python = Measure(OpenpyxlCommand(file), 1);
    const TResult node = npmFolder.empty() ? TResult{} : Measure(NpmCommand(npmFolder, file), 1);
    if (base.seconds < 0 || ours.seconds < 0) {
        std::fprintf(stderr, "a measuring child failed\n");
        return 1;
    }

    std::printf("\n%d x %d cells, %ld with text; best of %d for tabloom and inflate\n", Rows, Columns,
                ours.count, Runs);
    Print("inflate", "zlib inflate of every part", base, base, ours);
    Print("tabloom", "open + Text of every cell", ours, base, ours);
    std::printf("%-9s %-34s %8.3f s, Text of every cell %.3f s\n", "", "of which open", ours.opened,
                ours.seconds - ours.opened);
    Print("openpyxl", "read-only, every value", python, base, ours);
    Print("npm xlsx", "readFile + format_cell, every cell", node, base, ours);
    const double perCell = (ours.peakKiB - idle.peakKiB) * 1024.0 / static_cast<double>(ours.count ? ours.count : 1);
    std::printf("tabloom memory beyond the idle process (%.1f MB): %.1f bytes per non-empty cell\n",
                idle.peakKiB / 1024.0, perCell);
    return 0;
}
