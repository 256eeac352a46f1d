#pragma once

// The .xlsx reader: SpreadsheetML workbooks as ECMA-376-1 §18 defines them
// (workbook §18.2, shared strings §18.4, styles §18.8, worksheets §18.3),
// in an Open Packaging Conventions package (ECMA-376-2). Owns the order in
// which the parts are read; the parts' own readers live beside it.

#include <filesystem>
#include <memory>

#include "workbook/TWorkbookData.h"

namespace Excel {

class TZipArchive;

// Reads an Office Open XML workbook (.xlsx, .xlsm): worksheets in tab order
// with their cells' cached values and number formats. Raises EOleException,
// naming the file, for anything it cannot read.
std::unique_ptr<TWorkbookData> ReadXlsxWorkbook(const std::filesystem::path& file);

// The same from an archive that is already open.
std::unique_ptr<TWorkbookData> ReadXlsxWorkbook(const TZipArchive& archive);

} // namespace Excel
