// libFuzzer target: any bytes given as a workbook file must open or be
// refused with an Exception, never crash, hang or exhaust memory.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

#include "text/Exception.h"
#include "readers/TWorkbookReader.h"

namespace {

// One file per process, rewritten for every input.
const std::filesystem::path& InputPath()
{
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tabloom-fuzz-" + std::to_string(::getpid()));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Legacy .xls goes through LibreOffice, seconds per input: not fuzzed here.
    if (bytes.starts_with(std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)))
        return -1;
    const auto& path = InputPath();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        const bool written = std::fwrite(data, 1, size, f) == size;
        if (std::fclose(f) != 0 || !written)
            return 0;
    } else {
        return 0;
    }
    try {
        const auto book = Excel::OpenWorkbookFile(path);
        // Touch every sheet's lookup so a corrupt model shows up here.
        for (const auto& sheet : book->sheets)
            (void)sheet.Find(1, 1);
    } catch (const Exception&) {
    }
    return 0;
}
