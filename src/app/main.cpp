#include <exception>
#include <iostream>
#include <vector>

#include "app/TCommandLine.h"

int main(int argc, char* argv[])
{
    try {
        std::vector<UnicodeString> args;
        for (int i = 1; i < argc; ++i)
            args.push_back(FromNative(argv[i]));
        const TCommandLine commandLine = ParseCommandLine(args);
        if (commandLine.Help) {
            PrintUsage(std::cout);
            return 0;
        }
        if (commandLine.Version) {
            PrintVersion(std::cout);
            return 0;
        }
        // The windows come later; without -a there is nothing to run.
        if (!commandLine.AutoRun) {
            PrintUsage(std::cout);
            return 0;
        }
        return RunConsoleJob(commandLine.Project, std::cout, std::cerr);
    } catch (const std::exception& e) {
        // Last resort: whatever escaped is reported, never a crash.
        std::cerr << e.what() << '\n';
        return 1;
    }
}
