#include "text/TStringUtility.h"

namespace TStringUtility {

UnicodeString HTMLEncode(const UnicodeString& text)
{
    UnicodeString out;
    out.reserve(text.size());
    AppendHTMLEncoded(out, text);
    return out;
}

void AppendHTMLEncoded(UnicodeString& out, std::u16string_view text)
{
    // One pass: an entity written is never looked at again.
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::u16string_view entity;
        switch (text[i]) {
        case u'&': entity = u"&amp;"; break;
        case u'"': entity = u"&quot;"; break;
        case u'<': entity = u"&lt;"; break;
        case u'>': entity = u"&gt;"; break;
        // Cell text must not end a single-quoted attribute either.
        case u'\'': entity = u"&#39;"; break;
        default: continue;
        }
        out.append(text.substr(start, i - start));
        out.append(entity);
        start = i + 1;
    }
    out.append(text.substr(start));
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
