#pragma once

// Excel 97-2003 workbooks ([MS-XLS] records in an [MS-CFB] compound file)
// are not parsed here: LibreOffice converts them to Office Open XML, which
// the xlsx reader reads.

#include <chrono>
#include <filesystem>
#include <memory>

#include "workbook/TWorkbookData.h"

namespace Excel {

// Reads a legacy binary .xls workbook by having LibreOffice convert it to
// .xlsx in a private temporary folder (with its own profile, so it works as
// root and beside other conversions), then reading the result. The folder
// is removed afterwards whatever happens.
class TXlsConverter {
public:
    // soffice found on the search path or in its usual places; empty when
    // LibreOffice is not installed.
    static std::filesystem::path FindSoffice();

    TXlsConverter(std::filesystem::path soffice, std::chrono::milliseconds timeout);

    // Messages always name `file`, never the temporary copy.
    std::unique_ptr<TWorkbookData> Read(const std::filesystem::path& file) const;

private:
    std::filesystem::path soffice_;
    std::chrono::milliseconds timeout_;
};

// A hostile file must not hold the program up for long; a loaded machine
// may need tens of seconds for an ordinary one.
inline constexpr std::chrono::milliseconds XlsConversionTimeout{120000};
inline constexpr std::uintmax_t XlsMaxFileBytes = 256u << 20;

std::unique_ptr<TWorkbookData> ReadXlsWorkbook(const std::filesystem::path& file);

} // namespace Excel
