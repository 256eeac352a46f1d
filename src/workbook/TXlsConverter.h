#pragma once

#include <filesystem>
#include <memory>

#include "workbook/TWorkbookData.h"

namespace Excel {

// Reads a legacy binary workbook (.xls), converted through LibreOffice. Raises EOleException naming the file.
std::unique_ptr<TWorkbookData> ReadXlsWorkbook(const std::filesystem::path& file);

} // namespace Excel
