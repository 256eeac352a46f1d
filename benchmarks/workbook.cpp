// Reading a 100,000 x 10 workbook (half strings, half numbers) in four
// shapes: .xlsx with shared strings, with inline strings, as openpyxl's
// streaming writer saves it, and .ods as LibreOffice saves it. For each,
// tabloom opens it, and opens it and reads every cell's Text through the
// automation wrappers, against a Python process inflating every part of the
// same file (the limit), openpyxl read-only iterating every value, and the
// npm `xlsx` package reading the file and formatting every cell. Every figure
// is a whole process, so each has its own peak memory.
//
//   bench_workbook <folder> [npm-folder]  runs everything, keeps the workbooks in folder
//   bench_workbook open <file>            (internal) opens the workbook only
//   bench_workbook read <file>            (internal) opens and reads, prints the cells with text
//   bench_workbook idle x                 (internal) does nothing, for the baseline memory
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ProcessTiming.h"
#include "WorkbookShapes.h"
#include "automation/TExcel.h"
#include "automation/TExcelSingleton.h"

namespace {

using bench::Columns;
using bench::Rows;
using bench::TShape;

// Best of this many for tabloom and the inflate, taking turns; openpyxl and
// npm xlsx take seconds a run, so they run only in the first turns.
constexpr int Runs = 5;
constexpr int ComparisonRuns = 2;
constexpr long Cells = static_cast<long>(Rows) * Columns;

// Every child prints what it counted and then its own peak resident memory
// in KiB, which starts afresh at exec. The figure wait4 gives cannot serve:
// a child spawned from this process starts with this process's peak.
long PeakKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

constexpr const char* PythonPeak =
    "print(next(int(l.split()[1]) for l in open('/proc/self/status') if l.startswith('VmHWM')))\n";
constexpr const char* NodePeak =
    "console.log(require('fs').readFileSync('/proc/self/status', 'utf8').match(/VmHWM:\\s*(\\d+)/)[1]);\n";

int OpenOnly(const std::filesystem::path& file)
{
    Excel::TExcel& excel = Excel::TExcelSingleton::GetInstance();
    excel.Workbooks().Open(FromPath(file));
    Excel::TWorksheet sheet = excel.ActiveWorkbook().Worksheets().Item(1);
    std::printf("0 %ld\n", PeakKiB());
    Excel::TExcelSingleton::Release();
    return 0;
}

// The wrappers, as the generator reads cells: every cell's Text.
int ReadThroughWrappers(const std::filesystem::path& file)
{
    Excel::TExcel& excel = Excel::TExcelSingleton::GetInstance();
    excel.Workbooks().Open(FromPath(file));
    Excel::TWorksheet sheet = excel.ActiveWorkbook().Worksheets().Item(1);
    long cells = 0;
    for (int r = 1; r <= Rows; ++r)
        for (int c = 1; c <= Columns; ++c)
            cells += !sheet.Cells(c, r).Text().empty();
    std::printf("%ld %ld\n", cells, PeakKiB());
    Excel::TExcelSingleton::Release();
    return 0;
}

// The limit: Python's zipfile inflating every part, doing nothing with the
// bytes; prints how many there were.
std::vector<std::string> InflateCommand(const std::filesystem::path& file)
{
    return {"/usr/bin/python3", "-c",
            "import sys, zipfile\n"
            "n = 0\n"
            "with zipfile.ZipFile(sys.argv[1]) as z:\n"
            "    for info in z.infolist():\n"
            "        with z.open(info) as part:\n"
            "            while block := part.read(262144):\n"
            "                n += len(block)\n"
            "print(n)\n" +
                std::string(PythonPeak),
            file.string()};
}

std::vector<std::string> OpenpyxlCommand(const std::filesystem::path& file, bool everyCell)
{
    std::string script = "import sys\n"
                         "from openpyxl import load_workbook\n"
                         "wb = load_workbook(sys.argv[1], read_only=True)\n"
                         "ws = wb.worksheets[0]\n";
    script += everyCell ? "print(sum(v is not None for row in ws.iter_rows(values_only=True) for v in row))\n"
                        : "print(0)\n";
    script += PythonPeak;
    return {"/usr/bin/python3", "-c", script, file.string()};
}

// Opening is reading the whole file here; it prints how many cells it holds.
std::vector<std::string> NpmCommand(const std::filesystem::path& npmFolder, const std::filesystem::path& file,
                                    bool everyCell)
{
    std::string script = "const X = require(require('path').join(process.argv[2], 'node_modules', 'xlsx'));\n"
                         "const wb = X.readFile(process.argv[1]);\n"
                         "const ws = wb.Sheets[wb.SheetNames[0]];\n"
                         "let n = 0;\n"
                         "for (const k in ws) if (k[0] !== '!') ";
    script += everyCell ? "n += X.utils.format_cell(ws[k]) !== '';\n" : "n++;\n";
    script += "console.log(n);\n";
    script += NodePeak;
    return {"node", "-e", script, file.string(), npmFolder.string()};
}

// One reader of one shape, measured over the turns.
struct TMeasured {
    std::vector<std::string> command;
    int runs = Runs;
    long expected = -1;  // what it must print, or -1
    std::optional<TTiming> best;
    long printed = -1;
    bool failed = false;
};

void RunOnce(TMeasured& m, const std::filesystem::path& output)
{
    const std::optional<TTiming> run = TryRunTimed(m.command, environ, true, output.string());
    std::ifstream in(output);
    long printed = -1;
    std::optional<TTiming> t = run;
    // What it prints is checked where it must print something.
    if (!t || !(in >> printed >> t->peakKiB)) {
        m.failed = true;
        m.best.reset();
        return;
    }
    if (!m.best || t->wall < m.best->wall) {
        m.best = t;
        m.printed = printed;
    }
}

struct TReader {
    const char* label;
    TMeasured open;
    TMeasured cells;
};

struct TShapeResult {
    const TShape* shape;
    TMeasured inflate;
    std::vector<TReader> readers;  // tabloom first
};

TMeasured Measured(std::vector<std::string> command, int runs, long expected)
{
    TMeasured m;
    m.command = std::move(command);
    m.runs = runs;
    m.expected = expected;
    return m;
}

TShapeResult MeasureShape(const TShape& shape, const std::filesystem::path& file, const std::string& self,
                          const std::filesystem::path& npmFolder, const std::filesystem::path& output)
{
    TShapeResult result{&shape, Measured(InflateCommand(file), Runs, -1), {}};
    result.readers.push_back({"tabloom", Measured({self, "open", file.string()}, Runs, -1),
                              Measured({self, "read", file.string()}, Runs, Cells)});
    if (!shape.ods)
        result.readers.push_back({"openpyxl read-only", Measured(OpenpyxlCommand(file, false), ComparisonRuns, -1),
                                  Measured(OpenpyxlCommand(file, true), ComparisonRuns, Cells)});
    if (!npmFolder.empty())
        result.readers.push_back({"npm xlsx 0.18.5", Measured(NpmCommand(npmFolder, file, false), ComparisonRuns, -1),
                                  Measured(NpmCommand(npmFolder, file, true), ComparisonRuns, Cells)});
    for (int run = 0; run < Runs; ++run) {
        std::vector<TMeasured*> turn{&result.inflate};
        for (TReader& reader : result.readers)
            turn.insert(turn.end(), {&reader.open, &reader.cells});
        for (TMeasured* m : turn)
            if (run < m->runs && !m->failed)
                RunOnce(*m, output);
    }
    return result;
}

double Ratio(const TMeasured& m, const TMeasured& base)
{
    return m.best && base.best ? m.best->wall / base.best->wall : -1;
}

// "0.34x" and, with a goal, whether it holds.
std::string Figure(const TMeasured& m, const TMeasured& base, double goal)
{
    if (!m.best)
        return m.failed ? "failed" : "not run";
    char text[96];
    const double ratio = Ratio(m, base);
    if (goal > 0)
        std::snprintf(text, sizeof text, "%6.3f s %5.2fx (goal <= %.1fx %s)", m.best->wall, ratio, goal,
                      ratio <= goal ? "met" : "MISSED");
    else
        std::snprintf(text, sizeof text, "%6.3f s %5.2fx", m.best->wall, ratio);
    return text;
}

std::string Megabytes(const TMeasured& m)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", m.best ? m.best->peakKiB / 1024.0 : 0.0);
    return m.best ? text : "-";
}

void PrintShape(const TShapeResult& r, const std::filesystem::path& file)
{
    std::printf("\n%s: %s, %.1f MB\n", r.shape->label, file.filename().c_str(),
                std::filesystem::file_size(file) / 1e6);
    if (!r.inflate.best) {
        std::printf("  the inflate failed: no ratios\n");
        return;
    }
    std::printf("  %-20s %6.3f s  1.00x  %.1f MB of parts inflated, peak %.1f MB\n", "inflate (zipfile)",
                r.inflate.best->wall, r.inflate.printed / 1e6, r.inflate.best->peakKiB / 1024.0);
    std::printf("  %-20s %-38s %-38s %s\n", "", "open", "every cell", "peak MB open / every cell");
    for (const TReader& reader : r.readers) {
        const bool ours = &reader == &r.readers.front();
        std::printf("  %-20s %-38s %-38s %s / %s\n", reader.label,
                    Figure(reader.open, r.inflate, ours ? r.shape->openGoal : 0).c_str(),
                    Figure(reader.cells, r.inflate, ours ? r.shape->cellsGoal : 0).c_str(),
                    Megabytes(reader.open).c_str(), Megabytes(reader.cells).c_str());
        for (const TMeasured* m : {&reader.open, &reader.cells})
            if (m->best && m->expected >= 0 && m->printed != m->expected)
                std::printf("  %-20s read %ld cells with text, not %ld\n", "", m->printed, m->expected);
    }
    // Wall time is the measure; a reader working on two threads shows here.
    const TReader& ours = r.readers.front();
    if (ours.open.best && ours.cells.best)
        std::printf("  %-20s processor time of those runs: open %.3f s, every cell %.3f s, inflate %.3f s\n", "",
                    ours.open.best->cpu, ours.cells.best->cpu, r.inflate.best->cpu);
}

double BytesPerCell(const TShapeResult& r, const TTiming& idle)
{
    const TMeasured& cells = r.readers.front().cells;
    if (!cells.best || cells.printed <= 0)
        return -1;
    return (cells.best->peakKiB - idle.peakKiB) * 1024.0 / static_cast<double>(cells.printed);
}

std::string Cell(const TMeasured& m, const TMeasured& base, double goal)
{
    const double ratio = Ratio(m, base);
    if (ratio < 0)
        return "-";
    char text[64];
    if (goal > 0)
        std::snprintf(text, sizeof text, "%.2fx (<= %.1fx %s)", ratio, goal, ratio <= goal ? "met" : "missed");
    else
        std::snprintf(text, sizeof text, "%.1fx", ratio);
    return text;
}

// One line a shape, ready for a note.
void PrintSummary(const std::vector<TShapeResult>& results, const TTiming& idle)
{
    std::printf("\n| shape | open | every cell | bytes per cell | openpyxl every cell | npm xlsx every cell |\n"
                "|---|---|---|---|---|---|\n");
    for (const TShapeResult& r : results) {
        const TReader& ours = r.readers.front();
        std::string openpyxl = "-", npm = "-";
        for (const TReader& reader : r.readers) {
            if (std::string(reader.label).starts_with("openpyxl"))
                openpyxl = Cell(reader.cells, r.inflate, 0);
            if (std::string(reader.label).starts_with("npm"))
                npm = Cell(reader.cells, r.inflate, 0);
        }
        std::printf("| %s | %s | %s | %.1f | %s | %s |\n", r.shape->label,
                    Cell(ours.open, r.inflate, r.shape->openGoal).c_str(),
                    Cell(ours.cells, r.inflate, r.shape->cellsGoal).c_str(), BytesPerCell(r, idle),
                    openpyxl.c_str(), npm.c_str());
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "open")
        return OpenOnly(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "read")
        return ReadThroughWrappers(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "idle") {
        std::printf("0 %ld\n", PeakKiB());
        return 0;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::filesystem::path folder =
        std::filesystem::absolute(argc > 1 ? argv[1] : std::filesystem::temp_directory_path());
    const std::filesystem::path npmFolder = argc > 2 ? std::filesystem::absolute(argv[2]) : "";
    for (const TShape& shape : bench::Shapes()) {
        const auto begun = std::chrono::steady_clock::now();
        const bool existed = std::filesystem::exists(folder / shape.fileName);
        if (!bench::EnsureShape(shape, folder))
            return 1;
        if (!existed)
            std::printf("wrote %s in %.1f s\n", shape.fileName,
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count());
    }
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::filesystem::path output = folder / "last-output.txt";
    TMeasured idleRun = Measured({self, "idle", "x"}, 1, -1);
    RunOnce(idleRun, output);
    if (!idleRun.best)
        return 1;
    const TTiming idle = *idleRun.best;
    std::printf("%d x %d cells, half strings; whole processes, best of %d for tabloom and the inflate, "
                "of %d for the others, taking turns; ratios against the inflate of the same file\n",
                Rows, Columns, Runs, ComparisonRuns);
    std::vector<TShapeResult> results;
    for (const TShape& shape : bench::Shapes()) {
        const std::filesystem::path file = folder / shape.fileName;
        results.push_back(MeasureShape(shape, file, self, npmFolder, output));
        PrintShape(results.back(), file);
        std::fflush(stdout);
    }
    std::printf("\ntabloom's memory beyond the idle process (%.1f MB), per non-empty cell:", idle.peakKiB / 1024.0);
    for (const TShapeResult& r : results)
        std::printf(" %.1f", BytesPerCell(r, idle));
    std::printf(" bytes\n");
    PrintSummary(results, idle);
    std::printf("\nwhole run %.0f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    const bool tabloomRan = std::all_of(results.begin(), results.end(), [](const TShapeResult& r) {
        return r.inflate.best && r.readers.front().open.best && r.readers.front().cells.best;
    });
    return tabloomRan ? 0 : 1;
}
