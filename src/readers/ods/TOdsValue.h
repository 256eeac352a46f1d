#pragma once

#include <optional>
#include <string_view>

namespace Excel {

// Typed values of OpenDocument cells turned into the serial numbers of
// Excel's 1900 date system (time as the fraction of a day). Malformed text
// gives nothing, so the caller can keep the cell as text instead.
struct TOdsDate {
    double serial;
    bool hasTime;  // a time of day other than midnight was given
};

std::optional<double> ParseOdsNumber(std::string_view text);
// "2024-01-05" or "2024-01-05T09:30:00.5", a time zone suffix ignored.
std::optional<TOdsDate> ParseOdsDate(std::string_view text);
// ISO 8601 durations as written for time cells: "PT09H30M00S", "-P1DT2H".
std::optional<double> ParseOdsDuration(std::string_view text);

} // namespace Excel
