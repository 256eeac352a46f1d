#include <unistd.h>

#include <exception>
#include <iostream>
#include <vector>

#include "app/TCommandLine.h"
#include "app/TDesktop.h"

int main(int argc, char* argv[])
{
    try {
        std::vector<UnicodeString> args;
        for (int i = 1; i < argc; ++i)
            args.push_back(FromNative(argv[i]));
        const TCommandLine commandLine = ParseCommandLine(args);
        if (commandLine.Help) {
            PrintUsage(std::cout, IsJapaneseLocale());
            return 0;
        }
        if (commandLine.Version) {
            PrintVersion(std::cout, IsJapaneseLocale());
            return 0;
        }
        if (commandLine.Page)
            return RunConsolePage(commandLine.Project, *commandLine.Page, std::cout, std::cerr);
        if (commandLine.Check)
            return RunConsoleCheck(commandLine.Project, std::cout, std::cerr);
        if (HasDisplay())
            return StartDesktop(argc, argv, args);
        // Without a display only -a can run, in the console.
        if (!commandLine.AutoRun) {
            std::cerr << NoDisplayMessage;
            return 2;
        }
        return RunConsoleJob(commandLine.Project, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
    } catch (const std::exception& e) {
        // Last resort: whatever escaped is reported, never a crash.
        std::cerr << e.what() << '\n';
        return 1;
    } catch (...) {
        return 1;
    }
}
