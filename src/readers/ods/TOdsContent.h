#pragma once

// Reads the tables of an OpenDocument content.xml into a workbook. The
// events of the XML reader take any markup; Shortcut takes the rows and
// cells LibreOffice writes for plain values straight from the bytes, with
// the same outcome. The handler fills the workbook it is given.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "readers/TXmlReader.h"
#include "readers/ods/TOdsStringIndex.h"
#include "workbook/TWorkbookData.h"

namespace Excel {

class TXmlTokenizer;

// The attributes of a cell start tag that matter, as views valid while the
// tag is read.
struct TOdsCellAttributes {
    std::optional<std::string_view> repeat;        // table:number-columns-repeated
    std::string_view valueType;                    // office:value-type
    std::string_view extValueType;                 // calcext:value-type
    std::string_view value, dateValue, timeValue, booleanValue;
    std::optional<std::string_view> stringValue;   // office:string-value
};

class TOdsContentHandler : public TXmlHandler {
public:
    TOdsContentHandler(TWorkbookData& book, const std::filesystem::path& file);

    // The tokenizer reading the content, whose prefixes the fast path
    // checks; without one every element takes the general path.
    void ReadBy(const TXmlTokenizer* tokenizer) { tokenizer_ = tokenizer; }
    bool SawSpreadsheet() const { return sawSpreadsheet_; }
    // Cell elements the fast path has taken, so tests can see it is used.
    std::uint64_t FastCells() const { return fastCellsTaken_; }

    void StartElement(const TXmlName& name, const TXmlAttributes& attributes) override;
    void EndElement(const TXmlName& name) override;
    void Characters(std::string_view text) override;
    const char* Shortcut(const char* p, const char* end, const TXmlName& defaultNamespace,
                         std::string_view& opened) override;

private:
    enum class TValueType : std::uint8_t { None, Number, Date, Time, Boolean, String };

    // A cell the fast path has read, held until its whole row has been.
    struct TFastCell {
        bool covered;
        TOdsCellAttributes attributes;
        int paragraphs;
        bool inArena;  // text in arena_ at textAt, else at textData
        const char* textData;
        std::size_t textAt;
        std::size_t textSize;
    };

    // The general path (TOdsContent.cpp).
    void StartInCell(const TXmlName& name, const TXmlAttributes& attributes);
    void StartRow(std::optional<std::string_view> repeat);
    void StartCell(bool covered, const TOdsCellAttributes& attributes);
    void AddParagraph(std::string_view text);
    std::uint32_t StyleFor(const char16_t* code, std::uint32_t& cache);
    TCellData MakeCell();
    TCellData TextCell(std::string_view text);
    void FinishCell();
    void FinishRow();

    // The fast path (TOdsShortcut.cpp).
    const char* ReadRows(const char* p, const char* end);
    const char* ReadCells(const char* p, const char* end, std::string_view rowEnd);
    const char* ReadCell(const char* p, const char* end, TFastCell& cell);
    void CommitCells();

    TWorkbookData& book_;
    std::filesystem::path file_;
    const TXmlTokenizer* tokenizer_ = nullptr;
    TOdsStringIndex strings_;
    bool sawSpreadsheet_ = false;
    bool inSpreadsheet_ = false;
    std::size_t depth_ = 0;
    std::size_t skipFrom_ = 0;  // depth of the element whose content is ignored
    std::size_t sheetDepth_ = 0;
    std::size_t rowDepth_ = 0;
    std::size_t cellDepth_ = 0;
    std::size_t paragraphDepth_ = 0;
    std::uint64_t row_ = 1;
    std::uint64_t rowRepeat_ = 1;
    std::uint64_t column_ = 1;
    std::uint64_t columnRepeat_ = 1;
    std::uint64_t stored_ = 0;
    std::uint64_t spaces_ = 0;

    // The cell being read; its strings keep their room from cell to cell.
    bool covered_ = false;
    TValueType valueType_ = TValueType::None;
    bool error_ = false;  // calcext:value-type="error"
    std::string value_;   // office:value, date-value, time-value or boolean-value
    bool hasStringValue_ = false;
    std::string stringValue_;
    std::string text_;  // the displayed text, UTF-8
    int paragraphs_ = 0;

    struct TPending {
        std::uint32_t firstColumn;
        std::uint32_t lastColumn;
        TCellData cell;
    };
    std::vector<TPending> pending_;
    std::uint64_t pendingCells_ = 0;  // cells the pending entries cover
    std::uint32_t dateStyle_ = NoText;
    std::uint32_t dateTimeStyle_ = NoText;
    std::uint32_t timeStyle_ = NoText;

    std::uint64_t fastCellsTaken_ = 0;
    unsigned usual_ = 0;  // prefixes bound as LibreOffice binds them, where the fast path reads
    std::vector<TFastCell> fastCells_;
    std::string arena_;    // joined and decoded texts of fastCells_
    std::string scratch_;  // a paragraph's text with references decoded
};

} // namespace Excel
