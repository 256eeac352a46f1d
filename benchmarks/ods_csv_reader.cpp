// Reading cost of the OpenDocument and CSV readers on a generated sheet of
// 200,000 rows x 10 columns (numbers, dates, strings), each set against the
// bare cost of its input measured in the same run: inflating and tokenizing
// content.xml for ODS, reading and decoding the file for CSV.
#include <sys/resource.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "text/TStringUtility.h"
#include "readers/csv/TCsvReader.h"
#include "readers/ods/TOdsReader.h"
#include "readers/TWorkbookFile.h"
#include "readers/TXmlReader.h"
#include "readers/TZipArchive.h"

namespace fs = std::filesystem;
using namespace Excel;

namespace {

constexpr int Rows = 200000;
constexpr int Columns = 10;

std::string CellXml(int row, int column)
{
    switch (column % 3) {
    case 0: {
        const std::string v = std::to_string(row * 10 + column) + ".25";
        return "<table:table-cell office:value-type=\"float\" office:value=\"" + v + "\"><text:p>" + v +
               "</text:p></table:table-cell>";
    }
    case 1:
        return "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-01-" +
               std::to_string(10 + row % 20) + "T09:30:00\"><text:p>2024/01/" + std::to_string(10 + row % 20) +
               " 9:30</text:p></table:table-cell>";
    default:
        return "<table:table-cell office:value-type=\"string\"><text:p>name " + std::to_string(row % 5000) +
               "</text:p></table:table-cell>";
    }
}

void WriteOds(const fs::path& path)
{
    std::string content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content"
        " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
        " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
        " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">"
        "<office:body><office:spreadsheet><table:table table:name=\"Data\">";
    for (int r = 1; r <= Rows; ++r) {
        content += "<table:table-row>";
        for (int c = 0; c < Columns; ++c)
            content += CellXml(r, c);
        content += "</table:table-row>";
    }
    content += "</table:table></office:spreadsheet></office:body></office:document-content>";
    static const char mimetype[] = "application/vnd.oasis.opendocument.spreadsheet";
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    zip_file_add(z, "mimetype", zip_source_buffer(z, mimetype, sizeof mimetype - 1, 0), 0);
    zip_file_add(z, "content.xml", zip_source_buffer(z, content.data(), content.size(), 0), 0);
    zip_close(z);
}

void WriteCsv(const fs::path& path)
{
    std::ofstream out(path, std::ios::binary);
    for (int r = 1; r <= Rows; ++r) {
        for (int c = 0; c < Columns; ++c) {
            if (c)
                out << ',';
            if (c % 3 == 2)
                out << "\"名前 " << r % 5000 << "\"";
            else
                out << r * 10 + c << ".25";
        }
        out << "\r\n";
    }
}

double Seconds(const std::function<void()>& f, int repeats = 3)
{
    double best = 1e9;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

long PeakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class TNoHandler : public TXmlHandler {
public:
    void StartElement(const TXmlName&, const TXmlAttributes&) override { ++elements; }
    void EndElement(const TXmlName&) override {}
    std::size_t elements = 0;
};

// Reads one file in this fresh process and prints "seconds peak-KB".
int ReadOnce(const std::string& kind, const fs::path& file)
{
    std::size_t count = 0;
    const double seconds = Seconds(
        [&] {
            if (kind == "--ods")
                count = ReadOdsWorkbook(file)->sheets[0].CellCount();
            else if (kind == "--csv")
                count = ReadCsvWorkbook(file)->sheets[0].CellCount();
        },
        1);
    std::printf("%.4f %ld %zu\n", seconds, PeakKb(), count);
    return 0;
}

struct TChildRun {
    double seconds = 0;
    long peakKb = 0;
    std::size_t cells = 0;
};

// Best time and lowest peak of three runs in child processes, so the peak
// memory is the reader's own and not the generator's.
TChildRun RunChild(const char* self, const std::string& kind, const fs::path& file)
{
    TChildRun best{1e9, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const std::string command = std::string(self) + " " + kind + " '" + file.string() + "'";
        FILE* pipe = ::popen(command.c_str(), "r");
        TChildRun run;
        if (!pipe || std::fscanf(pipe, "%lf %ld %zu", &run.seconds, &run.peakKb, &run.cells) != 3) {
            std::fprintf(stderr, "child run failed: %s\n", command.c_str());
            std::exit(1);
        }
        ::pclose(pipe);
        best.seconds = std::min(best.seconds, run.seconds);
        best.peakKb = best.peakKb ? std::min(best.peakKb, run.peakKb) : run.peakKb;
        best.cells = run.cells;
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3)
        return ReadOnce(argv[1], argv[2]);

    const fs::path dir = fs::temp_directory_path() / ("tabloom-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path ods = dir / "data.ods";
    const fs::path csv = dir / "data.csv";
    WriteOds(ods);
    WriteCsv(csv);
    const double cells = double(Rows) * Columns;

    const double odsBare = Seconds([&] {
        TZipArchive zip(ods);
        TNoHandler none;
        ParseXmlEntry(zip, "content.xml", none);
    });
    const double csvBare = Seconds([&] {
        const std::string bytes = ReadWorkbookBytes(csv, CsvMaxFileBytes);
        (void)Utf8ToUtf16(bytes);
    });
    const TChildRun idle = RunChild(argv[0], "--none", ods);
    const TChildRun odsRun = RunChild(argv[0], "--ods", ods);
    const TChildRun csvRun = RunChild(argv[0], "--csv", csv);

    std::printf("cells: %.0f (ods %zu, csv %zu)\n", cells, odsRun.cells, csvRun.cells);
    std::printf("ods: bare inflate+tokenize %.3f s, ReadOdsWorkbook %.3f s, ratio %.2fx\n", odsBare,
                odsRun.seconds, odsRun.seconds / odsBare);
    std::printf("csv: bare read+decode %.3f s, ReadCsvWorkbook %.3f s, ratio %.2fx\n", csvBare, csvRun.seconds,
                csvRun.seconds / csvBare);
    std::printf("peak memory: idle %ld KB, ods %ld KB (%.0f bytes per cell), csv %ld KB (%.0f bytes per cell)\n",
                idle.peakKb, odsRun.peakKb, (odsRun.peakKb - idle.peakKb) * 1024.0 / cells, csvRun.peakKb,
                (csvRun.peakKb - idle.peakKb) * 1024.0 / cells);
    fs::remove_all(dir);
}
