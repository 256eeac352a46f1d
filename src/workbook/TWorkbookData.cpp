#include "workbook/TWorkbookData.h"

#include "text/TSameText.h"
#include "workbook/TGrid.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <new>
#include <utility>

namespace Excel {

namespace {

// UTF-8 that also carries unpaired surrogates, each as the three bytes
// UTF-8 would give its code point, so any UTF-16 text round-trips.
void AppendWtf8(std::u16string_view text, std::string& out)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            c = CombineSurrogates(c, text[++i]);
        AppendUtf8(out, c);
    }
}

// The inverse of AppendWtf8; the pool holds nothing else. Every byte gives
// at most one UTF-16 unit, so the text is sized once and filled in place;
// ASCII and well-formed two- and three-byte sequences, nearly all text, take
// the short way, anything else the general step.
UnicodeString FromWtf8(std::string_view bytes)
{
    UnicodeString text(bytes.size(), u'\0');
    char16_t* out = text.data();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned b = *p;
        if (b < 0x80) {
            *out++ = static_cast<char16_t>(b);
            ++p;
            continue;
        }
        const auto left = end - p;
        if (b >= 0xC0 && b < 0xE0 && left >= 2 && (p[1] & 0xC0) == 0x80) {
            *out++ = static_cast<char16_t>((b & 0x1F) << 6 | (p[1] & 0x3F));
            p += 2;
            continue;
        }
        if (b >= 0xE0 && b < 0xF0 && left >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
            *out++ = static_cast<char16_t>((b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
            p += 3;
            continue;
        }
        const int extra = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        std::uint32_t c = extra == 1 ? b & 0x1F : extra == 2 ? b & 0x0F : b & 0x07;
        for (int k = 1; k <= extra && k < left; ++k)
            c = c << 6 | (p[k] & 0x3F);
        p += extra < left ? extra + 1 : left;
        if (c < 0x10000) {
            *out++ = static_cast<char16_t>(c);
        } else {
            c -= 0x10000;
            *out++ = static_cast<char16_t>(0xD800 + (c >> 10));
            *out++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        }
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

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
    Entry e;
    e.key = key;
    if (HoldsText(cell.type))
        e.text = cell.text;
    else
        e.number = cell.number;
    e.shown = cell.shown;
    // Styles index the workbook's distinct format codes, never near 2^28.
    const std::uint32_t style = cell.style < (1u << 28) ? cell.style : 0;
    e.typeAndStyle = static_cast<std::uint32_t>(cell.type) << 28 | style;
    return e;
}

inline TCellData TSheetData::Unpack(const Entry& e)
{
    TCellData cell;
    cell.type = static_cast<TCellType>(e.typeAndStyle >> 28);
    cell.style = e.typeAndStyle & ((1u << 28) - 1);
    if (HoldsText(cell.type))
        cell.text = e.text;
    else
        cell.number = e.number;
    cell.shown = e.shown;
    return cell;
}

void TSheetData::Set(std::uint32_t row, std::uint32_t column, const TCellData& cell)
{
    const auto key = KeyOf(row, column);
    if (sealed_ && !cells_.empty() && cells_.back().key >= key)
        sealed_ = false;
    cells_.push_back(Pack(key, cell));
}

void TSheetData::Reserve(std::size_t count)
{
    cells_.reserve(count);
}

void TSheetData::Seal()
{
    // A size hint that promised more than came must not keep the memory.
    if (cells_.capacity() > cells_.size() + cells_.size() / 4 + 1024)
        cells_.shrink_to_fit();
    blocks_.shrink_to_fit();
    if (sealed_)
        return;
    // Stable, so of two entries for one cell the later one is kept.
    std::stable_sort(cells_.begin(), cells_.end(),
                     [](const Entry& a, const Entry& b) { return a.key < b.key; });
    std::size_t kept = 0;
    for (const auto& e : cells_) {
        if (kept > 0 && cells_[kept - 1].key == e.key)
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
        const auto previousRow = static_cast<std::uint32_t>(previous.cell.key >> 14);
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

const TSheetData::Entry* TSheetData::FindCell(std::uint64_t key) const
{
    const auto n = cells_.size();
    std::size_t at = n;
    if (cursor_ < n) {
        const auto next = cursor_ + 1;
        if (cells_[cursor_].key == key)
            at = cursor_;
        else if (next < n && cells_[next].key == key)
            at = next;
        else if (cells_[cursor_].key < key && (next == n || key < cells_[next].key))
            return nullptr;  // between two stored cells
    }
    if (at == n) {
        const auto it = std::lower_bound(cells_.begin(), cells_.end(), key,
                                         [](const Entry& e, std::uint64_t k) { return e.key < k; });
        at = static_cast<std::size_t>(it - cells_.begin());
        if (at == n || it->key != key) {
            cursor_ = at == 0 ? 0 : at - 1;
            return nullptr;
        }
    }
    cursor_ = at;
    return &cells_[at];
}

const TSheetData::Entry* TSheetData::FindBlock(std::uint32_t row, std::uint32_t column) const
{
    const auto before = [](std::uint64_t key, const Block& b) { return key < b.cell.key; };
    // The blocks of the rows band holding `row` end just before the first
    // block that starts below it.
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), KeyOf(row, MaxColumns), before);
    if (it == blocks_.begin() || row > std::prev(it)->lastRow)
        return nullptr;
    const auto bandRow = static_cast<std::uint32_t>(std::prev(it)->cell.key >> 14);
    it = std::upper_bound(blocks_.begin(), it, KeyOf(bandRow, column), before);
    if (it == blocks_.begin())
        return nullptr;
    const Block& block = *std::prev(it);
    if (block.cell.key >> 14 != bandRow || column > block.lastColumn)
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
    if (cursor_ + 1 < cells_.size() && cells_[cursor_ + 1].key == key)
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

std::uint32_t TWorkbookData::AddString(std::u16string_view text)
{
    std::string utf8;
    AppendWtf8(text, utf8);
    return AddUtf8String(utf8);
}

void TWorkbookData::ReserveStrings(std::size_t count, std::size_t bytes)
{
    stringStarts_.reserve(stringStarts_.size() + count);
    stringBytes_.reserve(stringBytes_.size() + bytes);
}

std::uint32_t TWorkbookData::AddUtf8String(std::string_view utf8)
{
    constexpr std::size_t MaxPoolBytes = UINT32_MAX;
    if (utf8.size() > MaxPoolBytes - stringBytes_.size())
        throw std::bad_alloc();
    stringStarts_.push_back(static_cast<std::uint32_t>(stringBytes_.size()));
    stringBytes_.append(utf8.data(), utf8.size());
    return static_cast<std::uint32_t>(stringStarts_.size() - 1);
}

UnicodeString TWorkbookData::String(std::uint32_t index) const
{
    const std::uint64_t start = stringStarts_[index];
    const std::uint64_t end = index + 1 < stringStarts_.size() ? stringStarts_[index + 1] : stringBytes_.size();
    return FromWtf8(std::string_view(stringBytes_.data() + start, end - start));
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
