#include <gtest/gtest.h>
#include <malloc.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "readers/TWorkbookReader.h"
#include "support/TestSupport.h"

using namespace testsupport;
using namespace Excel;

namespace {

long StatusKiB(const char* key)
{
    long value = -1;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            value = std::stol(line.substr(std::string(key).size()));
    return value;
}

// Bytes the process's peak resident memory grows by while `work` runs;
// -1 where the kernel cannot reset the peak.
double PeakGrowth(const std::function<void()>& work)
{
    // Freed heap memory would otherwise be reused without showing.
    malloc_trim(0);
    const long before = StatusKiB("VmRSS:");
    {
        std::ofstream reset("/proc/self/clear_refs");
        reset << "5";
    }
    if (StatusKiB("VmHWM:") > before + 1024)
        return -1;
    work();
    return (StatusKiB("VmHWM:") - before) * 1024.0;
}

bool Sanitized()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

TEST(MemoryBounds, XlsxCellsTakeAtMost48BytesEach)
{
    if (Sanitized())
        GTEST_SKIP() << "the sanitizer's shadow memory is counted too";
    TempDir dir;
    const auto file = dir / "cells.xlsx";
    constexpr int Rows = 100000, Columns = 10;
    lxw_workbook* wb = workbook_new(file.c_str());
    lxw_worksheet* sheet = workbook_add_worksheet(wb, "Data");
    char text[64];
    for (int r = 0; r < Rows; ++r)
        for (int c = 0; c < Columns; ++c) {
            if (c < Columns / 2) {
                worksheet_write_number(sheet, r, c, r * 10.25 + c, nullptr);
            } else {
                std::snprintf(text, sizeof text, "品目%d-%d", r + 1, c);
                worksheet_write_string(sheet, r, c, text, nullptr);
            }
        }
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);

    std::size_t cells = 0;
    const double growth = PeakGrowth([&] { cells = OpenWorkbookFile(file)->sheets.at(0).CellCount(); });
    if (growth < 0)
        GTEST_SKIP() << "the peak memory cannot be reset here";
    ASSERT_EQ(cells, std::size_t(Rows) * Columns);
    EXPECT_LE(growth / static_cast<double>(cells), 48) << growth << " bytes";
}

TEST(MemoryBounds, CsvTakesAtMostFourTimesItsSize)
{
    if (Sanitized())
        GTEST_SKIP() << "the sanitizer's shadow memory is counted too";
    TempDir dir;
    const auto file = dir / "rows.csv";
    std::string csv;
    for (int r = 0; csv.size() < (12u << 20); ++r)
        csv += std::to_string(r) + ",東京都千代田区丸の内" + std::to_string(r % 97) + "-" + std::to_string(r % 13) +
               ",\"品名, " + std::to_string(r * 7) + "\"," + std::to_string(r * 0.25) + ",2024/01/05\r\n";
    WriteFile(file, csv);
    const double growth = PeakGrowth([&] { OpenWorkbookFile(file); });
    if (growth < 0)
        GTEST_SKIP() << "the peak memory cannot be reset here";
    EXPECT_LE(growth, 4.0 * static_cast<double>(csv.size())) << growth << " bytes for " << csv.size();
}

} // namespace
