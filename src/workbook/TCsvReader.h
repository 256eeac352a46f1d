#pragma once

#include <filesystem>
#include <memory>

#include "workbook/TWorkbookData.h"

namespace Excel {

// Reads a CSV text (.csv): one sheet named after the file. Raises EOleException naming the file.
std::unique_ptr<TWorkbookData> ReadCsvWorkbook(const std::filesystem::path& file);

} // namespace Excel
