#pragma once

#include <filesystem>
#include <memory>

#include "workbook/TWorkbookData.h"

namespace Excel {

// Reads an OpenDocument spreadsheet (.ods). Every cell keeps its typed value
// (office:value-type) and the text the file stores for display; repeated
// empty rows and columns cost nothing, covered cells of a merged area, cell
// annotations and hidden text are left out.
std::unique_ptr<TWorkbookData> ReadOdsWorkbook(const std::filesystem::path& file);

} // namespace Excel
