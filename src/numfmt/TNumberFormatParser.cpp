#include "numfmt/TNumberFormatParser.h"

#include "numfmt/TNumberFormatLexer.h"

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

bool IsDateRaw(const RawToken& t) { return t.kind == Raw::Letter || t.kind == Raw::AmPm || t.kind == Raw::Elapsed; }

Token MakeLiteral(const UnicodeString& text)
{
    Token t;
    t.kind = TokenKind::Literal;
    t.text = text;
    return t;
}

Token MakeDigit(TokenKind kind, char16_t placeholder)
{
    Token t;
    t.kind = kind;
    t.placeholder = placeholder;
    return t;
}

Token MakeDatePart(DateField field, int width)
{
    Token t;
    t.kind = TokenKind::DatePart;
    t.field = field;
    t.width = width;
    return t;
}

bool BuildText(const std::vector<RawToken>& raw, Section& s)
{
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
void ResolveMinutes(Section& s)
{
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

bool BuildDate(const std::vector<RawToken>& raw, Section& s)
{
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

bool BuildGeneral(const std::vector<RawToken>& raw, Section& s)
{
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

bool BuildFraction(const std::vector<RawToken>& raw, std::size_t slash, Section& s)
{
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

bool BuildNumber(const std::vector<RawToken>& raw, Section& s)
{
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

bool BuildSection(const std::vector<RawToken>& raw, Section& s)
{
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

void MergeLiterals(Section& s)
{
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

// [$-F800] and [$-F400] stand for the system's long date and long time,
// which on a Japanese system are these.
bool ApplySystemFormat(Section& s)
{
    const unsigned locale = s.lcid & 0xFFFF;
    if (s.kind != SectionKind::DateTime || (locale != 0xF800 && locale != 0xF400)) return true;
    std::u16string_view code = locale == 0xF800 ? u"yyyy\"年\"m\"月\"d\"日\"" : u"h:mm:ss";
    Section system;
    std::vector<RawToken> raw;
    std::size_t pos = 0;
    bool more = false;
    if (!LexSection(code, pos, system, raw, more) || !BuildDate(raw, system)) return false;
    s.tokens = std::move(system.tokens);
    s.hasAmPm = system.hasAmPm;
    s.hasDate = system.hasDate;
    s.subSecondDigits = system.subSecondDigits;
    s.lcid = 0x411;
    return true;
}

} // namespace

bool Section::Matches(double value) const
{
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

ParsedFormat ParseFormatCode(std::u16string_view code)
{
    ParsedFormat result;
    if (code.empty()) return result;
    std::size_t pos = 0;
    bool more = true;
    while (more) {
        if (int(result.sections.size()) == kMaxSections) return ParsedFormat{};
        Section section;
        std::vector<RawToken> raw;
        if (!LexSection(code, pos, section, raw, more)) return ParsedFormat{};
        if (!BuildSection(raw, section) || !ApplySystemFormat(section)) return ParsedFormat{};
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
