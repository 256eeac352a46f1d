#pragma once

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
