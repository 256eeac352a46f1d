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

// "B12" into row 12, column 2. Absolute markers ("$B$12") and lower-case
// letters are accepted. Nothing for text that is not a reference inside
// the grid.
std::optional<TCellPosition> ParseCellReference(std::string_view text);

} // namespace Excel
