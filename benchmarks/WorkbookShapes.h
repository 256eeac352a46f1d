#pragma once
// The workbook shapes the reading benchmark measures: one 100,000 x 10 sheet
// (half numbers, one column with a number format; half strings like
// "品目12-5") as four writers save it. Each file is written once into the data
// folder and kept there between runs; a writer that stops half way leaves no
// file under the final name.
#include <xlsxwriter.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ProcessTiming.h"

namespace bench {

constexpr int Rows = 100000;
constexpr int Columns = 10;

enum class EWriter { Libxlsxwriter, LibxlsxwriterConstantMemory, OpenpyxlWriteOnly, LibreOffice };

struct TShape {
    const char* label;     // as printed
    const char* fileName;  // in the data folder
    EWriter writer;
    bool ods;              // openpyxl cannot read these
    double openGoal;       // against the inflate of the same file
    double cellsGoal;
};

inline const std::vector<TShape>& Shapes()
{
    static const std::vector<TShape> shapes{
        {".xlsx, shared strings (libxlsxwriter)", "bench-100000x10-half-strings.xlsx", EWriter::Libxlsxwriter,
         false, 1.2, 1.6},
        {".xlsx, inline strings (libxlsxwriter constant memory)", "bench-100000x10-inline-strings.xlsx",
         EWriter::LibxlsxwriterConstantMemory, false, 1.2, 1.6},
        {".xlsx, openpyxl write-only", "bench-100000x10-openpyxl-write-only.xlsx", EWriter::OpenpyxlWriteOnly,
         false, 1.2, 1.6},
        {".ods, LibreOffice from the first .xlsx", "bench-100000x10-libreoffice.ods", EWriter::LibreOffice, true,
         1.5, 2.0},
    };
    return shapes;
}

inline bool WriteWithLibxlsxwriter(const std::filesystem::path& file, bool constantMemory)
{
    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* wb = workbook_new_opt(file.c_str(), &options);
    if (!wb)
        return false;
    lxw_worksheet* sheet = workbook_add_worksheet(wb, "Data");
    lxw_format* money = workbook_add_format(wb);
    format_set_num_format(money, "#,##0.00");
    char text[64];
    // Row by row, as constant-memory mode requires.
    for (int r = 0; r < Rows; ++r) {
        for (int c = 0; c < Columns / 2; ++c)
            worksheet_write_number(sheet, r, c, r * 10.25 + c, c == 1 ? money : nullptr);
        for (int c = Columns / 2; c < Columns; ++c) {
            std::snprintf(text, sizeof text, "品目%d-%d", r + 1, c);
            worksheet_write_string(sheet, r, c, text, nullptr);
        }
    }
    return workbook_close(wb) == LXW_NO_ERROR;
}

// The same cells through openpyxl's streaming writer, which marks numbers
// t="n" and writes strings inline with non-ASCII as character references.
inline bool WriteWithOpenpyxl(const std::filesystem::path& file)
{
    const std::string script = "import sys\n"
                               "from openpyxl import Workbook\n"
                               "from openpyxl.cell import WriteOnlyCell\n"
                               "rows, columns = int(sys.argv[2]), int(sys.argv[3])\n"
                               "wb = Workbook(write_only=True)\n"
                               "ws = wb.create_sheet('Data')\n"
                               "for r in range(rows):\n"
                               "    row = []\n"
                               "    for c in range(columns // 2):\n"
                               "        v = r * 10.25 + c\n"
                               "        if c == 1:\n"
                               "            v = WriteOnlyCell(ws, value=v)\n"
                               "            v.number_format = '#,##0.00'\n"
                               "        row.append(v)\n"
                               "    for c in range(columns // 2, columns):\n"
                               "        row.append('\\u54c1\\u76ee%d-%d' % (r + 1, c))\n"
                               "    ws.append(row)\n"
                               "wb.save(sys.argv[1])\n";
    return TryRunTimed({"/usr/bin/python3", "-c", script, file.string(), std::to_string(Rows),
                        std::to_string(Columns)})
        .has_value();
}

// LibreOffice's own .ods of the first shape. A profile of our own keeps the
// conversion from being handed to a LibreOffice someone else is running.
inline bool ConvertWithLibreOffice(const std::filesystem::path& xlsx, const std::filesystem::path& file)
{
    const std::filesystem::path folder = file.parent_path();
    const std::filesystem::path outFolder = folder / "libreoffice-out";
    std::filesystem::remove_all(outFolder);
    const bool converted =
        TryRunTimed({"soffice", "-env:UserInstallation=file://" + (folder / "libreoffice-profile").string(),
                     "--headless", "--convert-to", "ods", "--outdir", outFolder.string(), xlsx.string()},
                    environ, true)
            .has_value();
    std::filesystem::path written = outFolder / xlsx.filename();
    written.replace_extension(".ods");
    if (!converted || !std::filesystem::exists(written))
        return false;
    std::filesystem::rename(written, file);
    std::filesystem::remove_all(outFolder);
    return true;
}

// Writes the shape into `folder` unless it is there already. The .ods is
// converted from the first shape, which must be written before it.
inline bool EnsureShape(const TShape& shape, const std::filesystem::path& folder)
{
    const std::filesystem::path file = folder / shape.fileName;
    if (std::filesystem::exists(file))
        return true;
    // Written under a name of its own, renamed when whole.
    const std::filesystem::path part = folder / ("part-" + std::string(shape.fileName));
    std::filesystem::remove(part);
    bool written = false;
    switch (shape.writer) {
    case EWriter::Libxlsxwriter:
        written = WriteWithLibxlsxwriter(part, false);
        break;
    case EWriter::LibxlsxwriterConstantMemory:
        written = WriteWithLibxlsxwriter(part, true);
        break;
    case EWriter::OpenpyxlWriteOnly:
        written = WriteWithOpenpyxl(part);
        break;
    case EWriter::LibreOffice:
        written = ConvertWithLibreOffice(folder / Shapes().front().fileName, part);
        break;
    }
    if (!written || !std::filesystem::exists(part)) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        return false;
    }
    std::filesystem::rename(part, file);
    return true;
}

} // namespace bench
