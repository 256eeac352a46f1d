#pragma once

#include "text/UnicodeString.h"

// Text helpers of the core: escaping, literal replacement, locale mapping,
// and decoding/encoding between bytes and UTF-16 in a code page.
namespace TStringUtility {

// "&", '"', "<", ">", "'" as entities, in that order; nothing else is touched.
UnicodeString HTMLEncode(const UnicodeString& text);
// The same, appended to `out`.
void AppendHTMLEncoded(UnicodeString& out, std::u16string_view text);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
// Literal, case-sensitive replacement; only rfReplaceAll is honoured.
UnicodeString ReplaceString(const UnicodeString& text, const UnicodeString& from,
                            const UnicodeString& to, unsigned flags);

inline constexpr unsigned LCMAP_FULLWIDTH = 0x00800000;
UnicodeString LCMapText(const UnicodeString& text, unsigned flags);

// Bytes in a code page to text, and text to bytes without any preamble.
UnicodeString DecodeString(const RawByteString& bytes, unsigned codePage);
RawByteString EncodeString(const UnicodeString& text, unsigned codePage);

// A whole page file: the code page's preamble, then the text. Pages are HTML,
// so nothing is lost: U+0000 is written as U+FFFD and a character the code
// page cannot hold as a numeric character reference ("&#128512;").
RawByteString EncodePage(const UnicodeString& text, unsigned codePage);
// The same into `out`, keeping its capacity; returns the page's code page.
unsigned EncodePage(const UnicodeString& text, unsigned codePage, std::string& out);

bool HasUTF8BOM(const RawByteString& bytes);
bool HasUTF16LEBOM(const RawByteString& bytes);
bool HasUTF16BEBOM(const RawByteString& bytes);

} // namespace TStringUtility
