#pragma once

#include <string>

#include "text/UnicodeString.h"

// The texts of the files that make up a per-user association on a
// freedesktop desktop: the MIME package, the desktop entry and the line of
// mimeapps.list. Pure text; TVelmora writes them.

inline constexpr char MimeTypeName[] = "application/x-tabloom-project";
// Every file velmora owns carries this name, so removal touches nothing else.
inline constexpr char AssociationName[] = "tabloom-association";

// One Exec argument quoted by the desktop-entry rules, then escaped as a
// string value: reserved characters put it in double quotes, inside which
// ", `, $ and \ get a backslash; "%" becomes "%%"; a backslash is doubled
// once more for the string level.
std::string DesktopExecArgument(const std::string& argument);

std::string MimePackageXml(const UnicodeString& extension, const UnicodeString& comment, bool withIcon);

std::string DesktopEntryText(const UnicodeString& program, bool withIcon);
