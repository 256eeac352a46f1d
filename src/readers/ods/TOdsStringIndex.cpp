#include "readers/ods/TOdsStringIndex.h"

#include <functional>

namespace Excel {

namespace {

std::uint32_t HashOf(std::string_view text)
{
    const std::size_t h = std::hash<std::string_view>{}(text);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

} // namespace

std::uint32_t TOdsStringIndex::Add(std::string_view utf8)
{
    // Kept under two thirds full, so probes stay short.
    if ((count_ + 1) * 3 > slots_.size() * 2)
        Grow();
    const std::uint32_t hash = HashOf(utf8);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint64_t slot = slots_[i];
        if (slot == 0) {
            const std::uint32_t number = pool_.AddUtf8(utf8);
            slots_[i] = std::uint64_t(hash) << 32 | (std::uint64_t(number) + 1);
            ++count_;
            return number;
        }
        const auto number = static_cast<std::uint32_t>(slot) - 1;
        if (static_cast<std::uint32_t>(slot >> 32) == hash && pool_.Utf8(number) == utf8)
            return number;
    }
}

void TOdsStringIndex::Grow()
{
    std::vector<std::uint64_t> old(slots_.empty() ? 1024 : slots_.size() * 2, 0);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint64_t slot : old) {
        if (slot == 0)
            continue;
        std::size_t i = (slot >> 32) & mask;
        while (slots_[i] != 0)
            i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

} // namespace Excel
