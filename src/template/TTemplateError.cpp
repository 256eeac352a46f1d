#include "template/TTemplateError.h"

#include <utility>

#include "text/TConvert.h"

ETemplateError::ETemplateError(UnicodeString message, TTemplateLocation location)
    : Exception(std::move(message)), location_(std::move(location))
{
}

void TTextPosition::Advance(std::u16string_view text)
{
    for (const char16_t c : text) {
        const bool lf = c == u'\n';
        if (lf && afterCR_) {
            afterCR_ = false;  // the LF of CR LF: the CR already ended the line
            continue;
        }
        afterCR_ = c == u'\r';
        if (lf || afterCR_) {
            ++line_;
            column_ = 1;
            afterHighSurrogate_ = false;
            continue;
        }
        if (!(IsLowSurrogate(c) && afterHighSurrogate_))
            ++column_;
        afterHighSurrogate_ = IsHighSurrogate(c);
    }
}

void RethrowAt(const Exception& e, const TTemplateLocation& location)
{
    const auto* templateError = dynamic_cast<const ETemplateError*>(&e);
    if (templateError && templateError->Location().Known())
        throw;
    throw ETemplateError(e.Message(), location);
}

UnicodeString LocationText(const TTemplateLocation& location)
{
    UnicodeString tag = location.tagText;
    for (char16_t& c : tag)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    return u"テンプレートファイル " + IntToStr(location.line) + u"行目 " + IntToStr(location.column) +
           u"文字目: " + tag;
}

UnicodeString MessageWithLocation(const Exception& e)
{
    const auto* templateError = dynamic_cast<const ETemplateError*>(&e);
    if (!templateError || !templateError->Location().Known())
        return e.Message();
    return e.Message() + u"\n" + LocationText(templateError->Location());
}
