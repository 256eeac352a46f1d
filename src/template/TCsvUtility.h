#pragma once

#include "text/UnicodeString.h"

// Helpers for column letters and sheet lists.
namespace TCsvUtility {

// 0-based column index of the letters (A = 0 ... XFD = 16383), -1 when they
// are empty, hold anything but A-Z/a-z, or name a column past XFD.
int ColumnIndex(const UnicodeString& letters);

} // namespace TCsvUtility
