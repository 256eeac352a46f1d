#pragma once

// The batch file of a project: a /bin/sh script whose one command line runs
// the project's job with -a. Relative paths are made absolute first, so the
// script does the same job from whatever folder it is started in.

#include <string>

#include "settings/TProject.h"
#include "text/UnicodeString.h"

namespace TBatchFile {

// "#!/bin/sh", LF, the command line, LF, as UTF-8 bytes. A field holding a
// character no shell word can carry (NUL) raises an Exception naming it.
std::string MakeScript(const TProject& project, const UnicodeString& programPath);

// Replaces `path` in one step with the script and sets its run bits. Raises
// an Exception with the platform's reason; nothing is left half-written.
void Write(const UnicodeString& path, const TProject& project, const UnicodeString& programPath);

} // namespace TBatchFile
