#pragma once

// The worksheet grid: its limits and A1-style references. The one copy for
// the readers, the in-memory model and the automation layer. (The template
// language has its own, different row limit: its tags accept rows up to
// 1048756, a value kept for the templates written for it.)

#include <cstdint>
#include <optional>
#include <string_view>

namespace Excel {

inline constexpr std::uint32_t MaxRows = 1048576;
inline constexpr std::uint32_t MaxColumns = 16384;

struct TCellPosition {
    std::uint32_t row;
    std::uint32_t column;
};

// "B12" into row 12, column 2. Absolute markers ("$B$12") and lower-case
// letters are accepted. Nothing for text that is not a reference inside
// the grid.
std::optional<TCellPosition> ParseCellReference(std::string_view text);

} // namespace Excel
