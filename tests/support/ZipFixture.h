#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Writes a zip archive with the given entries (name, bytes), deflated.
void WriteZip(const std::filesystem::path& path,
              const std::vector<std::pair<std::string, std::string>>& entries);

// The EOleException message of `f` as UTF-8, or "" when nothing was thrown.
template <typename F> std::string OleMessage(F&& f);

} // namespace testsupport

#include "workbook/EOleException.h"

template <typename F> std::string testsupport::OleMessage(F&& f)
{
    try {
        f();
    } catch (const Excel::EOleException& e) {
        return e.what();
    }
    return {};
}
