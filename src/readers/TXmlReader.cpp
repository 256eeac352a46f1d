#include "readers/TXmlReader.h"

#include <expat.h>

#include <climits>
#include <cstring>

#include "text/TConvert.h"
#include "workbook/TWorkbookError.h"
#include "readers/TZipArchive.h"

namespace Excel {

namespace {

// Separates namespace URI and local name in expat's expanded names.
constexpr char NsSeparator = '\x01';

} // namespace

TXmlName TXmlAttributes::Split(const char* expanded)
{
    const char* sep = std::strchr(expanded, NsSeparator);
    if (!sep)
        return {{}, std::string_view(expanded)};
    return {std::string_view(expanded, static_cast<std::size_t>(sep - expanded)),
            std::string_view(sep + 1)};
}

TXmlReader::TXmlReader(TXmlHandler& handler, std::filesystem::path file, std::string part)
    : handler_(handler), file_(std::move(file)), part_(std::move(part)),
      parser_(XML_ParserCreateNS(nullptr, NsSeparator))
{
    if (!parser_)
        throw OpenError(file_, u"メモリが不足しています。");
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &TXmlReader::OnStart, &TXmlReader::OnEnd);
    XML_SetCharacterDataHandler(parser_, &TXmlReader::OnText);
    XML_SetStartDoctypeDeclHandler(parser_, &TXmlReader::OnDoctype);
    XML_SetEntityDeclHandler(parser_, &TXmlReader::OnEntity);
    XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
}

TXmlReader::~TXmlReader()
{
    XML_ParserFree(parser_);
}

void TXmlReader::Abort(std::exception_ptr error)
{
    if (!error_)
        error_ = std::move(error);
    XML_StopParser(parser_, XML_FALSE);
}

// Exceptions must not cross expat's C frames: park them and stop the parser.
void TXmlReader::OnStart(void* self, const char* name, const char** attributes)
{
    auto* r = static_cast<TXmlReader*>(self);
    ++r->events_;
    try {
        r->attributes_.clear();
        for (const char** a = attributes; *a; a += 2)
            r->attributes_.push_back({TXmlAttributes::Split(a[0]), std::string_view(a[1])});
        r->handler_.StartElement(TXmlAttributes::Split(name),
                                 TXmlAttributes(r->attributes_.data(), r->attributes_.size()));
    } catch (...) {
        r->Abort(std::current_exception());
    }
}

void TXmlReader::OnEnd(void* self, const char* name)
{
    auto* r = static_cast<TXmlReader*>(self);
    ++r->events_;
    try {
        r->handler_.EndElement(TXmlAttributes::Split(name));
    } catch (...) {
        r->Abort(std::current_exception());
    }
}

void TXmlReader::OnText(void* self, const char* text, int length)
{
    auto* r = static_cast<TXmlReader*>(self);
    ++r->events_;
    try {
        r->handler_.Characters(std::string_view(text, static_cast<std::size_t>(length)));
    } catch (...) {
        r->Abort(std::current_exception());
    }
}

void TXmlReader::OnDoctype(void* self, const char*, const char*, const char*, int)
{
    auto* r = static_cast<TXmlReader*>(self);
    r->Abort(std::make_exception_ptr(
        OpenError(r->file_, Utf8ToUtf16(r->part_) + u" に DTD (DOCTYPE) が含まれています。")));
}

void TXmlReader::OnEntity(void* self, const char*, int, const char*, int, const char*,
                          const char*, const char*, const char*)
{
    auto* r = static_cast<TXmlReader*>(self);
    r->Abort(std::make_exception_ptr(
        OpenError(r->file_, Utf8ToUtf16(r->part_) + u" にエンティティ宣言が含まれています。")));
}

void TXmlReader::Fail(std::u16string_view why)
{
    UnicodeString reason = Utf8ToUtf16(part_);
    reason += u" の ";
    reason += IntToStr(static_cast<long long>(XML_GetCurrentLineNumber(parser_)));
    reason += u" 行 ";
    reason += IntToStr(static_cast<long long>(XML_GetCurrentColumnNumber(parser_)) + 1);
    reason += u" 桁目で XML を解析できません (";
    reason += why;
    reason += u")。";
    throw OpenError(file_, reason);
}

void TXmlReader::Parse(std::string_view data, bool last)
{
    // While expat sits inside one unfinished token it scans that token again
    // from its start on every call, so feeding a huge token slice by slice
    // costs its size squared. Once a call brings no event, hold the input
    // back until as much again has come: the token is rescanned a number of
    // times logarithmic in its size, and reading stays linear.
    if (stalled_ == 0 && pending_.empty()) {
        Feed(data, last);
        return;
    }
    pending_.append(data);
    if (!last && pending_.size() < stalled_)
        return;
    std::string held;
    held.swap(pending_);
    Feed(held, last);
}

void TXmlReader::Feed(std::string_view data, bool last)
{
    const std::uint64_t before = events_;
    // expat takes int lengths; feed large buffers in slices.
    do {
        const std::size_t slice = std::min<std::size_t>(data.size(), INT_MAX / 2);
        const bool final = last && slice == data.size();
        scanned_ += stalled_ + slice;
        const auto status = XML_Parse(parser_, data.data(), static_cast<int>(slice), final);
        if (error_)
            std::rethrow_exception(error_);
        if (status != XML_STATUS_OK)
            Fail(Utf8ToUtf16(XML_ErrorString(XML_GetErrorCode(parser_))));
        stalled_ = events_ == before ? stalled_ + slice : 0;
        data.remove_prefix(slice);
    } while (!data.empty());
    if (stalled_ > MaxTokenBytes)
        throw OpenError(file_, Utf8ToUtf16(part_) + u" に " + IntToStr(MaxTokenBytes >> 20) +
                                   u" MiB を超える XML の字句 (コメント、属性など) があります。");
}

void ParseXmlEntry(const TZipArchive& archive, std::string_view part, TXmlHandler& handler)
{
    TXmlReader reader(handler, archive.File(), std::string(part));
    archive.Stream(part, [&](std::string_view piece) { reader.Parse(piece, false); });
    reader.Parse({}, true);
}

void ParseXml(std::string_view document, const std::filesystem::path& file, std::string part,
              TXmlHandler& handler)
{
    TXmlReader reader(handler, file, std::move(part));
    reader.Parse(document, true);
}

} // namespace Excel
