#include "readers/TXmlShortcut.h"

#include <algorithm>
#include <cstring>

#include "readers/TXmlChars.h"

namespace Excel::Xml {

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// An ASCII name without a colon at p; nullptr when there is none or it
// runs into anything the tokenizer would have to judge.
const char* PlainNameEnd(const char* p, const char* end)
{
    if (p == end || !IsAsciiLetter(*p))
        return nullptr;
    ++p;
    while (p < end && NameChar[static_cast<unsigned char>(*p)] && *p != ':')
        ++p;
    if (p == end || static_cast<unsigned char>(*p) >= 0x80 || *p == ':')
        return nullptr;
    return p;
}

} // namespace

const char* ReadPlainTag(const char* p, const char* end, TPlainTag& tag)
{
    if (end - p < 2 || *p != '<')
        return nullptr;
    const char* q = PlainNameEnd(p + 1, end);
    if (!q)
        return nullptr;
    tag.name = std::string_view(p + 1, static_cast<std::size_t>(q - p - 1));
    tag.count = 0;
    tag.empty = false;
    for (;;) {
        const char* blank = q;
        q = SkipBlanks(q, end);
        if (q == end)
            return nullptr;
        if (*q == '>')
            break;
        if (*q == '/') {
            if (q + 1 == end || q[1] != '>')
                return nullptr;
            tag.empty = true;
            ++q;
            break;
        }
        if (q == blank || tag.count == TPlainTag::MaxAttributes)
            return nullptr;
        const char* name = q;
        if (end - q > 4 && std::memcmp(q, "xml:", 4) == 0)
            q += 4;
        else if (end - q >= 5 && std::memcmp(q, "xmlns", 5) == 0)
            return nullptr;
        q = PlainNameEnd(q, end);
        if (!q || *q != '=' || q + 1 == end || (q[1] != '"' && q[1] != '\''))
            return nullptr;
        const char quote = q[1];
        const char* value = q + 2;
        q = value;
        while (q < end && ValuePlain[static_cast<unsigned char>(*q)])
            ++q;
        if (q == end || *q != quote)
            return nullptr;
        const std::string_view attribute(name, static_cast<std::size_t>(value - 2 - name));
        for (std::size_t i = 0; i < tag.count; ++i)
            if (SameName(tag.attributes[i].Name(), attribute))
                return nullptr;  // the tokenizer refuses the duplicate
        tag.attributes[tag.count++] = {attribute.data(), attribute.size(), value, static_cast<std::size_t>(q - value)};
        ++q;
    }
    return q + 1;
}

const char* ReadText(const char* p, const char* end, std::string_view& text, std::string& scratch)
{
    const char* q = PlainTextEnd(p, end);
    if (q < end && *q == '<') {
        text = std::string_view(p, static_cast<std::size_t>(q - p));
        return q;
    }
    scratch.clear();
    for (;;) {
        scratch.append(p, q);
        if (q == end || *q != '&')
            return nullptr;
        if (end - q > 2 && q[1] == '#') {
            // A character reference, of a character the tokenizer would take.
            std::uint32_t v = 0;
            std::size_t digits = 0;
            const char* stop = ScanCharReference(q + 2, end, v, digits);
            if (stop == end || digits == 0 || *stop != ';' || !IsXmlChar(v))
                return nullptr;
            AppendUtf8(v, scratch);
            p = stop + 1;
        } else {
            // "&name;" with a name of at most four letters; anything else is the tokenizer's.
            const std::string_view rest(q + 1, static_cast<std::size_t>(std::min<std::ptrdiff_t>(end - q - 1, 5)));
            const std::size_t semicolon = rest.find(';');
            const char c = semicolon == std::string_view::npos ? 0 : PredefinedEntity(rest.substr(0, semicolon));
            if (!c)
                return nullptr;
            scratch += c;
            p = q + 2 + semicolon;
        }
        q = PlainTextEnd(p, end);
        if (q < end && *q == '<') {
            scratch.append(p, q);
            text = scratch;
            return q;
        }
    }
}

} // namespace Excel::Xml
