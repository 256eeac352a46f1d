#pragma once

// The worksheet part of ECMA-376-1 §18.3 (sheetData, rows, cells) read as
// it streams, into a TSheetData; values go through TXlsxValues.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "workbook/TWorkbookData.h"
#include "readers/TXmlReader.h"
#include "readers/xlsx/TXlsxPackage.h"
#include "readers/xlsx/TXlsxSharedStrings.h"

namespace Excel {

// Numbers of strings kept aside: above any pool's, which holds at most a
// few times MaxStoredCells strings.
inline constexpr std::uint32_t AsideBase = 1u << 31;

// What the sheet reader needs from the rest of the workbook.
struct TXlsxContext {
    std::filesystem::path file;
    TWorkbookData* book = nullptr;
    TXlsxSharedStrings* shared = nullptr;    // always set; a workbook without one has an empty table
    // While the shared strings still fill the pool, the sheet's own strings
    // go here, numbered from AsideBase, and move into the pool afterwards.
    TStringPool* aside = nullptr;
    std::vector<std::uint32_t> cellFormats;  // cellXfs index -> format index
    std::size_t storedCells = 0;             // over all sheets, against MaxStoredCells
};

// Streams the <sheetData> of one worksheet part into a TSheetData. Only cells
// with a value are stored; <dimension> is ignored, so a huge declared range
// costs nothing.
class TXlsxSheetHandler : public TXmlHandler {
public:
    // partBytes, the part's declared size, bounds what its strings can take.
    TXlsxSheetHandler(TXlsxContext& context, std::string part, TSheetData& sheet, std::uint64_t partBytes = 0);

    void StartElement(const TXmlName& name, const TXmlAttributes& attributes) override;
    void EndElement(const TXmlName& name) override;
    void Characters(std::string_view text) override;
    // Takes a row's start tag and whole cells of the usual shapes: a value,
    // a formula, an inline string of one run.
    const char* Shortcut(const char* p, const char* end, const TXmlName& defaultNamespace,
                         std::string_view& opened) override;

private:
    enum class TKind : std::uint8_t { Number, Shared, String, Inline, Boolean, Error, Date };
    using TValue = std::optional<std::string_view>;

    void StartRow(std::optional<std::string_view> r);
    const char* PlainCell(const char* p, const char* end);
    const char* Cell(const char* p, const char* end);
    void StartCell(TValue r, TValue s, TValue t);
    void ReserveFor(const char* ref);
    void EndCell();
    std::uint32_t AddString(std::string_view utf8);
    [[noreturn]] void Fail(const UnicodeString& why) const;
    UnicodeString CellName() const;

    TXlsxContext& context_;
    std::string part_;
    TSheetData& sheet_;
    TSpreadsheetSpace spreadsheet_;

    bool inSheetData_ = false;
    bool inCell_ = false;
    bool inInline_ = false;
    int phoneticDepth_ = 0;
    bool collecting_ = false;
    bool hasValue_ = false;
    bool hasInline_ = false;

    std::uint32_t row_ = 0;
    std::uint32_t column_ = 0;
    std::uint32_t style_ = 0;
    TKind kind_ = TKind::Number;
    std::string value_;
    std::string inline_;
    std::string valueScratch_, inlineScratch_, formulaScratch_;  // decoded text of cells taken whole
    std::uint64_t partBytes_;
    bool reservedStrings_ = false;
};

} // namespace Excel
