// Decoding and encoding of TStringUtility: byte-order marks, code-page
// dispatch and the Japanese mapping corrections around the primitives.
#include "text/TStringUtility.h"

#include <algorithm>

#include "text/Mecsutils.h"
#include "text/TCodePage.h"
#include "text/Stringutility.h"
#include "text/TLoneSurrogates.h"

namespace TStringUtility {

namespace {

bool StartsWith(const RawByteString& bytes, std::string_view prefix)
{
    return bytes.bytes.size() >= prefix.size() && std::string_view(bytes.bytes).substr(0, prefix.size()) == prefix;
}

// The code pages built on JIS X 0208 (EUC-JP and ISO-2022-JP).
bool IsJISX0208CodePage(unsigned codePage)
{
    return codePage == 20932 || codePage == 50220 || codePage == 50221 || codePage == 50222 ||
           codePage == 51932;
}

RawByteString WithoutPrefix(const RawByteString& bytes, std::size_t length)
{
    RawByteString rest;
    rest.codePage = bytes.codePage;
    rest.bytes = bytes.bytes.substr(length);
    return rest;
}

} // namespace

bool HasUTF8BOM(const RawByteString& bytes)
{
    return StartsWith(bytes, "\xEF\xBB\xBF");
}

bool HasUTF16LEBOM(const RawByteString& bytes)
{
    return StartsWith(bytes, "\xFF\xFE");
}

bool HasUTF16BEBOM(const RawByteString& bytes)
{
    return StartsWith(bytes, "\xFE\xFF");
}

UnicodeString DecodeString(const RawByteString& bytes, unsigned codePage)
{
    const unsigned cp = codePage & 0xFFFF;
    switch (cp) {
    case 65001:
        return Stringutility::AnsiToUTF16(HasUTF8BOM(bytes) ? WithoutPrefix(bytes, 3) : bytes, cp);
    case 1200:
        return Stringutility::UTF16LEToUnicode(std::string_view(bytes.bytes).substr(HasUTF16LEBOM(bytes) ? 2 : 0));
    case 1201:
        return Stringutility::UTF16BEToUnicode(std::string_view(bytes.bytes).substr(HasUTF16BEBOM(bytes) ? 2 : 0));
    case 65535:
        return MecsStretchElement(bytes);
    case 932:
        return MecsMappingFix_CP932ToUnicode(Stringutility::AnsiToUTF16(bytes, cp));
    default:
        if (IsJISX0208CodePage(cp))
            return MecsMappingFix_JISX0208ToUnicode(Stringutility::AnsiToUTF16(bytes, cp));
        return Stringutility::AnsiToUTF16(bytes, cp);
    }
}

namespace {

RawByteString Encode(const UnicodeString& text, unsigned codePage, TCodePageConverter::TUnmappable unmappable)
{
    // The mapping fixes drop an unpaired surrogate: it is U+FFFD before them,
    // so the text keeps a mark where it stood.
    if (codePage != 1200 && codePage != 1201 && HasLoneSurrogate(text))
        return Encode(LoneSurrogatesReplaced(text), codePage, unmappable);
    if (codePage == 51932)
        codePage = 20932;
    switch (codePage) {
    case 932:
        return Stringutility::UTF16ToAnsi(MecsMappingFix_UnicodeToCP932(text), codePage, unmappable);
    case 1200:
        return Stringutility::UnicodeToUTF16LE(text);
    case 1201:
        return Stringutility::UnicodeToUTF16BE(text);
    default:
        if (IsJISX0208CodePage(codePage))
            return Stringutility::UTF16ToAnsi(MecsMappingFix_UnicodeToJISX0208(text), codePage, unmappable);
        return Stringutility::UTF16ToAnsi(text, codePage, unmappable);
    }
}

} // namespace

RawByteString EncodeString(const UnicodeString& text, unsigned codePage)
{
    return Encode(text, codePage, TCodePageConverter::TUnmappable::DefaultChar);
}

RawByteString EncodePage(const UnicodeString& text, unsigned codePage)
{
    RawByteString page;
    page.codePage = EncodePage(text, codePage, page.bytes);
    return page;
}

unsigned EncodePage(const UnicodeString& text, unsigned codePage, std::string& out)
{
    const RawByteString preamble = TCodePage::GetPreamble(codePage);
    out.assign(preamble.bytes);  // not moved in: `out` keeps its capacity
    if (codePage == 65001) {
        // UTF-8 holds every character: the direct conversion gives the bytes
        // iconv would (U+FFFD for NUL and lone surrogates), much faster.
        if (text.find(u'\0') == UnicodeString::npos) {
            AppendAsUtf8(out, text);
        } else {
            UnicodeString copy = text;
            std::replace(copy.begin(), copy.end(), u'\0', u'\uFFFD');
            AppendAsUtf8(out, copy);
        }
        return codePage;
    }
    RawByteString body;
    if (text.find(u'\0') == UnicodeString::npos) {
        body = Encode(text, codePage, TCodePageConverter::TUnmappable::CharacterReference);
    } else {
        // Encoding stops at U+0000; a page must keep everything after it.
        UnicodeString copy = text;
        std::replace(copy.begin(), copy.end(), u'\0', u'\uFFFD');
        body = Encode(copy, codePage, TCodePageConverter::TUnmappable::CharacterReference);
    }
    out += body.bytes;
    return body.codePage;
}

} // namespace TStringUtility
