// libFuzzer target: any bytes as a project file and as a settings file.
// Loading must succeed (reading what it can) or raise an Exception; saving
// over the file and loading again must give back what was loaded.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "FuzzCheck.h"
#include "settings/TConfig.h"
#include "settings/TProject.h"
#include "text/Exception.h"

namespace {

const UnicodeString& InputPath()
{
    static const UnicodeString path = Utf8ToUtf16(
        (std::filesystem::temp_directory_path() / ("tabloom-fuzz-" + std::to_string(::getpid()) + ".tbm")).string());
    return path;
}

bool WriteInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(Utf16ToUtf8(InputPath()).c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

bool SameConfig(const TConfig& a, const TConfig& b)
{
    return a.WindowPositionRestore == b.WindowPositionRestore && a.WindowPositionLeft == b.WindowPositionLeft &&
           a.WindowPositionTop == b.WindowPositionTop && a.WindowPositionRight == b.WindowPositionRight &&
           a.WindowPositionBottom == b.WindowPositionBottom && a.GetWindowState() == b.GetWindowState() &&
           a.History() == b.History() && a.ProjectFileRestore == b.ProjectFileRestore &&
           a.LastProjectFile == b.LastProjectFile && a.InTaskTray == b.InTaskTray;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!WriteInput(data, size))
        return 0;
    try {
        TProject project;
        project.LoadFromFile(InputPath());
        project.SaveToFile(InputPath());
        TProject reloaded(u"x", 9, u"x", u"x", 9);
        reloaded.LoadFromFile(InputPath());
        Check(reloaded.SameAs(project));
    } catch (const Exception&) {
    }

    if (!WriteInput(data, size))
        return 0;
    try {
        TConfig config;
        config.LoadFromFile(InputPath());
        config.SaveToFile(InputPath());
        TConfig reloaded;
        reloaded.LoadFromFile(InputPath());
        Check(SameConfig(reloaded, config));
    } catch (const Exception&) {
    }
    return 0;
}
