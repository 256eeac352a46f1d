#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/UnicodeString.h"
#include "numfmt/TNumberFormat.h"
#include "workbook/TGrowingArray.h"
#include "workbook/TStringPool.h"

namespace Excel {

// The in-memory form of an opened workbook, filled by a file reader and read
// by the automation wrappers. Cells are kept compactly and looked up by
// binary search once the reader has sealed the sheet; a value repeated over
// a block of cells is kept once, so a few bytes of file cannot ask for
// gigabytes.

enum class TCellType : std::uint8_t { Empty, Number, String, Boolean, Error };

inline constexpr std::uint32_t NoText = std::numeric_limits<std::uint32_t>::max();

struct TCellData {
    TCellType type = TCellType::Empty;
    std::uint32_t style = 0;      // index into TWorkbookData's formats; 0 is General
    double number = 0;            // Number, and Boolean as 0 or 1
    std::uint32_t text = NoText;  // String: the string; Error: "#N/A" etc. (workbook string pool)
    std::uint32_t shown = NoText; // displayed text stored in the file (OpenDocument), if any
};

class TSheetData {
public:
    explicit TSheetData(UnicodeString name);

    const UnicodeString& Name() const { return name_; }

    // Rows 1..1048576, columns 1..16384. A later Set of the same cell wins.
    void Set(std::uint32_t row, std::uint32_t column, const TCellData& cell);
    // One value over rows first..last and columns first..last, kept once.
    // Blocks must come in reading order: either the rows of the previous
    // block and columns to its right, or rows below it. A block out of that
    // order is stored cell by cell. A cell given to Set wins over a block.
    void SetBlock(std::uint32_t firstRow, std::uint32_t lastRow, std::uint32_t firstColumn,
                  std::uint32_t lastColumn, const TCellData& cell);
    // Room for `count` cells, so a reader that knows the size grows no more.
    void Reserve(std::size_t count);
    // Text numbers from `first` on become numbers from `to` on: a reader
    // that kept strings aside while the pool was busy moves them in later.
    void MoveStrings(std::uint32_t first, std::uint32_t to);
    // Sorts the cells; call once after the reader has added them all.
    void Seal();
    // nullptr for a cell that holds nothing; the cell stays valid until the
    // next Find on this sheet. Reading cells in order costs no search: the
    // last position found is tried first.
    const TCellData* Find(std::uint32_t row, std::uint32_t column) const;
    // Cells held, a block counting every cell it covers.
    std::size_t CellCount() const { return cells_.size() + blockCells_; }
    // Entries kept, a block counting once: what the sheet costs in memory.
    std::size_t EntryCount() const { return cells_.size() + blocks_.size(); }

private:
    // Rows take 21 bits (1..2^20) and columns 14, so a key fits in the top 35.
    static constexpr int KeyShift = 29;
    static constexpr int TypeShift = 26;
    static constexpr std::uint64_t ExtraBit = 1u << 25;
    static constexpr std::uint32_t StyleMask = (1u << 25) - 1;
    static TCellType TypeOf(std::uint64_t word) { return static_cast<TCellType>(word >> TypeShift & 7); }

    // A cell in 16 bytes: its position, type and style in one word, and a
    // number or a string index, which are never both needed. A cell that
    // also has a displayed text (OpenDocument) keeps both in `extras_`.
    struct Entry {
        // row << 43 | (column - 1) << 29 | type << 26 | extra << 25 | style
        std::uint64_t word;
        union {
            double number;
            std::uint32_t text;
            std::uint32_t extra;  // index in extras_
        };
        std::uint64_t Key() const { return word >> KeyShift; }  // row << 14 | (column - 1)
    };
    static_assert(sizeof(Entry) == 16);
    struct Extra {
        double number;
        std::uint32_t text;
        std::uint32_t shown;
    };
    // A block: `cell.key` is its first row and column. Blocks sharing their
    // rows lie side by side; blocks of different rows never overlap, so the
    // one holding a row is the last that starts at or above it.
    struct Block {
        Entry cell;
        std::uint32_t lastRow;
        std::uint32_t lastColumn;
    };
    Entry Pack(std::uint64_t key, const TCellData& cell);
    TCellData Unpack(const Entry& entry) const;
    std::size_t LowerBound(std::uint64_t key) const;
    const Entry* FindCell(std::uint64_t key) const;
    const Entry* FindBlock(std::uint32_t row, std::uint32_t column) const;

    UnicodeString name_;
    TGrowingArray<Entry> cells_{true};  // filled at once, so huge pages pay
    std::vector<Block> blocks_;
    std::vector<Extra> extras_;
    std::size_t blockCells_ = 0;
    bool sealed_ = true;
    mutable std::size_t cursor_ = 0;  // one thread reads a workbook
    mutable TCellData found_;
};

class TWorkbookData {
public:
    TWorkbookData();

    std::vector<TSheetData> sheets;  // worksheets only, in tab order
    bool date1904 = false;

    // Index of the sheet of that name, ignoring case as Excel does; -1 if none.
    int FindSheet(std::u16string_view name) const;

    // Every text of the cells, as UTF-8 in one arena, which is about a third
    // of what a UTF-16 string per entry costs.
    std::uint32_t AddString(std::u16string_view text) { return strings_.Add(text); }
    std::uint32_t AddUtf8String(std::string_view utf8) { return strings_.AddUtf8(utf8); }
    void ReserveStrings(std::size_t count, std::size_t bytes) { strings_.Reserve(count, bytes); }
    UnicodeString String(std::uint32_t index) const { return strings_.Get(index); }
    std::size_t StringCount() const { return strings_.Count(); }
    TStringPool& Strings() { return strings_; }

    // A number format by its code; equal codes share one compiled format.
    std::uint32_t AddFormat(std::u16string_view code);
    const TNumberFormat& Format(std::uint32_t index) const { return *formats_[index]; }
    std::size_t FormatCount() const { return formats_.size(); }

private:
    TStringPool strings_;
    std::vector<UnicodeString> formatCodes_;
    std::vector<std::shared_ptr<const TNumberFormat>> formats_;
};

} // namespace Excel
