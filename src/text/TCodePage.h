#pragma once

#include <span>

#include "text/UnicodeString.h"

// The character sets offered for templates and pages. The index is what
// project files and the command line store, so the order must never change.
namespace TCodePage {

inline constexpr unsigned CP_SHIFT_JIS = 932;
inline constexpr unsigned CP_UTF8 = 65001;
inline constexpr unsigned CP_EUC_JP = 20932;
// The system's default code page: what an index outside the list maps to.
inline constexpr unsigned CP_DEFAULT = 0;

// The bytes to write at the start of a file in this code page.
RawByteString GetPreamble(unsigned codePage);

struct TCharset {
    int index;
    const char16_t* name;   // the name shown in every charset list
    unsigned codePage;

    RawByteString Preamble() const { return GetPreamble(codePage); }
};

// Every charset, in list order (index 0, 1, 2).
std::span<const TCharset> Charsets();

// True for 0 .. Charsets().size() - 1.
bool IsValidIndex(int index);

// The code page of a charset index; any other index gives CP_DEFAULT.
unsigned CodePageOf(int index);

// The shown name of a charset index; empty for any other index.
UnicodeString NameOf(int index);

// The index of a shown name (exact match), or -1.
int IndexOfName(const UnicodeString& name);

} // namespace TCodePage
