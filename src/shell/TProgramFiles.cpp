#include "shell/TProgramFiles.h"

#include <filesystem>
#include <system_error>

UnicodeString ProgramFilePath()
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? UnicodeString() : FromPath(self);
}

UnicodeString FindSharedFile(const UnicodeString& programPath, const UnicodeString& relative)
{
    const std::filesystem::path folder = ToPath(programPath).parent_path();
    for (const std::filesystem::path& base : {folder / "share", folder / ".." / "share"}) {
        std::error_code ec;
        const std::filesystem::path candidate = (base / ToPath(relative)).lexically_normal();
        if (std::filesystem::exists(candidate, ec))
            return FromPath(candidate);
    }
    return UnicodeString();
}
