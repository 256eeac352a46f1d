// Decoding and encoding of arbitrary bytes in every code page tabloom meets:
// nothing may crash, UTF-16 must round-trip exactly, and UTF-8 must agree
// with the independent converter of UnicodeString.h.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "text/Stringutility.h"
#include "text/TStringUtility.h"

using namespace TStringUtility;

namespace {

const unsigned kCodePages[] = {0, 932, 20932, 51932, 50220, 50221, 50222, 65001, 1200, 1201, 65535, 1252, 12345};

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned codePage = kCodePages[data[0] % (sizeof kCodePages / sizeof kCodePages[0])];
    const RawByteString bytes{std::string(reinterpret_cast<const char*>(data + 1), size - 1), RawCodePage};

    // The primitives below, not DecodeString, read the results back: that
    // would take a leading U+FEFF for a byte-order mark.
    const UnicodeString text = DecodeString(bytes, codePage);
    Check(Stringutility::UTF16LEToUnicode(EncodeString(text, 1200).bytes) == text);
    Check(Stringutility::UTF16BEToUnicode(EncodeString(text, 1201).bytes) == text);

    // The bytes as raw UTF-16 code units, lone surrogates included.
    UnicodeString units;
    for (std::size_t i = 1; i + 1 < size; i += 2)
        units += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    for (unsigned cp : kCodePages)
        EncodeString(units, cp);

    const UnicodeString upToNul(units.c_str());
    Check(Stringutility::AnsiToUTF16(EncodeString(units, 65001), 65001) == Utf8ToUtf16(Utf16ToUtf8(upToNul)));
    return 0;
}
