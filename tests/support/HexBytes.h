#pragma once

#include <cctype>
#include <string>

#include "text/UnicodeString.h"

namespace hexbytes {

// "82 a0 41" or "82a041" to bytes; blanks are skipped.
inline std::string Hex(const std::string& hex)
{
    std::string out;
    int high = -1;
    for (char c : hex) {
        if (c == ' ')
            continue;
        const int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            out += static_cast<char>(high << 4 | v);
            high = -1;
        }
    }
    return out;
}

// Bytes as lower-case hex without separators, for readable failures.
inline std::string ToHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// Code units as "U+XXXX" list, for readable failures.
inline std::string Units(const UnicodeString& text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char16_t c : text) {
        out += out.empty() ? "U+" : " U+";
        for (int shift = 12; shift >= 0; shift -= 4)
            out += digits[(c >> shift) & 15];
    }
    return out;
}

inline RawByteString FileBytes(const std::string& hex)
{
    return RawByteString{Hex(hex), RawCodePage};
}

} // namespace hexbytes
