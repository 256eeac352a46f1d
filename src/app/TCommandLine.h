#pragma once

#include <iosfwd>
#include <vector>

#include "settings/TProject.h"
#include "text/UnicodeString.h"

// What the command line asks for: a project, whether to run it at once, and
// the informational switches of the console program.
struct TCommandLine {
    TProject Project{u"", 0, u"", u"", 0};
    bool AutoRun = false;
    bool Help = false;
    bool Version = false;
};

// Reads -a, -t=, -x=, -d=, -te=, -de= (case-sensitive, last one wins);
// every other argument is ignored. The program name is not among `args`.
TCommandLine ParseCommandLine(const std::vector<UnicodeString>& args);

// Runs the project's job in the console: progress lines to `out`, failures
// to `err`, and with `progressLine` (`err` is a terminal) a self-updating
// line of the run's progress there. Returns the exit status: 0 when the
// pages were made, else 1.
int RunConsoleJob(const TProject& project, std::ostream& out, std::ostream& err, bool progressLine = false);

void PrintUsage(std::ostream& out);
void PrintVersion(std::ostream& out);
