#pragma once

// Character classes, UTF-8 checks and small scanners of XML text for the
// tokenizer. Scanners take [p, end) and never read at or past end.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Excel::Xml {

inline constexpr std::string_view XmlNamespace = "http://www.w3.org/XML/1998/namespace";

using Table = std::array<bool, 256>;

// Bytes text can hold as they are: printable ASCII but markup, tab, newline.
inline constexpr Table TextPlain = [] {
    Table t{};
    for (int c = 0x20; c < 0x80; ++c)
        t[c] = c != '<' && c != '&' && c != ']';
    t['\t'] = t['\n'] = true;
    return t;
}();

// The same for attribute values, whose blanks become spaces.
inline constexpr Table ValuePlain = [] {
    Table t{};
    for (int c = 0x20; c < 0x80; ++c)
        t[c] = c != '<' && c != '&' && c != '"' && c != '\'';
    return t;
}();

inline constexpr Table NameChar = [] {
    Table t{};
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] = t[c - 'a' + 'A'] = true;
    for (int c = '0'; c <= '9'; ++c)
        t[c] = true;
    t['_'] = t[':'] = t['-'] = t['.'] = true;
    return t;
}();

// Inline: the tokenizer calls these for every tag.
inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline const char* SkipBlanks(const char* p, const char* end)
{
    while (p < end && IsBlank(*p))
        ++p;
    return p;
}

// Length of the valid UTF-8 sequence at p; 0 when invalid, -1 when the
// input ends inside it. U+FFFE and U+FFFF are not XML characters.
int Utf8Length(const char* at, const char* end);

// Whether a character reference may name this code point.
bool IsXmlChar(std::uint32_t v);
void AppendUtf8(std::uint32_t c, std::string& out);

// End of the name at p: ASCII name characters, and beyond ASCII the
// characters expat takes in a name at that place. NameEndBeyondAscii goes
// on from p, where a byte beyond ASCII stands, in the name starting at begin.
const char* NameEndBeyondAscii(const char* begin, const char* p, const char* end);
inline const char* NameEnd(const char* p, const char* end)
{
    const char* q = p;
    while (q < end && NameChar[static_cast<unsigned char>(*q)])
        ++q;
    if (q < end && static_cast<unsigned char>(*q) >= 0x80)
        return NameEndBeyondAscii(p, q, end);
    return q;
}
// Whether a name may start with c: a name character, but not a digit, '-' or '.'.
bool StartsName(char c);
// ASCII case-insensitive equality.
bool EqualsNoCase(std::string_view a, std::string_view b);

// Where plain text at p stops: at markup, a reference, a carriage return or
// a forbidden byte. `end` also when the input ends inside a character or
// a possible "]]>".
const char* PlainTextEnd(const char* p, const char* end);

// A well-formed declaration ("<?xml" up to, not including, "?>") of
// version 1.0 in UTF-8 or no encoding: the only kind the tokenizer reads
// itself; expat judges any other.
bool IsPlainUtf8Declaration(std::string_view decl);

// The character of one of XML's five predefined entities ("amp" gives '&'),
// or 0 for any other name.
inline char PredefinedEntity(std::string_view name)
{
    if (name == "amp")
        return '&';
    if (name == "lt")
        return '<';
    if (name == "gt")
        return '>';
    if (name == "quot")
        return '"';
    if (name == "apos")
        return '\'';
    return 0;
}

// The number of a character reference, at p just after "&#": 'x' and hex
// digits, or decimal digits. Gives where they stop (end when the input ends
// first), their value in `value` (0x110000 for any too large to be a
// character) and how many there were in `digits`.
const char* ScanCharReference(const char* p, const char* end, std::uint32_t& value, std::size_t& digits);

// The prefix of a qualified name (empty when it has none); nullopt when the
// name has colons in the wrong places.
std::optional<std::string_view> PrefixOf(std::string_view qname);

} // namespace Excel::Xml
