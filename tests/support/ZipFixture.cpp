#include "support/ZipFixture.h"

#include <zip.h>

#include <stdexcept>

namespace testsupport {

void WriteZip(const std::filesystem::path& path,
              const std::vector<std::pair<std::string, std::string>>& entries)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        throw std::runtime_error("zip_open failed");
    for (const auto& [name, bytes] : entries) {
        // libzip reads the buffer at close time, so it must outlive the loop.
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            throw std::runtime_error("zip_file_add failed");
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        throw std::runtime_error("zip_close failed");
    }
}

} // namespace testsupport
