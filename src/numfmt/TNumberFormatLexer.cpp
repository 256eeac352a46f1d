#include "numfmt/TNumberFormatLexer.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "text/TConvert.h"

namespace Excel::NumberFormat {

namespace {

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool StartsWithNoCase(std::u16string_view s, std::size_t pos, std::u16string_view word)
{
    if (s.size() - pos < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Lower(s[pos + i]) != Lower(word[i])) return false;
    return true;
}

bool ParseHex(std::u16string_view s, unsigned& value)
{
    if (s.empty() || s.size() > 8) return false;
    value = 0;
    for (char16_t c : s) {
        const int d = HexDigitValue(c);
        if (d < 0) return false;
        value = value * 16 + unsigned(d);
    }
    return true;
}

bool ParseCondition(std::u16string_view s, TSection& section)
{
    std::size_t n = 1;
    if (s.substr(0, 2) == u"<=") { section.condition = TConditionOp::LessEqual; n = 2; }
    else if (s.substr(0, 2) == u">=") { section.condition = TConditionOp::GreaterEqual; n = 2; }
    else if (s.substr(0, 2) == u"<>") { section.condition = TConditionOp::NotEqual; n = 2; }
    else if (s[0] == u'<') section.condition = TConditionOp::Less;
    else if (s[0] == u'>') section.condition = TConditionOp::Greater;
    else section.condition = TConditionOp::Equal;
    std::string number;
    for (char16_t c : s.substr(n)) {
        if (c > 0x7F) return false;
        number += char(c);
    }
    if (number.empty() || number.size() > 40 || number[0] == ' ') return false;
    char* end = nullptr;
    section.conditionValue = std::strtod(number.c_str(), &end);
    return end == number.c_str() + number.size();
}

bool IsColor(std::u16string_view s)
{
    static const std::u16string_view names[] = {
        u"black", u"blue", u"cyan", u"green", u"magenta", u"red", u"white", u"yellow",
        u"黒", u"青", u"水", u"緑", u"紫", u"赤", u"白", u"黄"};
    for (auto name : names)
        if (s.size() == name.size() && StartsWithNoCase(s, 0, name)) return true;
    if (s.size() > 5 && StartsWithNoCase(s, 0, u"color")) {
        int n = StrToIntDef(s.substr(5), 0);
        return n >= 1 && n <= 56 && s[5] >= u'0' && s[5] <= u'9';
    }
    return false;
}

// Reads the content of one [...] group; false for an unknown one.
bool ReadBracket(std::u16string_view s, TSection& section, std::vector<TRawToken>& out)
{
    if (s.empty()) return false;
    if (s[0] == u'$') {
        auto rest = s.substr(1);
        auto dash = rest.find(u'-');
        auto symbol = rest.substr(0, dash);
        if (!symbol.empty()) out.push_back({TRawKind::Literal, 0, 1, false, TAmPmStyle::Upper, UnicodeString(symbol)});
        if (dash != std::u16string_view::npos) {
            auto locale = rest.substr(dash + 1);
            unsigned lcid = 0;
            if (ParseHex(locale, lcid)) section.lcid = lcid;
            else if (StartsWithNoCase(locale, 0, u"ja") || (locale.size() == 2 && StartsWithNoCase(locale, 0, u"jp"))) {
                section.lcid = 0x411;
                section.gannen = locale.size() >= 6 && StartsWithNoCase(locale, locale.size() - 6, u"gannen");
            }
            else section.lcid = 0x409;  // another named locale: not Japanese
        }
        return true;
    }
    if (s[0] == u'<' || s[0] == u'>' || s[0] == u'=') return ParseCondition(s, section);
    if (IsColor(s)) return true;
    if (s.size() == 6 && StartsWithNoCase(s, 0, u"dbnum") && s[5] >= u'1' && s[5] <= u'4') {
        section.dbnum = s[5] == u'4' ? 3 : s[5] - u'0';
        return true;
    }
    // Language and calendar tags such as [ENG], [JPN], [HIJ].
    if (s.size() == 3 && std::all_of(s.begin(), s.end(), [](char16_t x) { return x >= u'A' && x <= u'Z'; }))
        return true;
    char16_t c = Lower(s[0]);
    if (c == u'h' || c == u'm' || c == u's') {
        for (char16_t x : s)
            if (Lower(x) != c) return false;
        TRawToken t{TRawKind::Elapsed, c, int(s.size()), false, TAmPmStyle::Upper, UnicodeString(u"[") + UnicodeString(s) + u"]"};
        out.push_back(std::move(t));
        return true;
    }
    return false;
}


} // namespace

bool IsPlaceholder(char16_t c) { return c == u'0' || c == u'#' || c == u'?'; }

bool LexSection(std::u16string_view code, std::size_t& pos, TSection& section, std::vector<TRawToken>& out,
                bool& endedBySemicolon)
{
    bool sawPlaceholder = false;
    endedBySemicolon = false;
    auto literal = [&](UnicodeString text) { out.push_back({TRawKind::Literal, 0, 1, false, TAmPmStyle::Upper, std::move(text)}); };
    while (pos < code.size()) {
        char16_t c = code[pos];
        if (c == u';') { ++pos; endedBySemicolon = true; return true; }
        if (c == u'"') {
            auto end = code.find(u'"', pos + 1);
            if (end == std::u16string_view::npos) return false;
            literal(UnicodeString(code.substr(pos + 1, end - pos - 1)));
            pos = end + 1;
        } else if (c == u'\\') {
            if (pos + 1 >= code.size()) return false;
            literal(UnicodeString(1, code[pos + 1]));
            pos += 2;
        } else if (c == u'_') {
            // One space where Excel leaves the width of the next character.
            if (pos + 1 >= code.size()) return false;
            literal(u" ");
            pos += 2;
        } else if (c == u'*') {
            // Fill characters need a column width, which is ignored.
            pos += (pos + 1 < code.size()) ? 2 : 1;
        } else if (c == u'[') {
            auto end = code.find(u']', pos + 1);
            if (end == std::u16string_view::npos) return false;
            if (!ReadBracket(code.substr(pos + 1, end - pos - 1), section, out)) return false;
            pos = end + 1;
        } else if (c == u']') {
            return false;  // a closing bracket without its opening one
        } else if (IsPlaceholder(c)) {
            sawPlaceholder = true;
            out.push_back({TRawKind::Placeholder, c, 1, false, TAmPmStyle::Upper, UnicodeString(1, c)});
            ++pos;
        } else if (c >= u'1' && c <= u'9') {
            out.push_back({TRawKind::DigitChar, c, 1, false, TAmPmStyle::Upper, UnicodeString(1, c)});
            ++pos;
        } else if (c == u'.' || c == u',' || c == u'%' || c == u'/' || c == u'@') {
            TRawKind kind = c == u'.' ? TRawKind::Point : c == u',' ? TRawKind::Comma : c == u'%' ? TRawKind::Percent
                     : c == u'/' ? TRawKind::Slash : TRawKind::At;
            out.push_back({kind, c, 1, false, TAmPmStyle::Upper, UnicodeString(1, c)});
            ++pos;
        } else if ((c == u'E' || c == u'e') && sawPlaceholder && pos + 1 < code.size()
                   && (code[pos + 1] == u'+' || code[pos + 1] == u'-')) {
            out.push_back({TRawKind::Exp, c, 1, code[pos + 1] == u'+', TAmPmStyle::Upper, UnicodeString(code.substr(pos, 2))});
            pos += 2;
        } else if (StartsWithNoCase(code, pos, u"general")) {
            out.push_back({TRawKind::General, 0, 1, false, TAmPmStyle::Upper, UnicodeString(code.substr(pos, 7))});
            pos += 7;
        } else if (code.substr(pos, 4) == u"G/標準") {
            // General as the Japanese user interface writes it.
            out.push_back({TRawKind::General, 0, 1, false, TAmPmStyle::Upper, UnicodeString(code.substr(pos, 4))});
            pos += 4;
        } else if (StartsWithNoCase(code, pos, u"am/pm")) {
            out.push_back({TRawKind::AmPm, 0, 1, false, TAmPmStyle::Upper, UnicodeString(code.substr(pos, 5))});
            pos += 5;
        } else if (StartsWithNoCase(code, pos, u"a/p")) {
            TAmPmStyle style = c == u'a' ? TAmPmStyle::LetterLower : TAmPmStyle::LetterUpper;
            out.push_back({TRawKind::AmPm, 0, 1, false, style, UnicodeString(code.substr(pos, 3))});
            pos += 3;
        } else if (code.substr(pos, 5) == u"午前/午後") {
            out.push_back({TRawKind::AmPm, 0, 1, false, TAmPmStyle::Japanese, UnicodeString(code.substr(pos, 5))});
            pos += 5;
        } else if ((c == u'B' || c == u'b') && pos + 1 < code.size() && (code[pos + 1] == u'1' || code[pos + 1] == u'2')) {
            pos += 2;  // calendar choice: the Gregorian calendar is always used
        } else {
            char16_t l = Lower(c);
            bool dateLetter = l == u'y' || l == u'm' || l == u'd' || l == u'h' || l == u's'
                           || l == u'g' || l == u'e' || l == u'b' || l == u'a';
            if (!dateLetter) {
                literal(UnicodeString(1, c));
                ++pos;
                continue;
            }
            std::size_t end = pos;
            while (end < code.size() && Lower(code[end]) == l) ++end;
            int count = int(end - pos);
            if (l == u'a' && count < 3) literal(UnicodeString(code.substr(pos, count)));
            else out.push_back({TRawKind::Letter, l, count, false, TAmPmStyle::Upper, UnicodeString(code.substr(pos, count))});
            pos = end;
        }
    }
    return true;
}

} // namespace Excel::NumberFormat
