#include "numfmt/TNumberFormat.h"

#include <cmath>
#include <vector>

#include "numfmt/TDBNum.h"
#include "numfmt/TNumberFormatDate.h"
#include "numfmt/TNumberFormatDecimal.h"
#include "numfmt/TNumberFormatNumber.h"
#include "numfmt/TNumberFormatParser.h"

namespace Excel {

namespace {

using namespace NumberFormat;

class TCompiledNumberFormat final : public TNumberFormat {
public:
    explicit TCompiledNumberFormat(TParsedFormat parsed) : sections_(std::move(parsed.sections))
    {
        valid_ = parsed.valid;
        if (!valid_) return;
        // Sections holding "@" and the fourth section are for text; the
        // others are the positive, negative and zero sections in that order.
        for (std::size_t i = 0; i < sections_.size(); ++i) {
            const TSection& s = sections_[i];
            if (s.kind == TSectionKind::Text || i == 3) {
                if (textSection_ < 0) textSection_ = int(i);
                continue;
            }
            numberSections_.push_back(int(i));
            conditional_ |= s.condition != TConditionOp::None;
            dateTime_ |= s.kind == TSectionKind::DateTime;
        }
        plainGeneral_ = numberSections_.size() == 1 && !conditional_ && Number(0).kind == TSectionKind::General &&
                        Number(0).tokens.size() == 1 && Number(0).tokens[0].kind == TTokenKind::General &&
                        !Number(0).dbnum;
        textAsItIs_ = textSection_ < 0 || ShowsTextAsItIs(sections_[std::size_t(textSection_)]);
    }

    UnicodeString FormatNumber(double value, bool date1904) const override
    {
        bool magnitude = false;
        // "General" itself, the commonest format, needs no section walk.
        const TSection* s = plainGeneral_ || !valid_ ? nullptr : Pick(value, magnitude);
        if (!s) return GeneralText(value);
        UnicodeString out;
        AppendSection(*s, value, magnitude, date1904, out);
        // Dates convert their own fields; numbers are spelled out. One
        // named result, so it is returned without a copy.
        if (s->dbnum && s->kind != TSectionKind::DateTime) out = ApplyDBNum(out, s->dbnum, true);
        return out;
    }

    UnicodeString FormatText(UnicodeString text) const override
    {
        // No text section, or one that is "@" alone ("文字列"): no copy.
        if (!valid_ || textAsItIs_ || text.empty()) return text;
        UnicodeString out;
        for (const TToken& t : sections_[std::size_t(textSection_)].tokens) {
            // General in the text section stands for the text, as @ does.
            if (t.kind == TTokenKind::Text || t.kind == TTokenKind::General) out += text;
            else if (t.kind == TTokenKind::Literal) out += t.text;
        }
        return out;
    }

    bool IsDateTime() const override { return dateTime_; }

private:
    // Whether a text section shows the text and nothing else.
    static bool ShowsTextAsItIs(const TSection& s)
    {
        int texts = 0;
        for (const TToken& t : s.tokens) {
            if (t.kind == TTokenKind::Literal) return false;
            texts += t.kind == TTokenKind::Text || t.kind == TTokenKind::General;
        }
        return texts == 1;
    }

    const TSection& Number(std::size_t i) const { return sections_[std::size_t(numberSections_[i])]; }

    void AppendSection(const TSection& s, double value, bool magnitude, bool date1904,
                       UnicodeString& out) const
    {
        if (!std::isfinite(value)) {
            // Not a value a workbook can hold; no section can show it.
            if (s.kind == TSectionKind::DateTime) AppendHashes(out);
            else out += u"#NUM!";
            return;
        }
        double shown = magnitude ? std::fabs(value) : value;
        bool minus = shown < 0;
        double abs = std::fabs(shown);
        switch (s.kind) {
        case TSectionKind::General:
            for (const TToken& t : s.tokens) {
                if (t.kind == TTokenKind::General) AppendGeneral(shown, out);
                else if (t.kind == TTokenKind::Literal) out += t.text;
            }
            break;
        case TSectionKind::Number:
        case TSectionKind::Exponent:
            if (minus) out += u'-';
            AppendNumberSection(s, abs, out);
            break;
        case TSectionKind::Fraction:
            if (minus) out += u'-';
            AppendFractionSection(s, abs, out);
            break;
        case TSectionKind::DateTime:
            // The 1900 system shows no negative date or time, whichever section.
            AppendDateSection(s, value < 0 && !date1904 ? value : shown, date1904, out);
            break;
        default:
            // Text without digits shows no sign.
            for (const TToken& t : s.tokens)
                if (t.kind == TTokenKind::Literal) out += t.text;
            break;
        }
    }

    // The section a number is shown with, and whether it shows the number
    // without its sign.
    const TSection* Pick(double value, bool& magnitude) const
    {
        const std::size_t n = numberSections_.size();
        magnitude = false;
        if (n == 0) return nullptr;
        if (!conditional_) {
            if (n == 1) return &Number(0);
            if (value < 0) {
                // A General negative section still shows the sign.
                magnitude = Number(1).kind != TSectionKind::General;
                return &Number(1);
            }
            if (value == 0 && n >= 3) return &Number(2);
            return &Number(0);
        }
        const TSection& first = Number(0);
        bool firstMatches = first.condition != TConditionOp::None ? first.Matches(value)
                          : n == 1 ? true : n == 2 ? value >= 0 : value > 0;
        // A section picked by its own condition shows the sign.
        if (firstMatches) return &first;
        if (n == 1) return nullptr;
        const TSection& second = Number(1);
        if (second.condition != TConditionOp::None) {
            if (second.Matches(value)) return &second;
            return n >= 3 ? &Number(2) : nullptr;
        }
        if (n == 2 || value < 0) {
            magnitude = value < 0;
            return &second;
        }
        return &Number(2);
    }

    std::vector<TSection> sections_;
    std::vector<int> numberSections_;
    int textSection_ = -1;
    bool valid_ = false;
    bool conditional_ = false;
    bool dateTime_ = false;
    bool plainGeneral_ = false;
    bool textAsItIs_ = true;
};

// Built-in formats with their Japanese-locale definitions.
const char16_t* const kBuiltIn[] = {
    u"General",                                                     // 0
    u"0",                                                           // 1
    u"0.00",                                                        // 2
    u"#,##0",                                                       // 3
    u"#,##0.00",                                                    // 4
    u"\"¥\"#,##0;\"¥\"\\-#,##0",                                    // 5
    u"\"¥\"#,##0;[Red]\"¥\"\\-#,##0",                               // 6
    u"\"¥\"#,##0.00;\"¥\"\\-#,##0.00",                              // 7
    u"\"¥\"#,##0.00;[Red]\"¥\"\\-#,##0.00",                         // 8
    u"0%",                                                          // 9
    u"0.00%",                                                       // 10
    u"0.00E+00",                                                    // 11
    u"# ?/?",                                                       // 12
    u"# ?\?/??",                                                    // 13
    u"yyyy/m/d",                                                    // 14
    u"d-mmm-yy",                                                    // 15
    u"d-mmm",                                                       // 16
    u"mmm-yy",                                                      // 17
    u"h:mm AM/PM",                                                  // 18
    u"h:mm:ss AM/PM",                                               // 19
    u"h:mm",                                                        // 20
    u"h:mm:ss",                                                     // 21
    u"yyyy/m/d h:mm",                                               // 22
    nullptr, nullptr, nullptr, nullptr,                             // 23-26
    u"[$-411]ge.m.d",                                               // 27
    u"[$-411]ggge\"年\"m\"月\"d\"日\"",                             // 28
    u"[$-411]ggge\"年\"m\"月\"d\"日\"",                             // 29
    u"m/d/yy",                                                      // 30
    u"yyyy\"年\"m\"月\"d\"日\"",                                    // 31
    u"h\"時\"mm\"分\"",                                             // 32
    u"h\"時\"mm\"分\"ss\"秒\"",                                     // 33
    u"yyyy\"年\"m\"月\"",                                           // 34
    u"m\"月\"d\"日\"",                                              // 35
    u"[$-411]ge.m.d",                                               // 36
    u"#,##0 ;(#,##0)",                                              // 37
    u"#,##0 ;[Red](#,##0)",                                         // 38
    u"#,##0.00;(#,##0.00)",                                         // 39
    u"#,##0.00;[Red](#,##0.00)",                                    // 40
    // Accounting formats as a Japanese Excel implies them (minus sign, yen).
    u"_ * #,##0_ ;_ * \\-#,##0_ ;_ * \"-\"_ ;_ @_ ",                           // 41
    u"_ \"¥\"* #,##0_ ;_ \"¥\"* \\-#,##0_ ;_ \"¥\"* \"-\"_ ;_ @_ ",           // 42
    u"_ * #,##0.00_ ;_ * \\-#,##0.00_ ;_ * \"-\"?\?_ ;_ @_ ",                  // 43
    u"_ \"¥\"* #,##0.00_ ;_ \"¥\"* \\-#,##0.00_ ;_ \"¥\"* \"-\"?\?_ ;_ @_ ", // 44
    u"mm:ss",                                                       // 45
    u"[h]:mm:ss",                                                   // 46
    u"mmss.0",                                                      // 47
    u"##0.0E+0",                                                    // 48
    u"@",                                                           // 49
    u"[$-411]ge.m.d",                                               // 50
    u"[$-411]ggge\"年\"m\"月\"d\"日\"",                             // 51
    u"yyyy\"年\"m\"月\"",                                           // 52
    u"m\"月\"d\"日\"",                                              // 53
    u"[$-411]ggge\"年\"m\"月\"d\"日\"",                             // 54
    u"yyyy\"年\"m\"月\"",                                           // 55
    u"m\"月\"d\"日\"",                                              // 56
    u"[$-411]ge.m.d",                                               // 57
    u"[$-411]ggge\"年\"m\"月\"d\"日\"",                             // 58
};

} // namespace

std::shared_ptr<const TNumberFormat> TNumberFormat::Compile(std::u16string_view code)
{
    try {
        return std::make_shared<TCompiledNumberFormat>(ParseFormatCode(code));
    } catch (...) {
        // Out of memory while compiling: still a usable (General) format.
        return std::make_shared<TCompiledNumberFormat>(TParsedFormat{});
    }
}

UnicodeString TNumberFormat::BuiltInCode(int id)
{
    constexpr int count = int(sizeof kBuiltIn / sizeof kBuiltIn[0]);
    if (id < 0 || id >= count || !kBuiltIn[id]) return {};
    return kBuiltIn[id];
}

} // namespace Excel
