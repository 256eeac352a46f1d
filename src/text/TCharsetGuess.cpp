#include "text/TCharsetGuess.h"

#include <algorithm>

#include "text/TCodePage.h"
#include "text/TStringUtility.h"

namespace TCharsetGuess {

namespace {

constexpr int ShiftJis = 0;
constexpr int Utf8 = 1;
constexpr int EucJp = 2;

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

bool IsAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Decodes without a single byte the decoder had to replace.
bool Decodes(std::string_view bytes, unsigned codePage)
{
    const UnicodeString text = TStringUtility::DecodeString(RawByteString{std::string(bytes), codePage}, codePage);
    return text.find(u'\uFFFD') == UnicodeString::npos;
}

bool InRange(unsigned char c, unsigned char low, unsigned char high)
{
    return c >= low && c <= high;
}

// Every byte above ASCII sits in an EUC-JP sequence: two bytes A1-FE, or
// 8E then A1-DF (half-width kana), or 8F then two bytes A1-FE. Shift_JIS
// text nearly always has lead bytes 81-9F (kana, punctuation), which EUC-JP
// never starts a sequence with except 8E and 8F, so this tells them apart.
bool LooksLikeEucJp(std::string_view bytes)
{
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char c = at(i);
        std::size_t length = 1;
        if (c < 0x80)
            length = 1;
        else if (InRange(c, 0xA1, 0xFE))
            length = i + 1 < bytes.size() && InRange(at(i + 1), 0xA1, 0xFE) ? 2 : 0;
        else if (c == 0x8E)
            length = i + 1 < bytes.size() && InRange(at(i + 1), 0xA1, 0xDF) ? 2 : 0;
        else if (c == 0x8F)
            length = i + 2 < bytes.size() && InRange(at(i + 1), 0xA1, 0xFE) && InRange(at(i + 2), 0xA1, 0xFE) ? 3 : 0;
        else
            length = 0;
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

bool IsEucJp(std::string_view bytes)
{
    return LooksLikeEucJp(bytes) && Decodes(bytes, TCodePage::CP_EUC_JP);
}

bool IsShiftJis(std::string_view bytes)
{
    return !LooksLikeEucJp(bytes) && Decodes(bytes, TCodePage::CP_SHIFT_JIS);
}

} // namespace

int ProbableCharset(std::string_view bytes, int chosen)
{
    const bool bom = bytes.starts_with(Utf8Bom);
    const std::string_view body = bom ? bytes.substr(Utf8Bom.size()) : bytes;
    if (!bom && IsAscii(body))
        return -1;
    // Valid UTF-8 beyond ASCII is almost never Japanese text in the other sets.
    const bool utf8 = bom || IsValidUtf8(body);
    if (utf8)
        return chosen == Utf8 ? -1 : Utf8;
    if (chosen != EucJp && IsEucJp(bytes))
        return EucJp;
    if (chosen != ShiftJis && IsShiftJis(bytes))
        return ShiftJis;
    return -1;
}

} // namespace TCharsetGuess
