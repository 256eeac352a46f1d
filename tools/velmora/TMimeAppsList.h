#pragma once

#include <string>

// Edits the text of a mimeapps.list: only the one entry of the
// [Default Applications] section for a MIME type is touched; every other
// line, comments and blank lines included, stays as it was.

// Makes `desktopId` the first default for `mimeType`, keeping any other
// programs listed for it after it. Adds the section when there is none.
std::string WithDefaultApplication(const std::string& text, const std::string& mimeType,
                                   const std::string& desktopId);

// Takes `desktopId` out of the defaults for `mimeType`; drops the entry when
// nothing else is listed, and the section header when the section is left
// empty. Text without that entry comes back unchanged.
std::string WithoutDefaultApplication(const std::string& text, const std::string& mimeType,
                                      const std::string& desktopId);
