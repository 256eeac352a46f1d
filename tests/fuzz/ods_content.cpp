// libFuzzer target for the OpenDocument cell reader: the input becomes the
// content.xml of a well-formed package, so mutations reach the XML handling
// instead of stopping at the zip checksums.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <zip.h>

#include "text/Exception.h"
#include "readers/ods/TOdsReader.h"

namespace {

bool WritePackage(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size)
{
    static const char mimetype[] = "application/vnd.oasis.opendocument.spreadsheet";
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    auto add = [&](const char* name, const void* bytes, std::size_t length) {
        zip_source_t* source = zip_source_buffer(archive, bytes, length, 0);
        if (source && zip_file_add(archive, name, source, 0) >= 0)
            return true;
        zip_source_free(source);
        return false;
    };
    if (!add("mimetype", mimetype, sizeof mimetype - 1) || !add("content.xml", data, size)) {
        zip_discard(archive);
        return false;
    }
    return zip_close(archive) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tabloom-fuzz-ods-" + std::to_string(::getpid()) + ".ods");
    if (!WritePackage(path, data, size))
        return 0;
    try {
        const auto book = Excel::ReadOdsWorkbook(path);
        for (const auto& sheet : book->sheets)
            (void)sheet.Find(1, 1);
    } catch (const Exception&) {
    }
    return 0;
}
