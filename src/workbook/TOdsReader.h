#pragma once

#include <filesystem>
#include <memory>

#include "workbook/TWorkbookData.h"

namespace Excel {

// Reads a OpenDocument spreadsheet (.ods). Raises EOleException naming the file.
std::unique_ptr<TWorkbookData> ReadOdsWorkbook(const std::filesystem::path& file);

} // namespace Excel
