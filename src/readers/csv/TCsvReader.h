#pragma once

// The CSV reader: records and fields as RFC 4180, section 2 defines them
// (quoted fields, doubled quotes, line breaks inside quotes), with bare LF
// and CR accepted as record ends as well.

#include <filesystem>
#include <memory>

#include "workbook/TWorkbookData.h"

namespace Excel {

// Reads a CSV file as a workbook of one sheet named after the file without
// its extension. Fields follow RFC 4180 quoting; the text is UTF-8 (with or
// without a byte-order mark) when it is valid UTF-8, else Shift_JIS. Every
// non-empty field is kept as a string cell, exactly as written.
std::unique_ptr<TWorkbookData> ReadCsvWorkbook(const std::filesystem::path& file);

// Larger files are refused so that a hostile one cannot exhaust memory.
inline constexpr std::uintmax_t CsvMaxFileBytes = 256u << 20;

} // namespace Excel
