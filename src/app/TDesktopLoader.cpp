// Loads the window part, which links Qt, only when a window opens, so that
// console runs, --help and --version do not pay for loading Qt's libraries.
#include <dlfcn.h>

#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/TDesktop.h"

namespace fs = std::filesystem;

namespace {

// As CMakeLists.txt builds and cmake/Install.cmake installs it.
constexpr char DesktopModuleName[] = "tabloom-desktop.so";
constexpr char DesktopModuleFolder[] = "lib/tabloom";

// Next to the program in the build tree, under lib/tabloom once installed.
void* LoadModule(std::string& error)
{
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        error = ec.message();
        return nullptr;
    }
    const fs::path folder = program.parent_path();
    for (const fs::path& path : {folder / DesktopModuleName, folder / ".." / DesktopModuleFolder / DesktopModuleName}) {
        if (!fs::exists(path, ec))
            continue;
        if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
            return module;
        error = dlerror();
        return nullptr;
    }
    error = std::string(DesktopModuleName) + " がありません";
    return nullptr;
}

} // namespace

int StartDesktop(int& argc, char** argv, const std::vector<UnicodeString>& args)
{
    std::string error;
    void* module = LoadModule(error);
    using Run = int (*)(int*, char**, const std::vector<UnicodeString>*);
    const auto run = module ? reinterpret_cast<Run>(dlsym(module, "TabloomRunDesktop")) : nullptr;
    if (!run) {
        std::cerr << "tabloom: ウィンドウの部品を読み込めません (" << (module ? dlerror() : error)
                  << ")。コンソールで実行するには -a を付け、DISPLAY を空にしてください。\n";
        return 2;
    }
    // The module stays loaded: Qt's objects live until the process ends.
    return run(&argc, argv, &args);
}
