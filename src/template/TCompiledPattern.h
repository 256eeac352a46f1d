#pragma once

#include <boost/regex/icu.hpp>

#include <cstdint>
#include <string_view>
#include <vector>

#include "template/TPatternShape.h"
#include "text/UnicodeString.h"

// A scanner pattern compiled once as "\A" + pattern, with what every match
// must begin and end with, so that hopeless positions are refused without
// running the engine.
struct TCompiledPattern {
    boost::u32regex regex;
    TPatternShape shape;
    std::uint64_t id = 0;  // unique for the process, never reused
};

// The compiled form of `pattern`, compiled on first use and shared by the
// whole process. The reference stays valid until this thread's next call.
// Raises Exception when the engine rejects the pattern.
const TCompiledPattern& FindCompiledPattern(std::u16string_view pattern);

// Code points of UTF-16 text; an unpaired surrogate becomes U+FFFD (still one
// character). `offsets`, when given and the text holds surrogate pairs, gets
// the UTF-16 offset of every code point plus the end; otherwise it is left empty.
std::vector<UChar32> ToCodePoints(std::u16string_view text, std::vector<std::size_t>* offsets);

