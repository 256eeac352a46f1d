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

bool IsDateRaw(const TRawToken& t) { return t.kind == TRawKind::Letter || t.kind == TRawKind::AmPm || t.kind == TRawKind::Elapsed; }

TToken MakeLiteral(const UnicodeString& text)
{
    TToken t;
    t.kind = TTokenKind::Literal;
    t.text = text;
    return t;
}

TToken MakeDigit(TTokenKind kind, char16_t placeholder)
{
    TToken t;
    t.kind = kind;
    t.placeholder = placeholder;
    return t;
}

TToken MakeDatePart(TDateField field, int width)
{
    TToken t;
    t.kind = TTokenKind::DatePart;
    t.field = field;
    t.width = width;
    return t;
}

bool BuildText(const std::vector<TRawToken>& raw, TSection& s)
{
    s.kind = TSectionKind::Text;
    for (const auto& r : raw) {
        if (r.kind == TRawKind::At) {
            TToken t;
            t.kind = TTokenKind::Text;
            s.tokens.push_back(t);
        } else {
            s.tokens.push_back(MakeLiteral(r.text));
        }
    }
    return true;
}

bool IsHourField(TDateField f) { return f == TDateField::Hour || f == TDateField::ElapsedHours; }
bool IsSecondField(TDateField f) { return f == TDateField::Second || f == TDateField::ElapsedSeconds; }

// "m" and "mm" are minutes right after an hour or right before a second.
void ResolveMinutes(TSection& s)
{
    auto& tokens = s.tokens;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != TTokenKind::DatePart || tokens[i].field != TDateField::Month) continue;
        bool minute = false;
        for (std::size_t j = i; j-- > 0;) {
            if (tokens[j].kind != TTokenKind::DatePart) continue;
            minute = IsHourField(tokens[j].field);
            break;
        }
        for (std::size_t j = i + 1; !minute && j < tokens.size(); ++j) {
            if (tokens[j].kind != TTokenKind::DatePart) continue;
            minute = IsSecondField(tokens[j].field);
            break;
        }
        if (minute) tokens[i].field = TDateField::Minute;
    }
}

bool BuildDate(const std::vector<TRawToken>& raw, TSection& s)
{
    s.kind = TSectionKind::DateTime;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto& r = raw[i];
        switch (r.kind) {
        case TRawKind::Letter: {
            int n = r.count;
            switch (r.ch) {
            case u'y': s.tokens.push_back(MakeDatePart(TDateField::Year, n <= 2 ? 2 : 4)); break;
            case u'm': s.tokens.push_back(n <= 2 ? MakeDatePart(TDateField::Month, n)
                                                 : MakeDatePart(TDateField::MonthName, n > 5 ? 4 : n)); break;
            case u'd': s.tokens.push_back(n <= 2 ? MakeDatePart(TDateField::Day, n)
                                                 : MakeDatePart(TDateField::Weekday, n > 4 ? 4 : n)); break;
            case u'a': s.tokens.push_back(MakeDatePart(TDateField::WeekdayJa, n > 4 ? 4 : n)); break;
            case u'h': s.tokens.push_back(MakeDatePart(TDateField::Hour, n > 2 ? 2 : n)); break;
            case u's': s.tokens.push_back(MakeDatePart(TDateField::Second, n > 2 ? 2 : n)); break;
            case u'g': s.tokens.push_back(MakeDatePart(TDateField::Era, n > 3 ? 3 : n)); break;
            case u'e': s.tokens.push_back(MakeDatePart(TDateField::EraYear, n > 2 ? 2 : n)); break;
            case u'b': s.tokens.push_back(MakeDatePart(TDateField::BuddhistYear, n <= 2 ? 2 : 4)); break;
            default: return false;
            }
            break;
        }
        case TRawKind::Elapsed: {
            TDateField f = r.ch == u'h' ? TDateField::ElapsedHours : r.ch == u'm' ? TDateField::ElapsedMinutes
                                                                 : TDateField::ElapsedSeconds;
            s.tokens.push_back(MakeDatePart(f, r.count));
            break;
        }
        case TRawKind::AmPm: {
            TToken t;
            t.kind = TTokenKind::AmPm;
            t.ampm = r.ampm;
            s.tokens.push_back(t);
            s.hasAmPm = true;
            break;
        }
        case TRawKind::Point: {
            int zeros = 0;
            while (i + 1 + zeros < raw.size() && raw[i + 1 + zeros].kind == TRawKind::Placeholder
                   && raw[i + 1 + zeros].ch == u'0')
                ++zeros;
            if (zeros == 0) { s.tokens.push_back(MakeLiteral(u".")); break; }
            if (zeros > 3) return false;
            TToken t;
            t.kind = TTokenKind::SubSecond;
            t.width = zeros;
            s.tokens.push_back(t);
            if (zeros > s.subSecondDigits) s.subSecondDigits = zeros;
            i += zeros;
            break;
        }
        case TRawKind::Placeholder:
        case TRawKind::General:
            return false;
        default:
            s.tokens.push_back(MakeLiteral(r.text));
        }
    }
    ResolveMinutes(s);
    for (const auto& t : s.tokens) {
        if (t.kind != TTokenKind::DatePart) continue;
        switch (t.field) {
        case TDateField::Hour: case TDateField::Minute: case TDateField::Second:
        case TDateField::ElapsedHours: case TDateField::ElapsedMinutes: case TDateField::ElapsedSeconds:
            break;
        default:
            s.hasDate = true;
        }
    }
    return true;
}

bool BuildGeneral(const std::vector<TRawToken>& raw, TSection& s)
{
    s.kind = TSectionKind::General;
    for (const auto& r : raw) {
        if (r.kind == TRawKind::Placeholder) return false;
        if (r.kind == TRawKind::General) {
            TToken t;
            t.kind = TTokenKind::General;
            s.tokens.push_back(t);
        } else {
            s.tokens.push_back(MakeLiteral(r.text));
        }
    }
    return true;
}

bool BuildFraction(const std::vector<TRawToken>& raw, std::size_t slash, TSection& s)
{
    s.kind = TSectionKind::Fraction;
    // The numerator is the run of placeholders nearest before the bar; any
    // placeholders before that run show the whole part.
    std::size_t numEnd = slash;
    while (numEnd > 0 && raw[numEnd - 1].kind != TRawKind::Placeholder) --numEnd;
    std::size_t numBegin = numEnd;
    while (numBegin > 0 && raw[numBegin - 1].kind == TRawKind::Placeholder) --numBegin;
    std::size_t denBegin = slash + 1;
    while (denBegin < raw.size() && raw[denBegin].kind == TRawKind::Literal) ++denBegin;
    std::size_t denEnd = denBegin;
    if (denBegin < raw.size() && raw[denBegin].kind == TRawKind::DigitChar) {
        long long value = 0;
        while (denEnd < raw.size() && (raw[denEnd].kind == TRawKind::DigitChar
                                       || (raw[denEnd].kind == TRawKind::Placeholder && raw[denEnd].ch == u'0'))) {
            value = value * 10 + (raw[denEnd].ch - u'0');
            if (value > 999999999) return false;
            ++denEnd;
        }
        s.fixedDenominator = value;
    } else {
        while (denEnd < raw.size() && raw[denEnd].kind == TRawKind::Placeholder) ++denEnd;
    }
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto& r = raw[i];
        if (i == slash) {
            TToken t;
            t.kind = TTokenKind::Slash;
            s.tokens.push_back(t);
        } else if (i >= denBegin && i < denEnd) {
            if (s.fixedDenominator) {
                if (i == denBegin) {
                    TToken t;
                    t.kind = TTokenKind::DenFixed;
                    t.number = s.fixedDenominator;
                    s.tokens.push_back(t);
                }
            } else {
                s.tokens.push_back(MakeDigit(TTokenKind::DenDigit, r.ch));
                ++s.denDigits;
            }
        } else if (r.kind == TRawKind::Placeholder) {
            if (i >= numBegin && i < numEnd) {
                s.tokens.push_back(MakeDigit(TTokenKind::NumDigit, r.ch));
                ++s.numDigits;
            } else if (i < numBegin) {
                s.tokens.push_back(MakeDigit(TTokenKind::IntDigit, r.ch));
                ++s.intDigits;
            } else {
                return false;  // digits after the denominator
            }
        } else if (r.kind == TRawKind::Point || r.kind == TRawKind::Exp) {
            return false;
        } else if (r.kind == TRawKind::Comma && i > 0 && i < numBegin && raw[i - 1].kind == TRawKind::Placeholder
                   && i + 1 < numBegin && raw[i + 1].kind == TRawKind::Placeholder) {
            s.thousands = true;
        } else if (r.kind == TRawKind::Percent) {
            ++s.percents;
            s.tokens.push_back(MakeLiteral(r.text));
        } else {
            s.tokens.push_back(MakeLiteral(r.text));
        }
    }
    return s.numDigits <= kMaxFractionDigits && s.denDigits <= kMaxFractionDigits
        && (s.denDigits > 0 || s.fixedDenominator > 0);
}

bool BuildNumber(const std::vector<TRawToken>& raw, TSection& s)
{
    s.kind = TSectionKind::Number;
    int part = 0;  // 0 whole digits, 1 decimals, 2 exponent
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto& r = raw[i];
        switch (r.kind) {
        case TRawKind::Placeholder:
            if (part == 0) { s.tokens.push_back(MakeDigit(TTokenKind::IntDigit, r.ch)); ++s.intDigits; }
            else if (part == 1) { s.tokens.push_back(MakeDigit(TTokenKind::FracDigit, r.ch)); ++s.fracDigits; }
            else { s.tokens.push_back(MakeDigit(TTokenKind::ExpDigit, r.ch)); ++s.expDigits; }
            break;
        case TRawKind::Point:
            if (part == 0) {
                TToken t;
                t.kind = TTokenKind::Point;
                s.tokens.push_back(t);
                s.hasPoint = true;
                part = 1;
            } else {
                s.tokens.push_back(MakeLiteral(r.text));
            }
            break;
        case TRawKind::Exp:
            if (part < 2) {
                TToken t;
                t.kind = TTokenKind::ExpMark;
                t.plusSign = r.plus;
                s.tokens.push_back(t);
                s.kind = TSectionKind::Exponent;
                part = 2;
            } else {
                s.tokens.push_back(MakeLiteral(r.text));
            }
            break;
        case TRawKind::Comma: {
            // A comma after a digit is a thousands separator when digits of the
            // whole part follow, otherwise each comma divides by 1000.
            std::size_t j = i;
            while (j < raw.size() && raw[j].kind == TRawKind::Comma) ++j;
            bool afterDigit = i > 0 && raw[i - 1].kind == TRawKind::Placeholder;
            if (!afterDigit || part == 2) {
                for (std::size_t k = i; k < j; ++k) s.tokens.push_back(MakeLiteral(u","));
            } else if (part == 0 && j < raw.size() && raw[j].kind == TRawKind::Placeholder) {
                s.thousands = true;
            } else {
                s.scaleCommas += int(j - i);
            }
            i = j - 1;
            break;
        }
        case TRawKind::Percent:
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

bool BuildSection(const std::vector<TRawToken>& raw, TSection& s)
{
    bool hasAt = false, hasDate = false, hasGeneral = false;
    int placeholders = 0;
    for (const auto& r : raw) {
        hasAt |= r.kind == TRawKind::At;
        hasDate |= IsDateRaw(r);
        hasGeneral |= r.kind == TRawKind::General;
        placeholders += r.kind == TRawKind::Placeholder;
    }
    if (placeholders > kMaxPlaceholders) return false;
    if (hasAt) return BuildText(raw, s);
    if (hasDate) return BuildDate(raw, s);
    if (hasGeneral) return BuildGeneral(raw, s);
    if (placeholders == 0) {
        s.kind = TSectionKind::LiteralOnly;
        for (const auto& r : raw) s.tokens.push_back(MakeLiteral(r.text));
        return true;
    }
    for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
        if (raw[i].kind != TRawKind::Slash) continue;
        bool before = false;
        for (std::size_t j = 0; j < i; ++j) before |= raw[j].kind == TRawKind::Placeholder;
        std::size_t k = i + 1;
        while (k < raw.size() && raw[k].kind == TRawKind::Literal) ++k;
        if (before && k < raw.size() && (raw[k].kind == TRawKind::Placeholder || raw[k].kind == TRawKind::DigitChar))
            return BuildFraction(raw, i, s);
    }
    return BuildNumber(raw, s);
}

void MergeLiterals(TSection& s)
{
    std::vector<TToken> merged;
    merged.reserve(s.tokens.size());
    for (auto& t : s.tokens) {
        if (t.kind == TTokenKind::Literal && !merged.empty() && merged.back().kind == TTokenKind::Literal)
            merged.back().text += t.text;
        else
            merged.push_back(std::move(t));
    }
    s.tokens = std::move(merged);
}

// [$-F800] and [$-F400] stand for the system's long date and long time,
// which on a Japanese system are these.
bool ApplySystemFormat(TSection& s)
{
    const unsigned locale = s.lcid & 0xFFFF;
    if (s.kind != TSectionKind::DateTime || (locale != 0xF800 && locale != 0xF400)) return true;
    std::u16string_view code = locale == 0xF800 ? u"yyyy\"年\"m\"月\"d\"日\"" : u"h:mm:ss";
    TSection system;
    std::vector<TRawToken> raw;
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

bool TSection::Matches(double value) const
{
    switch (condition) {
    case TConditionOp::Less: return value < conditionValue;
    case TConditionOp::LessEqual: return value <= conditionValue;
    case TConditionOp::Greater: return value > conditionValue;
    case TConditionOp::GreaterEqual: return value >= conditionValue;
    case TConditionOp::Equal: return value == conditionValue;
    case TConditionOp::NotEqual: return value != conditionValue;
    case TConditionOp::None: return true;
    }
    return true;
}

TParsedFormat ParseFormatCode(std::u16string_view code)
{
    TParsedFormat result;
    if (code.empty()) return result;
    std::size_t pos = 0;
    bool more = true;
    while (more) {
        if (int(result.sections.size()) == kMaxSections) return TParsedFormat{};
        TSection section;
        std::vector<TRawToken> raw;
        if (!LexSection(code, pos, section, raw, more)) return TParsedFormat{};
        if (!BuildSection(raw, section) || !ApplySystemFormat(section)) return TParsedFormat{};
        MergeLiterals(section);
        result.sections.push_back(std::move(section));
        if (pos >= code.size() && more) {
            // A code ending in ';' has an empty last section.
            if (int(result.sections.size()) == kMaxSections) return TParsedFormat{};
            TSection empty;
            empty.kind = TSectionKind::LiteralOnly;
            result.sections.push_back(empty);
            more = false;
        }
    }
    result.valid = true;
    return result;
}

} // namespace Excel::NumberFormat
