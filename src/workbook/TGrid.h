#pragma once

// The worksheet grid: its limits and A1-style references. The one copy for
// the readers, the in-memory model, the automation layer and the templates.
// (The template language has its own, different row limit: its tags accept
// rows up to 1048756, a value kept for the templates written for it.)

#include <cstdint>
#include <optional>
#include <string_view>
#include <type_traits>

namespace Excel {

inline constexpr std::uint32_t MaxRows = 1048576;
inline constexpr std::uint32_t MaxColumns = 16384;

struct TCellPosition {
    std::uint32_t row;
    std::uint32_t column;
};

// The column of letters "A".."XFD" in either case; nothing for anything else.
template <class Char>
std::optional<std::uint32_t> ColumnOfLetters(std::basic_string_view<Char> letters)
{
    std::uint32_t column = 0;
    for (Char c : letters) {
        if (c >= Char('a') && c <= Char('z'))
            c = static_cast<Char>(c - Char('a') + Char('A'));
        if (c < Char('A') || c > Char('Z'))
            return std::nullopt;
        // Checked at every step so that a long run cannot overflow.
        column = column * 26 + static_cast<std::uint32_t>(c - Char('A') + 1);
        if (column > MaxColumns)
            return std::nullopt;
    }
    if (column == 0)
        return std::nullopt;
    return column;
}

// Decimal digits at the start of [p, end), at most `limit`, into `out`;
// gives the position after them, or nullptr when there are none or they
// stand for more. Row numbers, and the indexes files give in digits.
inline const char* ReadIndex(const char* p, const char* end, std::uint32_t limit, std::uint32_t& out)
{
    const char* first = p;
    std::uint64_t v = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p)
        if ((v = v * 10 + static_cast<std::uint64_t>(*p - '0')) > limit)
            return nullptr;
    if (p == first)
        return nullptr;
    out = static_cast<std::uint32_t>(v);
    return p;
}

// An A1 reference ("B12", "$B$12", "b12") at the start of [p, end), into
// `out`; gives the position after it, or nullptr when what stands there is
// no reference inside the grid. Inline: the sheet readers read one a cell.
inline const char* ReadCellReference(const char* p, const char* end, TCellPosition& out)
{
    if (p < end && *p == '$')
        ++p;
    const char* letters = p;
    while (p < end && ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z')))
        ++p;
    const auto column = ColumnOfLetters(std::string_view(letters, static_cast<std::size_t>(p - letters)));
    if (!column)
        return nullptr;
    if (p < end && *p == '$')
        ++p;
    std::uint32_t row = 0;
    if (!(p = ReadIndex(p, end, MaxRows, row)) || row == 0)
        return nullptr;
    out = {row, *column};
    return p;
}

// "B12" into row 12, column 2, as ReadCellReference reads it, the whole
// text being the reference.
inline std::optional<TCellPosition> ParseCellReference(std::string_view text)
{
    TCellPosition position;
    const char* end = text.data() + text.size();
    if (ReadCellReference(text.data(), end, position) != end)
        return std::nullopt;
    return position;
}

} // namespace Excel
