#pragma once

#include <vector>

#include "text/UnicodeString.h"

// Helpers for column letters and sheet lists.
namespace TCsvUtility {

// 0-based column index of the letters (A = 0 ... XFD = 16383), -1 when they
// are empty, hold anything but A-Z/a-z, or name a column past XFD.
int ColumnIndex(const UnicodeString& letters);

// Sheet numbers from a comma-separated list ("3,1,3", "2 1", quoted items),
// ascending without duplicates. False when an item is not a number of 1 or more.
bool ParseSheetList(const UnicodeString& value, std::vector<int>& sheetNumbers);

} // namespace TCsvUtility
