#include <gtest/gtest.h>

#include "text/TCharsetGuess.h"
#include "text/TCodePage.h"
#include "text/TStringUtility.h"

namespace {

std::string Bytes(const UnicodeString& text, unsigned codePage)
{
    return TStringUtility::EncodeString(text, codePage).bytes;
}

TEST(CharsetGuess, NamesTheSetTheBytesProbablyAre)
{
    // Kana, kanji and punctuation, as a Japanese page has them.
    const UnicodeString text = u"<p>店名：さくら堂、カタカナ｢ｶﾅ｣</p>\n";
    const std::string utf8 = Utf16ToUtf8(text);
    const std::string sjis = Bytes(text, TCodePage::CP_SHIFT_JIS);
    const std::string euc = Bytes(text, TCodePage::CP_EUC_JP);
    const std::string bom = "\xEF\xBB\xBF";
    struct Case {
        const char* what;
        std::string bytes;
        int chosen;
        int probable;
    };
    const Case cases[] = {
        {"UTF-8 read as Shift_JIS", utf8, 0, 1},
        {"UTF-8 read as EUC-JP", utf8, 2, 1},
        {"UTF-8 with its mark read as Shift_JIS", bom + utf8, 0, 1},
        {"only the mark beyond ASCII", bom + "<p>x</p>", 2, 1},
        {"Shift_JIS read as UTF-8", sjis, 1, 0},
        {"Shift_JIS read as EUC-JP", sjis, 2, 0},
        {"EUC-JP read as UTF-8", euc, 1, 2},
        {"EUC-JP read as Shift_JIS", euc, 0, 2},
        {"UTF-8 read right", bom + utf8, 1, -1},
        {"Shift_JIS read right", sjis, 0, -1},
        {"EUC-JP read right", euc, 2, -1},
        {"ASCII reads the same everywhere", "<p>plain</p>", 0, -1},
        {"bytes that fit no set", "\x80\xFF\xFF", 1, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TCharsetGuess::ProbableCharset(c.bytes, c.chosen), c.probable) << c.what;
}

} // namespace
