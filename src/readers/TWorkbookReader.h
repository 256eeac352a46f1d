#pragma once

#include <filesystem>
#include <memory>

#include "workbook/TWorkbookData.h"

namespace Excel {

enum class TWorkbookKind { Xlsx, Ods, Xls, Csv };

// Recognises a workbook file by its content, whatever its name: a zip with a
// SpreadsheetML workbook, a zip whose mimetype is an OpenDocument
// spreadsheet, an OLE2 compound file, otherwise text. Raises EOleException
// naming the file for a folder, a device, an unreadable file or a format
// that is none of these.
TWorkbookKind DetectWorkbookKind(const std::filesystem::path& file);

// Reads the file with the reader its content calls for.
std::unique_ptr<TWorkbookData> OpenWorkbookFile(const std::filesystem::path& file);

} // namespace Excel
