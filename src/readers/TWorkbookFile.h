#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "text/UnicodeString.h"

namespace Excel {

// Stored cells a reader accepts from one file before refusing it: a few
// bytes of CSV or one repeated ODS cell could otherwise ask for gigabytes.
inline constexpr std::size_t MaxStoredCells = 16u << 20;
// The reason given when a file passes that bound.
UnicodeString TooManyCellsReason();

// Throws OpenError unless `file` is an existing regular file (a
// folder, a device or a pipe would fail late or block).
void CheckRegularFile(const std::filesystem::path& file);

// The whole content of a regular file; a file larger than `maxBytes` is
// refused so that a huge input cannot exhaust memory.
std::string ReadWorkbookBytes(const std::filesystem::path& file, std::uintmax_t maxBytes);

} // namespace Excel
