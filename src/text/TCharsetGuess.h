#pragma once

// Which of the offered character sets a file's bytes probably are, for
// telling a template author that the chosen one reads the file wrongly.

#include <string_view>

namespace TCharsetGuess {

// The charset index (0 Shift_JIS, 1 UTF-8, 2 EUC-JP) the bytes probably are
// when reading them as `chosen` would give another text; -1 when they read
// the same in every set (plain ASCII), fit `chosen`, or fit none clearly.
int ProbableCharset(std::string_view bytes, int chosen);

} // namespace TCharsetGuess
