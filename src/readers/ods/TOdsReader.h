#pragma once

// The OpenDocument spreadsheet reader. It reads the tables of the
// OpenDocument 1.2 schema, 9.1 (table:table 9.1.2, table:table-row 9.1.3,
// table:table-cell 9.1.4, table:covered-table-cell 9.1.5) with the cell
// value attributes (office:value-type and its values), and from the package
// format its mimetype and manifest. OpenDocument 1.3 keeps the same elements.

#include <filesystem>
#include <memory>

#include "workbook/TWorkbookData.h"

namespace Excel {

// Reads an OpenDocument spreadsheet (.ods). Every cell keeps its typed value
// (office:value-type) and the text the file stores for display; repeated
// rows and columns are kept once as blocks, empty ones cost nothing; covered
// cells of a merged area, cell annotations and hidden text are left out.
std::unique_ptr<TWorkbookData> ReadOdsWorkbook(const std::filesystem::path& file);

} // namespace Excel
