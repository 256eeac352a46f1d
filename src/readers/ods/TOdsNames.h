#pragma once

// The OpenDocument namespaces the .ods reader matches names in, and the
// prefixes LibreOffice binds them to.

#include <string_view>

namespace Excel::Ods {

inline constexpr std::string_view OfficeNs = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
inline constexpr std::string_view TableNs = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
inline constexpr std::string_view TextNs = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
inline constexpr std::string_view DrawNs = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
inline constexpr std::string_view CalcExtNs = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";
inline constexpr std::string_view ManifestNs = "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0";

} // namespace Excel::Ods
