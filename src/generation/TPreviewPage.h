#pragma once

// One page rendered in memory for a look before the job runs: what the job
// would write for that record (or run of a list), without writing it.

#include <string>

#include "text/UnicodeString.h"

struct TPreviewPage {
    // The page shown, from 1: the one asked for, or the last one when there
    // are fewer pages; 0 when the template and workbook make none.
    long long Number = 0;
    // No page follows this one.
    bool Last = true;
    // A list layout, whose pages are runs of records.
    bool List = false;
    // The page name before any "(n)", as the job would name the file.
    UnicodeString Name;
    UnicodeString Text;
    // The file's bytes, preamble included; empty when the text is, as the
    // job then makes no file.
    std::string Bytes;
    unsigned CodePage = 0;
};
