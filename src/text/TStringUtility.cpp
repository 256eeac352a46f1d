#include "text/TStringUtility.h"

namespace TStringUtility {

UnicodeString HTMLEncode(const UnicodeString& text)
{
    // "&" first so the entities written afterwards are not escaped again.
    UnicodeString out = ReplaceString(text, u"&", u"&amp;", rfReplaceAll);
    out = ReplaceString(out, u"\"", u"&quot;", rfReplaceAll);
    out = ReplaceString(out, u"<", u"&lt;", rfReplaceAll);
    out = ReplaceString(out, u">", u"&gt;", rfReplaceAll);
    // Cell text must not end a single-quoted attribute either.
    return ReplaceString(out, u"'", u"&#39;", rfReplaceAll);
}

UnicodeString ReplaceString(const UnicodeString& text, const UnicodeString& from,
                            const UnicodeString& to, unsigned flags)
{
    if (from.empty())
        return text;
    UnicodeString out;
    std::size_t start = 0;
    // Searching resumes behind each occurrence, so inserted text is never searched.
    for (std::size_t found; (found = text.find(from, start)) != UnicodeString::npos;) {
        out.append(text, start, found - start);
        out += to;
        start = found + from.size();
        if (!(flags & rfReplaceAll))
            break;
    }
    out.append(text, start, UnicodeString::npos);
    return out;
}

UnicodeString LCMapText(const UnicodeString& text, unsigned flags)
{
    if (text.empty() || !(flags & LCMAP_FULLWIDTH))
        return text;
    UnicodeString out(text);
    for (auto& c : out) {
        if (c >= 0x21 && c <= 0x7E)
            c = static_cast<char16_t>(c + 0xFEE0);
        else if (c == 0x20)
            c = 0x3000;
    }
    return out;
}

} // namespace TStringUtility
