#pragma once

#include <filesystem>
#include <string>

#include "text/UnicodeString.h"

namespace testsupport {

// A fresh folder under the system temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Folders of the source tree, of ../shared and of the build.
std::filesystem::path SourceDir();
std::filesystem::path SharedDir();
std::filesystem::path BinaryDir();

// Shorthand for UTF-8 literals in expectations.
inline UnicodeString U(const std::string& utf8) { return Utf8ToUtf16(utf8); }

} // namespace testsupport
