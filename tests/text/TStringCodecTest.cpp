#include <gtest/gtest.h>

#include <algorithm>

#include "support/HexBytes.h"
#include "text/Stringutility.h"
#include "text/TCodePageConverter.h"
#include "text/TStringUtility.h"

using namespace hexbytes;
using TStringUtility::DecodeString;
using TStringUtility::EncodeString;

namespace {

// Expected bytes come from the published code-page tables and from the
// iconv command line, never from the code under test.
struct DecodeCase {
    unsigned codePage;
    const char* hex;
    UnicodeString expected;
};

TEST(DecodeString, DecodesJapaneseTextByteExactly)
{
    const DecodeCase cases[] = {
        // kana, kanji, half-width katakana
        {932, "82a0 8341 8abf 8e9a", u"あア漢字"},
        {932, "b1 b6 de", u"ｱｶﾞ"},
        {20932, "a4a2 a5a2 b4c1 bbfa 8eb1 8eb6 8ede", u"あア漢字ｱｶﾞ"},
        {51932, "a4a2 8eb1", u"あｱ"},
        {20932, "8fb0a1", u"丂"},  // JIS X 0212
        {65001, "e38182 e382a2 e6bca2", u"あア漢"},
        // NEC special, NEC-selected IBM and IBM extensions
        {932, "8740 8754 878a", u"①Ⅰ㈱"},
        {932, "ed40 fa5c fa40 fa55", u"纊纊ⅰ￤"},
        // Shift_JIS gives the full-width forms and is left as decoded
        {932, "8160 817c 815c 8161 8191 8192 81ca 8150",
         u"\uFF5E\uFF0D\u2015\u2225\uFFE0\uFFE1\uFFE2\uFFE3"},
        // EUC-JP gives the standard forms, corrected to the same characters
        {20932, "a1c1 a1dd a1bd a1c2 a1f1 a1f2 a2cc a1b1",
         u"\uFF5E\uFF0D\u2015\u2225\uFFE0\uFFE1\uFFE2\uFFE3"},
        {51932, "a1c1 a1dd", u"\uFF5E\uFF0D"},
        {50220, "1b2442 2141 1b2842 41", u"\uFF5EA"},
        {932, "5c 7e", u"\\~"},
        // NUL bytes are text like any other
        {932, "41 00 42", UnicodeString(u"A\0B", 3)},
        {65001, "41 00 42", UnicodeString(u"A\0B", 3)},
        // the code page counts as a 16-bit number
        {65536 + 932, "82a0", u"あ"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Units(DecodeString(FileBytes(c.hex), c.codePage)), Units(c.expected))
            << c.codePage << " " << c.hex;
}

TEST(DecodeString, RemovesOnlyTheMarkOfTheRequestedCodePage)
{
    const DecodeCase cases[] = {
        {65001, "efbbbf e38182", u"あ"},
        {65001, "e38182", u"あ"},
        {65001, "efbbbf", u""},
        {65001, "efbbbf efbbbf 41", u"\uFEFFA"},   // only the first mark
        {65001, "fffe 41", u"\uFFFD\uFFFDA"},      // a UTF-16 mark is no UTF-8 mark
        {1200, "fffe 4230 4100", u"あA"},
        {1200, "4230 41", u"あ"},                  // trailing odd byte ignored
        {1200, "fffe", u""},
        {1200, "efbbbf 00", u"\uBBEF\u00BF"},
        {1201, "feff 3042 0041", u"あA"},
        {1201, "fffe 3042", u"\uFFFE\u3042"},      // little-endian mark kept
        // a UTF-8 mark on Shift_JIS or EUC-JP bytes is decoded like any bytes
        {932, "efbbbf 41", u"\uFFFD\uFF7FA"},
        {20932, "efbbbf 41", u"\u93E4\uFFFDA"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Units(DecodeString(FileBytes(c.hex), c.codePage)), Units(c.expected))
            << c.codePage << " " << c.hex;
}

TEST(DecodeString, ReplacesInvalidBytesAndKeepsGoing)
{
    const DecodeCase cases[] = {
        {932, "41 80 41 42", u"A\uFFFDAB"},
        {932, "41 82", u"A\uFFFD"},                    // lead byte cut off
        {932, "8540 41 85 7b", u"\uFFFDA\uFFFD"},         // unassigned double byte
        {932, "85 41", u"\uFFFD"},
        {932, "a0 fd 41", u"\uFFFD\uFFFDA"},
        {20932, "ada1 a4a2", u"\uFFFDあ"},                // NEC row 13 is not EUC-JP
        {20932, "8fa1a1 a4a2", u"\uFFFDあ"},
        {20932, "a4 41", u"\uFFFDA"},
        {20932, "41 a4", u"A\uFFFD"},
        {65001, "41 c3", u"A\uFFFD"},
        {65001, "e381 41 42", u"\uFFFDAB"},            // one mark per broken sequence
        {65001, "ff 41", u"\uFFFDA"},
        {65001, "c080 41", u"\uFFFD\uFFFDA"},          // overlong form
        {65001, "eda080", u"\uFFFD\uFFFD\uFFFD"},      // encoded surrogate
        {65001, "f09f9880", u"\U0001F600"},
        {65001, "f4908080", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {1200, "00d8 41 00", u"\xD800" u"A"},          // lone surrogate kept
    };
    for (const auto& c : cases)
        EXPECT_EQ(Units(DecodeString(FileBytes(c.hex), c.codePage)), Units(c.expected))
            << c.codePage << " " << c.hex;
}

TEST(DecodeString, FileBytesStretchAndCodePageZeroGivesNothing)
{
    const RawByteString bytes = FileBytes("41 e3 ff 00 80");
    EXPECT_EQ(Units(DecodeString(bytes, 65535)), Units(UnicodeString(u"A\u00E3\u00FF\0\u0080", 5)));
    EXPECT_EQ(DecodeString(bytes, 0), u"");
    EXPECT_EQ(Stringutility::AnsiToUTF16(bytes, 0), u"");
}

TEST(DecodeString, EmptyOrUnknownGivesEmptyText)
{
    for (unsigned cp : {0u, 932u, 20932u, 51932u, 50220u, 65001u, 1200u, 1201u, 65535u, 1252u})
        EXPECT_EQ(DecodeString(FileBytes(""), cp), u"") << cp;
    for (unsigned cp : {1u, 12345u, 65000u + 999u})
        EXPECT_EQ(DecodeString(FileBytes("41 42"), cp), u"") << cp;
}

TEST(AnsiToUTF16, CodePageZeroUsesTheTagOfTheBytes)
{
    EXPECT_EQ(Stringutility::AnsiToUTF16(RawByteString{Hex("82a0"), 932}, 0), u"あ");
    EXPECT_EQ(Stringutility::AnsiToUTF16(RawByteString{Hex("e38182"), 0}, 0), u"あ");  // system code page
    EXPECT_EQ(Stringutility::AnsiToUTF16(RawByteString{Hex("e38182"), 932}, 65001), u"あ");
}

struct EncodeCase {
    unsigned codePage;
    UnicodeString text;
    const char* hex;
};

TEST(EncodeString, EncodesJapaneseTextByteExactly)
{
    const EncodeCase cases[] = {
        {932, u"あア漢字ｱｶﾞ", "82a0 8341 8abf 8e9a b1 b6 de"},
        {932, u"①Ⅰ㈱纊ⅰ￤", "8740 8754 878a fa5c fa40 fa55"},
        // wave dash / full-width tilde, minus / full-width hyphen-minus,
        // em dash / horizontal bar, overline / full-width macron
        {932, u"\u301C\uFF5E\u2212\uFF0D\u2014\u2015\u203E\uFFE3",
         "8160 8160 817c 817c 815c 815c 8150 8150"},
        {932, u"\u2016\u2225\u00A2\uFFE0\u00A3\uFFE1\u00AC\uFFE2",
         "8161 8161 8191 8191 8192 8192 81ca 81ca"},
        // the four JIS X 0213 ideographs
        {932, u"剝塡頰\U00020B9F", "948d 9355 966a 8eb6"},
        {932, u"剥填頬叱", "948d 9355 966a 8eb6"},
        // base character and non-spacing mark are composed for Shift_JIS
        {932, u"か\u3099ハ\u309A", "82aa 8370"},
        {932, u"\u0438\u0306", "847a"},
        {20932, u"あア漢字ｱｶﾞ", "a4a2 a5a2 b4c1 bbfa 8eb1 8eb6 8ede"},
        {20932, u"\uFF5E\u301C\uFF0D\u2212\u2014\u2015\u2225\u2016",
         "a1c1 a1c1 a1dd a1dd a1bd a1bd a1c2 a1c2"},
        {20932, u"\uFFE0\u00A2\uFFE1\u00A3\uFFE2\u00AC\u203E\uFFE3",
         "a1f1 a1f1 a1f2 a1f2 a2cc a2cc a1b1 a1b1"},
        {20932, u"剝塡頰\U00020B9F", "c7ed c5b6 cbcb bcb8"},
        {51932, u"\uFF5E剝", "a1c1 c7ed"},
        {65001, u"あ\uFF5E", "e38182 efbd9e"},
        {65001, u"\U0001F600", "f09f9880"},
        {0, u"あ", "e38182"},
        {1200, u"あA", "4230 4100"},
        {1201, u"あA", "3042 0041"},
        {1252, u"\u00E9\u20AC", "e9 80"},
        {50220, u"\uFF5EA", "1b2442 2141 1b2842 41"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToHex(EncodeString(c.text, c.codePage).bytes), ToHex(Hex(c.hex)))
            << c.codePage << " " << Units(c.text);
}

TEST(EncodeString, UnmappableBecomesQuestionMarkAndNulEnds)
{
    const EncodeCase cases[] = {
        {932, u"a\U0001F600b", "61 3f 62"},
        {932, u"\u00E9", "3f"},
        {20932, u"①Ⅰ", "3f 3f"},         // EUC-JP has no NEC row 13
        {1252, u"aあb", "61 3f 62"},
        // a lone surrogate is U+FFFD, which Japanese code pages lack ...
        {932, u"a\xDC00" u"b\xD800", "61 3f 62 3f"},
        {20932, u"a\xDC00" u"b", "61 3f 62"},
        // ... and which UTF-8 holds; UTF-16 keeps it as it is
        {65001, u"a\xD800" u"b\xDC00", "61 efbfbd 62 efbfbd"},
        {1200, u"\xD800", "00d8"},
        {1201, u"\xDC00", "dc00"},
        // U+0000 ends the text except in UTF-16
        {932, UnicodeString(u"a\0b", 3), "61"},
        {20932, UnicodeString(u"a\0b", 3), "61"},
        {65001, UnicodeString(u"a\0b", 3), "61"},
        {65001, UnicodeString(u"\0b", 2), ""},
        {1200, UnicodeString(u"a\0b", 3), "6100 0000 6200"},
        {1201, UnicodeString(u"a\0b", 3), "0061 0000 0062"},
        // a stateful code page returns to ASCII before the replacement
        {50220, u"あ\U0001F600あ", "1b2442 2422 1b2842 3f 1b2442 2422 1b2842"},
        // code pages that cannot be opened
        {12345, u"abc", ""},
        {65535, u"abc", ""},
        {932, u"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToHex(EncodeString(c.text, c.codePage).bytes), ToHex(Hex(c.hex)))
            << c.codePage << " " << Units(c.text);
}

TEST(EncodeString, NeverAddsAPreamble)
{
    EXPECT_EQ(ToHex(EncodeString(u"\uFEFFa", 65001).bytes), "efbbbf61");  // only what the text holds
    EXPECT_EQ(ToHex(EncodeString(u"a", 65001).bytes), "61");
    EXPECT_EQ(ToHex(EncodeString(u"a", 1200).bytes), "6100");
}

TEST(EncodeString, GrowsItsBufferForLongEscapeRuns)
{
    // Every switch between ASCII and kanji costs two escapes, far beyond two
    // bytes per code unit.
    UnicodeString text;
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        text += u"aあ";
        expected += Hex("61 1b2442 2422 1b2842");
    }
    EXPECT_EQ(ToHex(EncodeString(text, 50220).bytes), ToHex(expected));
}

TEST(Codec, RoundTripsUtf8ThroughEucJpToShiftJis)
{
    // Written as UTF-8 (wave dash as U+301C, as Mac editors write it) ...
    const std::string utf8 =
        "\xe3\x81\x82\xe3\x82\xa2\xe6\xbc\xa2\xef\xbd\xb1"   // あア漢ｱ
        "\xe3\x80\x9c\xe2\x88\x92\xe2\x80\x94\xe2\x80\x96"   // 〜 − — ‖
        "\xc2\xa2\xc2\xa3\xc2\xac\xe5\x89\x9d";               // ¢ £ ¬ 剝
    const UnicodeString fromUtf8 = DecodeString(RawByteString{utf8, RawCodePage}, 65001);
    const RawByteString euc = EncodeString(fromUtf8, 20932);
    EXPECT_EQ(ToHex(euc.bytes), ToHex(Hex("a4a2 a5a2 b4c1 8eb1 a1c1 a1dd a1bd a1c2 a1f1 a1f2 a2cc c7ed")));

    const UnicodeString fromEuc = DecodeString(RawByteString{euc.bytes, RawCodePage}, 20932);
    EXPECT_EQ(Units(fromEuc), Units(u"あア漢ｱ\uFF5E\uFF0D\u2015\u2225\uFFE0\uFFE1\uFFE2剥"));
    const RawByteString sjis = EncodeString(fromEuc, 932);
    EXPECT_EQ(ToHex(sjis.bytes), ToHex(Hex("82a0 8341 8abf b1 8160 817c 815c 8161 8191 8192 81ca 948d")));

    // ... and Shift_JIS back to EUC-JP gives the same bytes again.
    const UnicodeString fromSjis = DecodeString(RawByteString{sjis.bytes, RawCodePage}, 932);
    EXPECT_EQ(Units(fromSjis), Units(fromEuc));
    EXPECT_EQ(ToHex(EncodeString(fromSjis, 20932).bytes), ToHex(euc.bytes));
}

TEST(Codec, ShiftStateDoesNotLeakIntoTheNextCall)
{
    // An EUC-JP lead byte cut off at the end must not swallow the next input.
    EXPECT_EQ(DecodeString(FileBytes("a4"), 20932), u"\uFFFD");
    EXPECT_EQ(DecodeString(FileBytes("a4a2"), 20932), u"あ");
    // Escapes left open by a stateful decoder must not carry over.
    EXPECT_EQ(DecodeString(FileBytes("1b2442 2422"), 50220), u"あ");
    EXPECT_EQ(DecodeString(FileBytes("2422"), 50220), u"$\"");
    EXPECT_EQ(ToHex(EncodeString(u"あ", 50220).bytes), ToHex(Hex("1b2442 2422 1b2842")));
    EXPECT_EQ(ToHex(EncodeString(u"あ", 50220).bytes), ToHex(Hex("1b2442 2422 1b2842")));
}

TEST(Codec, OpensEachDescriptorOnce)
{
    DecodeString(FileBytes("82a0"), 932);
    EncodeString(u"あ", 932);
    DecodeString(FileBytes("41"), 4242);  // cannot be opened: remembered as such
    EncodeString(u"a", 4242);
    const std::size_t opened = TCodePageConverter::OpenedDescriptorCount();
    for (int i = 0; i < 100; ++i) {
        DecodeString(FileBytes("82a0 80"), 932);
        EncodeString(u"あ\U0001F600", 932);
        DecodeString(FileBytes("41"), 4242);
        EncodeString(u"a", 4242);
    }
    EXPECT_EQ(TCodePageConverter::OpenedDescriptorCount(), opened);
}

TEST(Codec, BomTestsNeedTheWholeMark)
{
    using namespace TStringUtility;
    struct Case {
        const char* hex;
        bool utf8, le, be;
    };
    const Case cases[] = {
        {"", false, false, false},      {"ef", false, false, false},
        {"efbb", false, false, false},  {"efbbbf", true, false, false},
        {"efbbbf00", true, false, false}, {"ff", false, false, false},
        {"fffe", false, true, false},   {"feff", false, false, true},
        {"fffe0000", false, true, false}, {"bbbfef", false, false, false},
    };
    for (const auto& c : cases) {
        const RawByteString bytes = FileBytes(c.hex);
        EXPECT_EQ(HasUTF8BOM(bytes), c.utf8) << c.hex;
        EXPECT_EQ(HasUTF16LEBOM(bytes), c.le) << c.hex;
        EXPECT_EQ(HasUTF16BEBOM(bytes), c.be) << c.hex;
    }
}

} // namespace

namespace {

// Encoding looks for U+0000 and for marks to compose in blocks; both must be
// found at every offset.
TEST(EncodeString, FindsNulAndMarksAtEveryOffset)
{
    for (std::size_t length : {1u, 7u, 8u, 9u, 16u, 17u, 40u}) {
        for (std::size_t at = 0; at < length; ++at) {
            UnicodeString text(length, u'か');
            text[at] = u'\0';
            EXPECT_EQ(EncodeString(text, 932).size(), 2 * at) << length << " " << at;
            EXPECT_EQ(EncodeString(text, 65001).size(), 3 * at) << length << " " << at;

            if (at == 0)
                continue;
            text[at] = u'\u3099';  // か + voiced mark is が (82 AA)
            const std::string bytes = EncodeString(text, 932).bytes;
            EXPECT_EQ(bytes.size(), 2 * (length - 1)) << length << " " << at;
            EXPECT_EQ(ToHex(bytes.substr(2 * (at - 1), 2)), "82aa") << length << " " << at;
        }
    }
}

} // namespace

// UTF-8 pages skip iconv; what they hold must not change: a byte-order mark,
// then what the iconv encoder writes, with U+0000 as U+FFFD.
TEST(EncodePage, Utf8GivesTheBytesOfTheIconvEncoder)
{
    const UnicodeString cases[] = {
        u"", u"plain", u"か😀é①〜－", u"\uFFFE\uFFFF\u0080\u07FF\u0800",
        UnicodeString(1, u'\xD83D'),                      // a high surrogate at the end
        UnicodeString(u"a") + u'\xDE00' + u"b",            // a lone low surrogate
        UnicodeString(u"\xDE00\xD83D", 2) + u"x",          // a pair in the wrong order
        UnicodeString(u"a\0b\0", 4),                        // NUL keeps what follows
    };
    for (const UnicodeString& text : cases) {
        UnicodeString withoutNul = text;
        std::replace(withoutNul.begin(), withoutNul.end(), u'\0', u'\uFFFD');
        const std::string expected = text.empty() ? "\xEF\xBB\xBF" : "\xEF\xBB\xBF" + EncodeString(withoutNul, 65001).bytes;
        EXPECT_EQ(ToHex(TStringUtility::EncodePage(text, 65001).bytes), ToHex(expected)) << Utf16ToUtf8(text);
    }
}

// An unpaired surrogate (cell text from "_xD800_") is U+FFFD: a page whose
// charset lacks it gets the reference, so nothing silently disappears.
TEST(EncodePage, UnpairedSurrogatesBecomeAReferenceInJapaneseCharsets)
{
    const struct {
        UnicodeString text;
        std::string expected;
    } cases[] = {
        {UnicodeString(u"a") + u'\xD800' + u"b", "a&#65533;b"},
        {UnicodeString(u"\xDC00", 1) + u"日", "&#65533;日"},
        {UnicodeString(u"\xDE00\xD83D", 2), "&#65533;&#65533;"},
        {UnicodeString(u"x") + u'\xD83D', "x&#65533;"},
        {u"😀", "&#128512;"},
    };
    for (unsigned codePage : {932u, 20932u, 51932u}) {
        for (const auto& c : cases) {
            const std::string expected = EncodeString(Utf8ToUtf16(c.expected), codePage).bytes;
            EXPECT_EQ(ToHex(TStringUtility::EncodePage(c.text, codePage).bytes), ToHex(expected))
                << codePage << ": " << c.expected;
        }
    }
}
