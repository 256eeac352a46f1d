#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "app/TDesktop.h"

const char NoDisplayMessage[] =
    "tabloom: ウィンドウを開くにはディスプレイが必要です。"
    "コンソールで実行するには -a を付けてください（使い方: tabloom --help）。\n";

namespace {

const char* Env(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

// Qt ends the process when it cannot reach the X server, so we try first.
// libxcb is loaded only for this test, as Qt's own xcb plugin does.
bool CanConnectToX()
{
    void* xcb = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!xcb)
        return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool ok = false;
    if (connect && hasError && disconnect) {
        void* connection = connect(nullptr, nullptr);
        ok = connection && hasError(connection) == 0;
        if (connection)
            disconnect(connection);
    }
    dlclose(xcb);
    return ok;
}

bool WaylandSocketExists(const char* display)
{
    std::string path = display;
    if (path.front() != '/') {
        const char* runtime = Env("XDG_RUNTIME_DIR");
        if (!runtime)
            return false;
        path = std::string(runtime) + "/" + path;
    }
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

} // namespace

bool HasDisplay()
{
    if (const char* wayland = Env("WAYLAND_DISPLAY"); wayland && WaylandSocketExists(wayland))
        return true;
    return Env("DISPLAY") && CanConnectToX();
}
