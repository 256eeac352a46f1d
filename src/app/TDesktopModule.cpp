// The entry of the window part, built as a module of its own that the
// program loads only when it opens a window (see TDesktopLoader.cpp).
#include "app/TDesktop.h"

extern "C" __attribute__((visibility("default"))) int TabloomRunDesktop(int* argc, char** argv,
                                                                         const std::vector<UnicodeString>* args)
{
    return RunDesktop(*argc, argv, *args);
}
