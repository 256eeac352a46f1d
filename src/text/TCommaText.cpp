#include "text/TCommaText.h"

namespace {

bool IsBlank(char16_t c)
{
    return c >= 1 && c <= 32;
}

bool NeedsQuotes(const UnicodeString& entry)
{
    for (const char16_t c : entry)
        if (c == u'"' || c == u',' || IsBlank(c))
            return true;
    return false;
}

void SkipBlanks(std::u16string_view text, std::size_t& i)
{
    while (i < text.size() && IsBlank(text[i]))
        ++i;
}

UnicodeString ReadQuoted(std::u16string_view text, std::size_t& i)
{
    UnicodeString entry;
    ++i;  // opening quote
    while (i < text.size()) {
        if (text[i] == u'"') {
            if (i + 1 < text.size() && text[i + 1] == u'"') {
                entry += u'"';
                i += 2;
                continue;
            }
            ++i;  // closing quote
            break;
        }
        entry += text[i++];
    }
    return entry;
}

} // namespace

namespace TCommaText {

UnicodeString Join(const std::vector<UnicodeString>& entries)
{
    if (entries.size() == 1 && entries.front().empty())
        return u"\"\"";
    UnicodeString out;
    for (std::size_t n = 0; n < entries.size(); ++n) {
        if (n > 0)
            out += u',';
        const UnicodeString& entry = entries[n];
        if (!NeedsQuotes(entry)) {
            out += entry;
            continue;
        }
        out += u'"';
        for (const char16_t c : entry) {
            if (c == u'"')
                out += u'"';
            out += c;
        }
        out += u'"';
    }
    return out;
}

std::vector<UnicodeString> Split(std::u16string_view text)
{
    // A NUL ends the text; it is neither a blank nor part of an entry, and
    // scanning past it would never advance.
    text = text.substr(0, text.find(u'\0'));
    std::vector<UnicodeString> entries;
    std::size_t i = 0;
    SkipBlanks(text, i);
    while (i < text.size()) {
        if (text[i] == u'"') {
            entries.push_back(ReadQuoted(text, i));
        } else {
            const std::size_t start = i;
            while (i < text.size() && text[i] != u',' && text[i] > 32)
                ++i;
            entries.emplace_back(text.substr(start, i - start));
        }
        SkipBlanks(text, i);
        if (i < text.size() && text[i] == u',') {
            ++i;
            if (i == text.size())
                entries.emplace_back();  // a trailing comma ends with an empty entry
            SkipBlanks(text, i);
        }
    }
    return entries;
}

} // namespace TCommaText
