#pragma once

// Equal texts of an OpenDocument sheet's string cells kept once in the
// workbook's string pool: lists repeat their values. The index holds only
// numbers into the pool, which owns the bytes; no allocation per string.

#include <cstdint>
#include <string_view>
#include <vector>

#include "workbook/TStringPool.h"

namespace Excel {

class TOdsStringIndex {
public:
    explicit TOdsStringIndex(TStringPool& pool) : pool_(pool) {}

    // The number of `utf8` (valid UTF-8) in the pool, added when new.
    std::uint32_t Add(std::string_view utf8);

private:
    void Grow();

    TStringPool& pool_;
    // hash << 32 | (number + 1); 0 for a free slot. Linear probing.
    std::vector<std::uint64_t> slots_;
    std::size_t count_ = 0;
};

} // namespace Excel
