#include "workbook/TNumberFormatParser.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "text/TConvert.h"

namespace Excel::NumberFormat {

namespace {

// Limits beyond which a code is refused (Excel accepts at most 255 characters
// and 30 decimals); they also bound the work done per cell.
constexpr int kMaxSections = 4;
constexpr int kMaxPlaceholders = 255;
constexpr int kMaxDecimals = 30;
constexpr int kMaxExponentDigits = 5;
constexpr int kMaxFractionDigits = 9;
constexpr int kMaxScaleSteps = 10;

enum class Raw : std::uint8_t {
    Literal, Placeholder, Point, Comma, Percent, Exp, Slash, At, General, Letter, AmPm, Elapsed, DigitChar
};

struct RawToken {
    Raw kind = Raw::Literal;
    char16_t ch = 0;       // placeholder, letter (lower case) or digit
    int count = 1;         // letters in a run
    bool plus = false;     // Exp
    AmPmStyle ampm = AmPmStyle::Upper;
    UnicodeString text;    // how the token reads when shown literally
};

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool StartsWithNoCase(std::u16string_view s, std::size_t pos, std::u16string_view word) {
    if (s.size() - pos < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Lower(s[pos + i]) != Lower(word[i])) return false;
    return true;
}

bool ParseHex(std::u16string_view s, unsigned& value) {
    if (s.empty() || s.size() > 8) return false;
    value = 0;
    for (char16_t c : s) {
        int d;
        if (c >= u'0' && c <= u'9') d = c - u'0';
        else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
        else return false;
        value = value * 16 + unsigned(d);
    }
    return true;
}

bool ParseCondition(std::u16string_view s, Section& section) {
    std::size_t n = 1;
    if (s.substr(0, 2) == u"<=") { section.condition = ConditionOp::LessEqual; n = 2; }
    else if (s.substr(0, 2) == u">=") { section.condition = ConditionOp::GreaterEqual; n = 2; }
    else if (s.substr(0, 2) == u"<>") { section.condition = ConditionOp::NotEqual; n = 2; }
    else if (s[0] == u'<') section.condition = ConditionOp::Less;
    else if (s[0] == u'>') section.condition = ConditionOp::Greater;
    else section.condition = ConditionOp::Equal;
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

bool IsColor(std::u16string_view s) {
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
bool ReadBracket(std::u16string_view s, Section& section, std::vector<RawToken>& out) {
    if (s.empty()) return false;
    if (s[0] == u'$') {
        auto rest = s.substr(1);
        auto dash = rest.find(u'-');
        auto symbol = rest.substr(0, dash);
        if (!symbol.empty()) out.push_back({Raw::Literal, 0, 1, false, AmPmStyle::Upper, UnicodeString(symbol)});
        if (dash != std::u16string_view::npos) {
            auto locale = rest.substr(dash + 1);
            unsigned lcid = 0;
            if (ParseHex(locale, lcid)) section.lcid = lcid;
            else if (StartsWithNoCase(locale, 0, u"ja")) section.lcid = 0x411;
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
        RawToken t{Raw::Elapsed, c, int(s.size()), false, AmPmStyle::Upper, UnicodeString(u"[") + UnicodeString(s) + u"]"};
        out.push_back(std::move(t));
        return true;
    }
    return false;
}

bool IsPlaceholder(char16_t c) { return c == u'0' || c == u'#' || c == u'?'; }

// Cuts one section's text into raw tokens. Stops after the ';' that ends it.
bool LexSection(std::u16string_view code, std::size_t& pos, Section& section, std::vector<RawToken>& out,
                bool& endedBySemicolon) {
    bool sawPlaceholder = false;
    endedBySemicolon = false;
    auto literal = [&](UnicodeString text) { out.push_back({Raw::Literal, 0, 1, false, AmPmStyle::Upper, std::move(text)}); };
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
            out.push_back({Raw::Placeholder, c, 1, false, AmPmStyle::Upper, UnicodeString(1, c)});
            ++pos;
        } else if (c >= u'1' && c <= u'9') {
            out.push_back({Raw::DigitChar, c, 1, false, AmPmStyle::Upper, UnicodeString(1, c)});
            ++pos;
        } else if (c == u'.' || c == u',' || c == u'%' || c == u'/' || c == u'@') {
            Raw kind = c == u'.' ? Raw::Point : c == u',' ? Raw::Comma : c == u'%' ? Raw::Percent
                     : c == u'/' ? Raw::Slash : Raw::At;
            out.push_back({kind, c, 1, false, AmPmStyle::Upper, UnicodeString(1, c)});
            ++pos;
        } else if ((c == u'E' || c == u'e') && sawPlaceholder && pos + 1 < code.size()
                   && (code[pos + 1] == u'+' || code[pos + 1] == u'-')) {
            out.push_back({Raw::Exp, c, 1, code[pos + 1] == u'+', AmPmStyle::Upper, UnicodeString(code.substr(pos, 2))});
            pos += 2;
        } else if (StartsWithNoCase(code, pos, u"general")) {
            out.push_back({Raw::General, 0, 1, false, AmPmStyle::Upper, UnicodeString(code.substr(pos, 7))});
            pos += 7;
        } else if (StartsWithNoCase(code, pos, u"am/pm")) {
            out.push_back({Raw::AmPm, 0, 1, false, AmPmStyle::Upper, UnicodeString(code.substr(pos, 5))});
            pos += 5;
        } else if (StartsWithNoCase(code, pos, u"a/p")) {
            AmPmStyle style = c == u'a' ? AmPmStyle::LetterLower : AmPmStyle::LetterUpper;
            out.push_back({Raw::AmPm, 0, 1, false, style, UnicodeString(code.substr(pos, 3))});
            pos += 3;
        } else if (code.substr(pos, 5) == u"午前/午後") {
            out.push_back({Raw::AmPm, 0, 1, false, AmPmStyle::Japanese, UnicodeString(code.substr(pos, 5))});
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
            else out.push_back({Raw::Letter, l, count, false, AmPmStyle::Upper, UnicodeString(code.substr(pos, count))});
            pos = end;
        }
    }
    return true;
}

bool IsDateRaw(const RawToken& t) { return t.kind == Raw::Letter || t.kind == Raw::AmPm || t.kind == Raw::Elapsed; }

Token MakeLiteral(const UnicodeString& text) {
    Token t;
    t.kind = TokenKind::Literal;
    t.text = text;
    return t;
}

Token MakeDigit(TokenKind kind, char16_t placeholder) {
    Token t;
    t.kind = kind;
    t.placeholder = placeholder;
    return t;
}

Token MakeDatePart(DateField field, int width) {
    Token t;
    t.kind = TokenKind::DatePart;
    t.field = field;
    t.width = width;
    return t;
}

bool BuildText(const std::vector<RawToken>& raw, Section& s) {
    s.kind = SectionKind::Text;
    for (const auto& r : raw) {
        if (r.kind == Raw::At) {
            Token t;
            t.kind = TokenKind::Text;
            s.tokens.push_back(t);
        } else {
            s.tokens.push_back(MakeLiteral(r.text));
        }
    }
    return true;
}

bool IsHourField(DateField f) { return f == DateField::Hour || f == DateField::ElapsedHours; }
bool IsSecondField(DateField f) { return f == DateField::Second || f == DateField::ElapsedSeconds; }

// "m" and "mm" are minutes right after an hour or right before a second.
void ResolveMinutes(Section& s) {
    auto& tokens = s.tokens;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != TokenKind::DatePart || tokens[i].field != DateField::Month) continue;
        bool minute = false;
        for (std::size_t j = i; j-- > 0;) {
            if (tokens[j].kind != TokenKind::DatePart) continue;
            minute = IsHourField(tokens[j].field);
            break;
        }
        for (std::size_t j = i + 1; !minute && j < tokens.size(); ++j) {
            if (tokens[j].kind != TokenKind::DatePart) continue;
            minute = IsSecondField(tokens[j].field);
            break;
        }
        if (minute) tokens[i].field = DateField::Minute;
    }
}

bool BuildDate(const std::vector<RawToken>& raw, Section& s) {
    s.kind = SectionKind::DateTime;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto& r = raw[i];
        switch (r.kind) {
        case Raw::Letter: {
            int n = r.count;
            switch (r.ch) {
            case u'y': s.tokens.push_back(MakeDatePart(DateField::Year, n <= 2 ? 2 : 4)); break;
            case u'm': s.tokens.push_back(n <= 2 ? MakeDatePart(DateField::Month, n)
                                                 : MakeDatePart(DateField::MonthName, n > 5 ? 4 : n)); break;
            case u'd': s.tokens.push_back(n <= 2 ? MakeDatePart(DateField::Day, n)
                                                 : MakeDatePart(DateField::Weekday, n > 4 ? 4 : n)); break;
            case u'a': s.tokens.push_back(MakeDatePart(DateField::WeekdayJa, n > 4 ? 4 : n)); break;
            case u'h': s.tokens.push_back(MakeDatePart(DateField::Hour, n > 2 ? 2 : n)); break;
            case u's': s.tokens.push_back(MakeDatePart(DateField::Second, n > 2 ? 2 : n)); break;
            case u'g': s.tokens.push_back(MakeDatePart(DateField::Era, n > 3 ? 3 : n)); break;
            case u'e': s.tokens.push_back(MakeDatePart(DateField::EraYear, n > 2 ? 2 : n)); break;
            case u'b': s.tokens.push_back(MakeDatePart(DateField::BuddhistYear, n <= 2 ? 2 : 4)); break;
            default: return false;
            }
            break;
        }
        case Raw::Elapsed: {
            DateField f = r.ch == u'h' ? DateField::ElapsedHours : r.ch == u'm' ? DateField::ElapsedMinutes
                                                                 : DateField::ElapsedSeconds;
            s.tokens.push_back(MakeDatePart(f, r.count));
            break;
        }
        case Raw::AmPm: {
            Token t;
            t.kind = TokenKind::AmPm;
            t.ampm = r.ampm;
            s.tokens.push_back(t);
            s.hasAmPm = true;
            break;
        }
        case Raw::Point: {
            int zeros = 0;
            while (i + 1 + zeros < raw.size() && raw[i + 1 + zeros].kind == Raw::Placeholder
                   && raw[i + 1 + zeros].ch == u'0')
                ++zeros;
            if (zeros == 0) { s.tokens.push_back(MakeLiteral(u".")); break; }
            if (zeros > 3) return false;
            Token t;
            t.kind = TokenKind::SubSecond;
            t.width = zeros;
            s.tokens.push_back(t);
            if (zeros > s.subSecondDigits) s.subSecondDigits = zeros;
            i += zeros;
            break;
        }
        case Raw::Placeholder:
        case Raw::General:
            return false;
        default:
            s.tokens.push_back(MakeLiteral(r.text));
        }
    }
    ResolveMinutes(s);
    for (const auto& t : s.tokens) {
        if (t.kind != TokenKind::DatePart) continue;
        switch (t.field) {
        case DateField::Hour: case DateField::Minute: case DateField::Second:
        case DateField::ElapsedHours: case DateField::ElapsedMinutes: case DateField::ElapsedSeconds:
            break;
        default:
            s.hasDate = true;
        }
    }
    return true;
}

bool BuildGeneral(const std::vector<RawToken>& raw, Section& s) {
    s.kind = SectionKind::General;
    for (const auto& r : raw) {
        if (r.kind == Raw::Placeholder) return false;
        if (r.kind == Raw::General) {
            Token t;
            t.kind = TokenKind::General;
            s.tokens.push_back(t);
        } else {
            s.tokens.push_back(MakeLiteral(r.text));
        }
    }
    return true;
}

bool BuildFraction(const std::vector<RawToken>& raw, std::size_t slash, Section& s) {
    s.kind = SectionKind::Fraction;
    // The numerator is the run of placeholders nearest before the bar; any
    // placeholders before that run show the whole part.
    std::size_t numEnd = slash;
    while (numEnd > 0 && raw[numEnd - 1].kind != Raw::Placeholder) --numEnd;
    std::size_t numBegin = numEnd;
    while (numBegin > 0 && raw[numBegin - 1].kind == Raw::Placeholder) --numBegin;
    std::size_t denBegin = slash + 1;
    while (denBegin < raw.size() && raw[denBegin].kind == Raw::Literal) ++denBegin;
    std::size_t denEnd = denBegin;
    if (denBegin < raw.size() && raw[denBegin].kind == Raw::DigitChar) {
        long long value = 0;
        while (denEnd < raw.size() && (raw[denEnd].kind == Raw::DigitChar
                                       || (raw[denEnd].kind == Raw::Placeholder && raw[denEnd].ch == u'0'))) {
            value = value * 10 + (raw[denEnd].ch - u'0');
            if (value > 999999999) return false;
            ++denEnd;
        }
        s.fixedDenominator = value;
    } else {
        while (denEnd < raw.size() && raw[denEnd].kind == Raw::Placeholder) ++denEnd;
    }
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto& r = raw[i];
        if (i == slash) {
            Token t;
            t.kind = TokenKind::Slash;
            s.tokens.push_back(t);
        } else if (i >= denBegin && i < denEnd) {
            if (s.fixedDenominator) {
                if (i == denBegin) {
                    Token t;
                    t.kind = TokenKind::DenFixed;
                    t.number = s.fixedDenominator;
                    s.tokens.push_back(t);
                }
            } else {
                s.tokens.push_back(MakeDigit(TokenKind::DenDigit, r.ch));
                ++s.denDigits;
            }
        } else if (r.kind == Raw::Placeholder) {
            if (i >= numBegin && i < numEnd) {
                s.tokens.push_back(MakeDigit(TokenKind::NumDigit, r.ch));
                ++s.numDigits;
            } else if (i < numBegin) {
                s.tokens.push_back(MakeDigit(TokenKind::IntDigit, r.ch));
                ++s.intDigits;
            } else {
                return false;  // digits after the denominator
            }
        } else if (r.kind == Raw::Point || r.kind == Raw::Exp) {
            return false;
        } else if (r.kind == Raw::Comma && i > 0 && i < numBegin && raw[i - 1].kind == Raw::Placeholder
                   && i + 1 < numBegin && raw[i + 1].kind == Raw::Placeholder) {
            s.thousands = true;
        } else if (r.kind == Raw::Percent) {
            ++s.percents;
            s.tokens.push_back(MakeLiteral(r.text));
        } else {
            s.tokens.push_back(MakeLiteral(r.text));
        }
    }
    return s.numDigits <= kMaxFractionDigits && s.denDigits <= kMaxFractionDigits
        && (s.denDigits > 0 || s.fixedDenominator > 0);
}

bool BuildNumber(const std::vector<RawToken>& raw, Section& s) {
    s.kind = SectionKind::Number;
    int part = 0;  // 0 whole digits, 1 decimals, 2 exponent
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto& r = raw[i];
        switch (r.kind) {
        case Raw::Placeholder:
            if (part == 0) { s.tokens.push_back(MakeDigit(TokenKind::IntDigit, r.ch)); ++s.intDigits; }
            else if (part == 1) { s.tokens.push_back(MakeDigit(TokenKind::FracDigit, r.ch)); ++s.fracDigits; }
            else { s.tokens.push_back(MakeDigit(TokenKind::ExpDigit, r.ch)); ++s.expDigits; }
            break;
        case Raw::Point:
            if (part == 0) {
                Token t;
                t.kind = TokenKind::Point;
                s.tokens.push_back(t);
                s.hasPoint = true;
                part = 1;
            } else {
                s.tokens.push_back(MakeLiteral(r.text));
            }
            break;
        case Raw::Exp:
            if (part < 2) {
                Token t;
                t.kind = TokenKind::ExpMark;
                t.plusSign = r.plus;
                s.tokens.push_back(t);
                s.kind = SectionKind::Exponent;
                part = 2;
            } else {
                s.tokens.push_back(MakeLiteral(r.text));
            }
            break;
        case Raw::Comma: {
            // A comma after a digit is a thousands separator when digits of the
            // whole part follow, otherwise each comma divides by 1000.
            std::size_t j = i;
            while (j < raw.size() && raw[j].kind == Raw::Comma) ++j;
            bool afterDigit = i > 0 && raw[i - 1].kind == Raw::Placeholder;
            if (!afterDigit || part == 2) {
                for (std::size_t k = i; k < j; ++k) s.tokens.push_back(MakeLiteral(u","));
            } else if (part == 0 && j < raw.size() && raw[j].kind == Raw::Placeholder) {
                s.thousands = true;
            } else {
                s.scaleCommas += int(j - i);
            }
            i = j - 1;
            break;
        }
        case Raw::Percent:
            ++s.percents;
            s.tokens.push_back(MakeLiteral(r.text));
            break;
        default:
            s.tokens.push_back(MakeLiteral(r.text));
        }
    }
    return s.fracDigits <= kMaxDecimals && s.expDigits <= kMaxExponentDigits
        && s.scaleCommas <= kMaxScaleSteps && s.percents <= kMaxScaleSteps;
}

bool BuildSection(const std::vector<RawToken>& raw, Section& s) {
    bool hasAt = false, hasDate = false, hasGeneral = false;
    int placeholders = 0;
    for (const auto& r : raw) {
        hasAt |= r.kind == Raw::At;
        hasDate |= IsDateRaw(r);
        hasGeneral |= r.kind == Raw::General;
        placeholders += r.kind == Raw::Placeholder;
    }
    if (placeholders > kMaxPlaceholders) return false;
    if (hasAt) return BuildText(raw, s);
    if (hasDate) return BuildDate(raw, s);
    if (hasGeneral) return BuildGeneral(raw, s);
    if (placeholders == 0) {
        s.kind = SectionKind::LiteralOnly;
        for (const auto& r : raw) s.tokens.push_back(MakeLiteral(r.text));
        return true;
    }
    for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
        if (raw[i].kind != Raw::Slash) continue;
        bool before = false;
        for (std::size_t j = 0; j < i; ++j) before |= raw[j].kind == Raw::Placeholder;
        std::size_t k = i + 1;
        while (k < raw.size() && raw[k].kind == Raw::Literal) ++k;
        if (before && k < raw.size() && (raw[k].kind == Raw::Placeholder || raw[k].kind == Raw::DigitChar))
            return BuildFraction(raw, i, s);
    }
    return BuildNumber(raw, s);
}

void MergeLiterals(Section& s) {
    std::vector<Token> merged;
    merged.reserve(s.tokens.size());
    for (auto& t : s.tokens) {
        if (t.kind == TokenKind::Literal && !merged.empty() && merged.back().kind == TokenKind::Literal)
            merged.back().text += t.text;
        else
            merged.push_back(std::move(t));
    }
    s.tokens = std::move(merged);
}

} // namespace

bool Section::Matches(double value) const {
    switch (condition) {
    case ConditionOp::Less: return value < conditionValue;
    case ConditionOp::LessEqual: return value <= conditionValue;
    case ConditionOp::Greater: return value > conditionValue;
    case ConditionOp::GreaterEqual: return value >= conditionValue;
    case ConditionOp::Equal: return value == conditionValue;
    case ConditionOp::NotEqual: return value != conditionValue;
    case ConditionOp::None: return true;
    }
    return true;
}

ParsedFormat ParseFormatCode(std::u16string_view code) {
    ParsedFormat result;
    if (code.empty()) return result;
    std::size_t pos = 0;
    bool more = true;
    while (more) {
        if (int(result.sections.size()) == kMaxSections) return ParsedFormat{};
        Section section;
        std::vector<RawToken> raw;
        if (!LexSection(code, pos, section, raw, more)) return ParsedFormat{};
        if (!BuildSection(raw, section)) return ParsedFormat{};
        MergeLiterals(section);
        result.sections.push_back(std::move(section));
        if (pos >= code.size() && more) {
            // A code ending in ';' has an empty last section.
            if (int(result.sections.size()) == kMaxSections) return ParsedFormat{};
            Section empty;
            empty.kind = SectionKind::LiteralOnly;
            result.sections.push_back(empty);
            more = false;
        }
    }
    result.valid = true;
    return result;
}

} // namespace Excel::NumberFormat
