#include "settings/TShellQuote.h"

UnicodeString ShellQuote(std::u16string_view text)
{
    UnicodeString out;
    out.reserve(text.size() + 2);
    out += u'\'';
    for (const char16_t c : text) {
        if (c == u'\'')
            out += u"'\\''";
        else
            out += c;
    }
    out += u'\'';
    return out;
}
