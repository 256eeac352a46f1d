// libFuzzer target for the CSV reader alone: any bytes read as CSV must give
// a sheet or be refused with an Exception (text past the grid among them),
// never crash, hang or store more cells than the text has fields.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "FuzzCheck.h"
#include "readers/csv/TCsvReader.h"
#include "text/Exception.h"
#include "workbook/TWorkbookData.h"

namespace {

const std::filesystem::path& InputPath()
{
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tabloom-fuzz-csv-" + std::to_string(::getpid()) + ".csv");
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(InputPath().c_str(), "wb");
    if (f == nullptr)
        return 0;
    const bool written = std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0 || !written)
        return 0;
    std::size_t fields = 1;
    for (std::size_t i = 0; i < size; ++i)
        fields += data[i] == ',' || data[i] == '\n' || data[i] == '\r';
    try {
        const auto book = Excel::ReadCsvWorkbook(InputPath());
        Check(book->sheets.size() == 1);
        Check(book->sheets[0].CellCount() <= fields);
    } catch (const Exception& e) {
        Check(!e.Message().empty());
    }
    return 0;
}
