#include "readers/TXmlChars.h"

#include <algorithm>
#include <atomic>

#include <expat.h>

namespace Excel::Xml {

int Utf8Length(const char* at, const char* end)
{
    const auto* p = reinterpret_cast<const unsigned char*>(at);
    const auto c = p[0];
    if (c < 0x80)
        return 1;
    int n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c == 0xE0)
        n = 3, lo = 0xA0;
    else if (c == 0xED)
        n = 3, hi = 0x9F;  // no surrogates
    else if (c >= 0xE1 && c <= 0xEF)
        n = 3;
    else if (c == 0xF0)
        n = 4, lo = 0x90;
    else if (c >= 0xF1 && c <= 0xF3)
        n = 4;
    else if (c == 0xF4)
        n = 4, hi = 0x8F;
    else
        return 0;
    const auto available = std::min<std::ptrdiff_t>(n, end - at);
    for (std::ptrdiff_t i = 1; i < available; ++i)
        if (i == 1 ? (p[1] < lo || p[1] > hi) : (p[i] & 0xC0) != 0x80)
            return 0;
    if (available < n)
        return -1;
    if (c == 0xEF && p[1] == 0xBF && p[2] >= 0xBE)
        return 0;
    return n;
}

bool IsXmlChar(std::uint32_t v)
{
    return v == 0x9 || v == 0xA || v == 0xD || (v >= 0x20 && v <= 0xD7FF) ||
           (v >= 0xE000 && v <= 0xFFFD) || (v >= 0x10000 && v <= 0x10FFFF);
}

void AppendUtf8(std::uint32_t c, std::string& out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

namespace {

// Code point of the valid UTF-8 sequence of n bytes at p.
std::uint32_t DecodeUtf8(const char* p, int n)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    std::uint32_t v = n == 2 ? b[0] & 0x1F : n == 3 ? b[0] & 0x0F : b[0] & 0x07;
    for (int i = 1; i < n; ++i)
        v = v << 6 | (b[i] & 0x3F);
    return v;
}

// Whether expat itself takes the text as a document.
bool ExpatAccepts(const std::string& document)
{
    XML_Parser parser = XML_ParserCreate("UTF-8");
    if (!parser)
        return false;
    const bool ok = XML_Parse(parser, document.data(), static_cast<int>(document.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return ok;
}

// Which characters beyond ASCII may start or continue a name follows
// expat's own tables; rather than copy them, ask expat once per code point.
enum : std::uint8_t { Known = 1, MayStart = 2, MayFollow = 4 };

std::uint8_t ProbeNameChar(const char* p, int n)
{
    const std::string c(p, static_cast<std::size_t>(n));
    return Known | (ExpatAccepts("<" + c + "/>") ? MayStart : 0) | (ExpatAccepts("<a" + c + "/>") ? MayFollow : 0);
}

bool IsNameCharAt(const char* p, int n, bool first)
{
    static std::array<std::atomic<std::uint8_t>, 0x10000> bmp{};
    const std::uint32_t v = DecodeUtf8(p, n);
    std::uint8_t kind = 0;
    if (v < bmp.size()) {
        kind = bmp[v].load(std::memory_order_relaxed);
        if (!kind)
            bmp[v].store(kind = ProbeNameChar(p, n), std::memory_order_relaxed);
    } else {
        kind = ProbeNameChar(p, n);
    }
    return kind & (first ? MayStart : MayFollow);
}

} // namespace

const char* NameEndBeyondAscii(const char* begin, const char* p, const char* end)
{
    while (p < end) {
        if (NameChar[static_cast<unsigned char>(*p)]) {
            ++p;
            continue;
        }
        const int n = static_cast<unsigned char>(*p) < 0x80 ? 0 : Utf8Length(p, end);
        if (n < 0)
            return end;
        // The local part after a prefix is a name of its own, so it starts afresh.
        if (n == 0 || !IsNameCharAt(p, n, p == begin || p[-1] == ':'))
            break;
        p += n;
    }
    return p;
}

bool StartsName(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (NameChar[b] || b >= 0x80) && !(c >= '0' && c <= '9') && c != '-' && c != '.';
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

const char* PlainTextEnd(const char* p, const char* end)
{
    for (;;) {
        while (p < end && TextPlain[static_cast<unsigned char>(*p)])
            ++p;
        if (p == end)
            return end;
        if (static_cast<unsigned char>(*p) >= 0x80) {
            const int n = Utf8Length(p, end);
            if (n <= 0)
                return n < 0 ? end : p;
            p += n;
        } else if (*p == ']') {
            if (p + 1 == end || (p[1] == ']' && p + 2 == end))
                return end;
            if (p[1] == ']' && p[2] == '>')
                return p;
            ++p;
        } else {
            return p;
        }
    }
}

bool IsPlainUtf8Declaration(std::string_view decl)
{
    for (char c : decl)
        if ((c < 0x20 && !IsBlank(c)) || static_cast<unsigned char>(c) >= 0x7F)
            return false;
    if (decl.substr(0, 5) != "<?xml")
        return false;
    std::string_view rest = decl.substr(5);
    // One pseudo-attribute: blanks, its name, '=', a quoted value.
    const auto take = [&](std::string_view name, std::string_view& value) {
        std::string_view s = rest;
        std::size_t i = 0;
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        if (i == 0 || s.substr(i, name.size()) != name)
            return false;
        i += name.size();
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        if (i >= s.size() || s[i] != '=')
            return false;
        ++i;
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        if (i >= s.size() || (s[i] != '"' && s[i] != '\''))
            return false;
        const auto close = s.find(s[i], i + 1);
        if (close == std::string_view::npos)
            return false;
        value = s.substr(i + 1, close - i - 1);
        rest = s.substr(close + 1);
        return true;
    };
    std::string_view value;
    if (!take("version", value) || value != "1.0")
        return false;
    if (take("encoding", value) && !EqualsNoCase(value, "utf-8"))
        return false;
    if (take("standalone", value) && value != "yes" && value != "no")
        return false;
    for (char c : rest)
        if (!IsBlank(c))
            return false;
    return true;
}

const char* ScanCharReference(const char* p, const char* end, std::uint32_t& value, std::size_t& digits)
{
    value = 0;
    digits = 0;
    if (p == end)
        return end;
    const bool hex = *p == 'x';
    if (hex && ++p == end)
        return end;
    const char* first = p;
    for (; p < end; ++p) {
        int d = -1;
        if (*p >= '0' && *p <= '9')
            d = *p - '0';
        else if (hex && *p >= 'a' && *p <= 'f')
            d = *p - 'a' + 10;
        else if (hex && *p >= 'A' && *p <= 'F')
            d = *p - 'A' + 10;
        if (d < 0)
            break;
        value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + static_cast<std::uint32_t>(d), 0x110000);
    }
    digits = static_cast<std::size_t>(p - first);
    return p;
}

std::optional<std::string_view> PrefixOf(std::string_view qname)
{
    // Names are short: a plain loop beats a library search here.
    std::size_t colon = qname.size();
    for (std::size_t i = 0; i < qname.size(); ++i) {
        if (qname[i] != ':')
            continue;
        if (colon != qname.size())
            return std::nullopt;
        colon = i;
    }
    if (colon == qname.size())
        return std::string_view();
    // Both halves are names of their own: the local one cannot start with a digit.
    if (colon == 0 || colon + 1 == qname.size() || !StartsName(qname[colon + 1]))
        return std::nullopt;
    return qname.substr(0, colon);
}

} // namespace Excel::Xml
