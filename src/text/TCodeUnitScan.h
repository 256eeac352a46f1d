#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Block-wise tests over UTF-16 code units with the compiler's vector types
// (GCC and Clang), so that passes which rarely find anything cost little
// next to the conversion itself.
namespace TCodeUnitScan {

using Units = std::uint16_t __attribute__((vector_size(16)));  // one SSE2 or NEON register
inline constexpr std::size_t kLanes = sizeof(Units) / sizeof(std::uint16_t);
static_assert(kLanes == 8);

// Every lane `value`; spelled out because mixed vector-scalar operations are
// not handled alike by every compiler.
inline Units Splat(std::uint16_t x)
{
    return Units{x, x, x, x, x, x, x, x};
}

inline Units Load(const char16_t* p)
{
    Units v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// True when any lane of a comparison result is set.
template <class Mask>
bool Any(Mask m)
{
    std::uint64_t words[sizeof(Mask) / sizeof(std::uint64_t)];
    std::memcpy(words, &m, sizeof words);
    std::uint64_t all = 0;
    for (std::uint64_t w : words)
        all |= w;
    return all != 0;
}

// Start of the first whole block from `from` on in which `test` sets a lane,
// or of the incomplete block at the end; the caller goes on unit by unit.
template <class Test>
std::size_t SkipBlocks(const char16_t* p, std::size_t n, std::size_t from, Test test)
{
    std::size_t i = from;
    while (i + kLanes <= n && !Any(test(Load(p + i))))
        i += kLanes;
    return i;
}

} // namespace TCodeUnitScan
