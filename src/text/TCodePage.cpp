#include "text/TCodePage.h"

#include <array>

namespace TCodePage {

namespace {

constexpr std::array<TCharset, 3> kCharsets{{
    {0, u"Shift_JIS", CP_SHIFT_JIS},
    {1, u"UTF-8", CP_UTF8},
    {2, u"EUC-JP", CP_EUC_JP},
}};

} // namespace

std::span<const TCharset> Charsets()
{
    return kCharsets;
}

bool IsValidIndex(int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < kCharsets.size();
}

unsigned CodePageOf(int index)
{
    return IsValidIndex(index) ? kCharsets[static_cast<std::size_t>(index)].codePage : CP_DEFAULT;
}

UnicodeString NameOf(int index)
{
    return IsValidIndex(index) ? UnicodeString(kCharsets[static_cast<std::size_t>(index)].name)
                               : UnicodeString();
}

int IndexOfName(const UnicodeString& name)
{
    for (const auto& c : kCharsets)
        if (name == c.name)
            return c.index;
    return -1;
}

RawByteString GetPreamble(unsigned codePage)
{
    RawByteString preamble;
    preamble.codePage = codePage;
    switch (codePage) {
    case 1200: preamble.bytes = "\xFF\xFE"; break;
    case 1201: preamble.bytes = "\xFE\xFF"; break;
    case CP_UTF8: preamble.bytes = "\xEF\xBB\xBF"; break;
    default: break;  // UTF-7 and every single/multibyte code page have none
    }
    return preamble;
}

} // namespace TCodePage
