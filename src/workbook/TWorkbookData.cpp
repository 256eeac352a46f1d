#include "workbook/TWorkbookData.h"

#include "text/TSameText.h"
#include "workbook/TGrid.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

namespace Excel {

namespace {

std::uint64_t KeyOf(std::uint32_t row, std::uint32_t column)
{
    return (static_cast<std::uint64_t>(row) << 14) | (column - 1);
}

} // namespace

TSheetData::TSheetData(UnicodeString name) : name_(std::move(name)) {}

static bool HoldsText(TCellType type)
{
    return type == TCellType::String || type == TCellType::Error;
}

TSheetData::Entry TSheetData::Pack(std::uint64_t key, const TCellData& cell)
{
    // Styles index the workbook's distinct format codes, never near 2^25.
    const std::uint32_t style = cell.style <= StyleMask ? cell.style : 0;
    Entry e;
    e.word = key << KeyShift | std::uint64_t(static_cast<std::uint8_t>(cell.type)) << TypeShift | style;
    if (cell.shown != NoText) {
        e.word |= ExtraBit;
        e.extra = static_cast<std::uint32_t>(extras_.size());
        extras_.push_back({cell.number, HoldsText(cell.type) ? cell.text : NoText, cell.shown});
    } else if (HoldsText(cell.type)) {
        e.text = cell.text;
    } else {
        e.number = cell.number;
    }
    return e;
}

inline TCellData TSheetData::Unpack(const Entry& e) const
{
    TCellData cell;
    cell.type = TypeOf(e.word);
    cell.style = static_cast<std::uint32_t>(e.word) & StyleMask;
    if (e.word & ExtraBit) {
        const Extra& extra = extras_[e.extra];
        cell.shown = extra.shown;
        if (HoldsText(cell.type))
            cell.text = extra.text;
        else
            cell.number = extra.number;
    } else if (HoldsText(cell.type)) {
        cell.text = e.text;
    } else {
        cell.number = e.number;
    }
    return cell;
}

void TSheetData::Set(std::uint32_t row, std::uint32_t column, const TCellData& cell)
{
    const auto key = KeyOf(row, column);
    if (sealed_ && !cells_.empty() && cells_.back().Key() >= key)
        sealed_ = false;
    cells_.push_back(Pack(key, cell));
}

void TSheetData::Reserve(std::size_t count)
{
    cells_.reserve(count);
}

void TSheetData::MoveStrings(std::uint32_t first, std::uint32_t to)
{
    const auto move = [&](std::uint32_t& text) {
        if (text >= first && text != NoText)
            text = text - first + to;
    };
    const auto moveEntry = [&](Entry& e) {
        if (!(e.word & ExtraBit) && HoldsText(TypeOf(e.word)))
            move(e.text);
    };
    for (Entry& e : cells_)
        moveEntry(e);
    for (Block& b : blocks_)
        moveEntry(b.cell);
    for (Extra& extra : extras_) {
        move(extra.text);
        move(extra.shown);
    }
}

void TSheetData::Seal()
{
    // A size hint that promised more than came must not keep the memory.
    if (cells_.capacity() > cells_.size() + cells_.size() / 4 + 1024)
        cells_.shrink_to_fit();
    blocks_.shrink_to_fit();
    extras_.shrink_to_fit();
    if (sealed_)
        return;
    // Stable, so of two entries for one cell the later one is kept.
    std::stable_sort(cells_.begin(), cells_.end(),
                     [](const Entry& a, const Entry& b) { return a.Key() < b.Key(); });
    std::size_t kept = 0;
    for (const auto& e : cells_) {
        if (kept > 0 && cells_[kept - 1].Key() == e.Key())
            cells_[kept - 1] = e;
        else
            cells_[kept++] = e;
    }
    cells_.truncate(kept);
    cells_.shrink_to_fit();
    sealed_ = true;
}

void TSheetData::SetBlock(std::uint32_t firstRow, std::uint32_t lastRow, std::uint32_t firstColumn,
                          std::uint32_t lastColumn, const TCellData& cell)
{
    lastRow = std::min(lastRow, MaxRows);
    lastColumn = std::min(lastColumn, MaxColumns);
    if (firstRow == 0 || firstColumn == 0 || lastRow < firstRow || lastColumn < firstColumn)
        return;
    if (!blocks_.empty()) {
        const Block& previous = blocks_.back();
        const auto previousRow = static_cast<std::uint32_t>(previous.cell.Key() >> 14);
        const bool beside = firstRow == previousRow && lastRow == previous.lastRow && firstColumn > previous.lastColumn;
        if (!beside && firstRow <= previous.lastRow) {
            // Out of reading order: lookups rely on blocks never overlapping.
            for (auto row = firstRow; row <= lastRow; ++row)
                for (auto column = firstColumn; column <= lastColumn; ++column)
                    Set(row, column, cell);
            return;
        }
    }
    blocks_.push_back({Pack(KeyOf(firstRow, firstColumn), cell), lastRow, lastColumn});
    blockCells_ += std::size_t(lastRow - firstRow + 1) * (lastColumn - firstColumn + 1);
}

// The first cell at or after `key`. Cells are mostly read forward, a few
// columns of each row, so the search gallops ahead of the cursor before it
// halves: a short step costs a few comparisons, not a search of the sheet.
std::size_t TSheetData::LowerBound(std::uint64_t key) const
{
    const std::size_t n = cells_.size();
    std::size_t low = 0, high = n;
    if (cursor_ < n && cells_[cursor_].Key() == key)
        return cursor_;  // the same cell again
    if (cursor_ < n && cells_[cursor_].Key() < key) {
        // Every cell before `low` lies before the key.
        low = cursor_ + 1;
        high = low;
        for (std::size_t step = 1; high < n && cells_[high].Key() < key; step *= 2) {
            low = high + 1;
            high = low + step;
        }
        high = std::min(high, n);
    }
    const auto it = std::lower_bound(cells_.begin() + low, cells_.begin() + high, key,
                                     [](const Entry& e, std::uint64_t k) { return e.Key() < k; });
    return static_cast<std::size_t>(it - cells_.begin());
}

const TSheetData::Entry* TSheetData::FindCell(std::uint64_t key) const
{
    const std::size_t at = LowerBound(key);
    if (at == cells_.size() || cells_[at].Key() != key) {
        cursor_ = at == 0 ? 0 : at - 1;
        return nullptr;
    }
    cursor_ = at;
    return &cells_[at];
}

const TSheetData::Entry* TSheetData::FindBlock(std::uint32_t row, std::uint32_t column) const
{
    const auto before = [](std::uint64_t key, const Block& b) { return key < b.cell.Key(); };
    // The blocks of the rows band holding `row` end just before the first
    // block that starts below it.
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), KeyOf(row, MaxColumns), before);
    if (it == blocks_.begin() || row > std::prev(it)->lastRow)
        return nullptr;
    const auto bandRow = static_cast<std::uint32_t>(std::prev(it)->cell.Key() >> 14);
    it = std::upper_bound(blocks_.begin(), it, KeyOf(bandRow, column), before);
    if (it == blocks_.begin())
        return nullptr;
    const Block& block = *std::prev(it);
    if (block.cell.Key() >> 14 != bandRow || column > block.lastColumn)
        return nullptr;
    return &block.cell;
}

const TCellData* TSheetData::Find(std::uint32_t row, std::uint32_t column) const
{
    if (row == 0 || column == 0 || row > MaxRows || column > MaxColumns)
        return nullptr;
    const auto key = KeyOf(row, column);
    const Entry* entry;
    // Reading in order asks for the cell after the last one found.
    if (cursor_ + 1 < cells_.size() && cells_[cursor_ + 1].Key() == key)
        entry = &cells_[++cursor_];
    else
        entry = cells_.empty() ? nullptr : FindCell(key);
    if (!entry && !blocks_.empty())
        entry = FindBlock(row, column);
    if (!entry)
        return nullptr;
    found_ = Unpack(*entry);
    if (found_.type == TCellType::Empty && found_.shown == NoText)
        return nullptr;
    return &found_;
}

TWorkbookData::TWorkbookData()
{
    AddFormat(u"General");
}

int TWorkbookData::FindSheet(std::u16string_view name) const
{
    for (std::size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].Name() == name)
            return static_cast<int>(i);
    for (std::size_t i = 0; i < sheets.size(); ++i)
        if (SameText(sheets[i].Name(), name))
            return static_cast<int>(i);
    return -1;
}

std::uint32_t TWorkbookData::AddFormat(std::u16string_view code)
{
    for (std::size_t i = 0; i < formatCodes_.size(); ++i)
        if (formatCodes_[i] == code)
            return static_cast<std::uint32_t>(i);
    formatCodes_.emplace_back(code);
    formats_.push_back(TNumberFormat::Compile(code));
    return static_cast<std::uint32_t>(formats_.size() - 1);
}

} // namespace Excel
