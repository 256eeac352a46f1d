#include <cstdlib>

#include "app/TDesktop.h"

const char NoDisplayMessage[] =
    "tabloom: ウィンドウを開くにはディスプレイが必要です。"
    "コンソールで実行するには -a を付けてください（使い方: tabloom --help）。\n";

bool HasDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}
