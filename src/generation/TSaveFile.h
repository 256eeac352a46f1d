#pragma once

#include "text/UnicodeString.h"

// Turning a rendered page into a file in the output folder.
namespace TSaveFile {

// "<folder>/<pageName>.html", or "<folder>/<pageName>(n).html" with the first
// n from 2 up whose file does not exist. The page name is used unchanged.
// Nothing is created or reserved.
UnicodeString MakeUniqueFileName(const UnicodeString& folder, const UnicodeString& pageName);

// Writes the preamble of the code page and the encoded text to a new file.
// Empty text creates nothing. The file is created exclusively: an existing
// file is never replaced. Raises the file-creation error when the file
// cannot be created or written; a partly written file is removed first.
void SaveTextFile(const UnicodeString& path, const UnicodeString& text, unsigned codePage);

} // namespace TSaveFile
