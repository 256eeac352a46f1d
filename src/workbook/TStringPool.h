#pragma once

// The texts of a workbook's cells, kept as UTF-8 in one arena and numbered
// in the order they were added. Lone surrogates, which outside data may
// hold, are kept as their own three bytes, so any UTF-16 text round-trips.
// One owner fills a pool; nothing may read it while another thread adds.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/UnicodeString.h"
#include "workbook/TGrowingArray.h"

namespace Excel {

class TStringPool {
public:
    std::uint32_t Add(std::u16string_view text);
    // The same for text already in valid UTF-8 (as an XML parser gives it).
    // A pool past 4 GiB is refused with std::bad_alloc.
    std::uint32_t AddUtf8(std::string_view utf8);
    // Every string of `other`, in order; returns the number the first got.
    std::uint32_t AddAll(const TStringPool& other);
    // Room for `count` more strings of `bytes` UTF-8 bytes in all, so a
    // reader that knows the size does not grow the pool by copying.
    void Reserve(std::size_t count, std::size_t bytes);

    UnicodeString Get(std::uint32_t index) const;
    // The stored bytes of a string, valid until the next Add.
    std::string_view Utf8(std::uint32_t index) const;
    std::size_t Count() const { return starts_.size(); }

private:

    // Filled in one go as a workbook is read, like its cells, so huge pages
    // pay: a page fault per 2 MiB instead of one per 4 KiB.
    TGrowingArray<char> bytes_{true};
    // 32-bit starts keep the index small.
    TGrowingArray<std::uint32_t> starts_{true};
};

} // namespace Excel
