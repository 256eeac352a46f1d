#pragma once

#include <iosfwd>
#include <optional>
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
    bool Check = false;  // --check: the job without writing, findings listed
    // --page=N: the page to write to standard output; below 1 when N is not
    // a number from 1 up.
    std::optional<long long> Page;
};

// Reads -a, -t=, -x=, -d=, -te=, -de= (case-sensitive, last one wins);
// every other argument is ignored. The program name is not among `args`.
TCommandLine ParseCommandLine(const std::vector<UnicodeString>& args);

// Runs the project's job in the console: progress lines to `out`, failures
// to `err`, and with `progressLine` (`err` is a terminal) a self-updating
// line of the run's progress there. Returns the exit status: 0 when the
// pages were made, else 1.
int RunConsoleJob(const TProject& project, std::ostream& out, std::ostream& err, bool progressLine = false);

// Checks the project's template against its workbook without writing: one
// finding per line to `out`, in the compiler style. Returns 0 when only counts
// were found, 1 when anything else was, 2 when the inputs are missing.
int RunConsoleCheck(const TProject& project, std::ostream& out, std::ostream& err);

// Writes the bytes of page `number` (from 1) of the project's job to `out`,
// exactly as the job would write that page's file, and writes no file.
// Returns 0 when written, 1 on a failure or a page past the last, 2 for a
// number below 1.
int RunConsolePage(const TProject& project, long long number, std::ostream& out, std::ostream& err);

// --help and --version are the only texts that follow the locale: Japanese
// when LC_ALL, else LC_MESSAGES, else LANG names a Japanese locale.
bool IsJapaneseLocale(const char* lcAll, const char* lcMessages, const char* lang);
bool IsJapaneseLocale();

void PrintUsage(std::ostream& out, bool japanese);
void PrintVersion(std::ostream& out, bool japanese);
