#pragma once

#include "text/Exception.h"

namespace Excel {

// An error reported by the spreadsheet engine (a file it cannot open, an
// unknown sheet, a cell outside the grid), carrying a Japanese description.
// The wrappers pass it on unchanged.
class EOleException : public Exception {
public:
    using Exception::Exception;
};

// A cell value that cannot be turned into text (an error value read as Value).
class EVariantError : public Exception {
public:
    using Exception::Exception;
};

} // namespace Excel
