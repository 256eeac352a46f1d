#include "workbook/TGrid.h"

namespace Excel {

std::optional<TCellPosition> ParseCellReference(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && text[i] == '$')
        ++i;
    const std::size_t letters = i;
    while (i < text.size() && ((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z')))
        ++i;
    const auto col = ColumnOfLetters(text.substr(letters, i - letters));
    if (!col)
        return std::nullopt;
    if (i < text.size() && text[i] == '$')
        ++i;
    std::uint32_t r = 0;
    const std::size_t digits = i;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        r = r * 10 + static_cast<std::uint32_t>(text[i] - '0');
        if (r > MaxRows)
            return std::nullopt;
    }
    if (i == digits || r == 0)
        return std::nullopt;
    return TCellPosition{r, *col};
}

} // namespace Excel
