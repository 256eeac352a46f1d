#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string_view>
#include <vector>

#include <unicode/umachine.h>

#include "text/UnicodeString.h"

// One single-character step at the start or end of a pattern: a literal
// code point or a character class, possibly optional or repeated.
struct TPatternItem {
    UChar32 literal = -1;      // -1: a class, see `ascii`
    std::bitset<128> ascii;    // ASCII characters the class matches; any other may match
    bool optional = false;     // "?" or "*"
    bool repeats = false;      // "*" or "+"

    bool Matches(UChar32 c) const
    {
        if (literal >= 0)
            return c == literal;
        return c < 0 || c >= 128 || ascii[static_cast<std::size_t>(c)];
    }
};

// The head as bit masks, one bit per item, so that all places in the head
// are followed at once.
struct THeadMasks {
    std::array<std::uint64_t, 128> ascii{};  // items matching each ASCII character
    std::uint64_t classes = 0;                // class items: may match any other character
    std::vector<std::pair<UChar32, std::uint64_t>> wide;  // literal items beyond ASCII
    std::uint64_t optional = 0;
    std::uint64_t repeats = 0;
    std::uint64_t done = 1;                   // the bit past the last item

    explicit THeadMasks(const std::vector<TPatternItem>& head);

    std::uint64_t Matching(UChar32 c) const
    {
        if (c >= 0 && c < 128)
            return ascii[static_cast<std::size_t>(c)];
        std::uint64_t mask = classes;
        for (const auto& [literal, bit] : wide)
            mask |= literal == c ? bit : 0;
        return mask;
    }

    // Adds the places reached by leaving out optional items.
    std::uint64_t Close(std::uint64_t places) const
    {
        for (std::uint64_t more = places; (more = (more & optional) << 1 & ~places) != 0;)
            places |= more;
        return places;
    }
};

// What every match of a pattern must begin and end with, so that hopeless
// positions are refused without running the engine. Empty parts promise
// nothing. Alternatives, inline options, quoting and verbs give no shape.
struct TPatternShape {
    std::vector<TPatternItem> head;  // leading items, in order (at most 63)
    std::vector<TPatternItem> tail;  // trailing single, unrepeated items, in order
    THeadMasks masks{{}};            // of `head`
    // A character every match holds exactly once, as its last one (the ">"
    // of "<!---\s+cell[^>]*?--->"), or -1. A match from a position can then
    // only end at the first such character, and `tail` must end there.
    UChar32 stop = -1;
};

// Reads the shape of a pattern the engine has accepted.
TPatternShape AnalyzePattern(std::u16string_view pattern);

// False only when no text starting at `first` can begin with the head.
// Looks at a bounded number of characters.
template <class Iterator>
bool HeadMayMatch(const THeadMasks& head, Iterator first, Iterator last)
{
    // Bit j: about to match item j. Repeated items that matched stay set.
    std::uint64_t places = head.Close(1);
    for (int steps = 0; !(places & head.done); ++steps, ++first) {
        if (first == last)
            return false;  // the text ends inside the head
        if (steps == 64)
            return true;
        const std::uint64_t matched = places & head.Matching(*first);
        if (matched == 0)
            return false;
        places = head.Close((matched & head.repeats) | (matched << 1));
    }
    return true;
}

// Whether `tail` occurs ending just after `stop`, the first stop character
// at or after `first` (`stop` == `last`: there is none), and starts no
// earlier than `first`.
template <class Iterator>
bool TailEndsAtStop(const std::vector<TPatternItem>& tail, Iterator first, Iterator stop, Iterator last)
{
    if (stop == last)
        return false;
    const auto k = static_cast<std::ptrdiff_t>(tail.size());
    if ((stop + 1) - first < k)
        return false;
    const Iterator start = stop + 1 - k;
    for (std::ptrdiff_t i = 0; i < k; ++i)
        if (!tail[static_cast<std::size_t>(i)].Matches(start[i]))
            return false;
    return true;
}

// Start of the last place in [first, last) where `tail` occurs, or -1.
template <class Iterator>
std::ptrdiff_t LastTail(const std::vector<TPatternItem>& tail, Iterator first, Iterator last)
{
    const auto k = static_cast<std::ptrdiff_t>(tail.size());
    for (std::ptrdiff_t start = (last - first) - k; start >= 0; --start) {
        std::ptrdiff_t i = 0;
        while (i < k && tail[static_cast<std::size_t>(i)].Matches(first[start + i]))
            ++i;
        if (i == k)
            return start;
    }
    return -1;
}
