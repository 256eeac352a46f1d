#include <gtest/gtest.h>

#include "support/HexBytes.h"
#include "text/Stringutility.h"
#include "text/TCodePage.h"

using hexbytes::Hex;
using hexbytes::ToHex;

namespace {

TEST(TCodePage, ListOrderNamesAndCodePages)
{
    const auto charsets = TCodePage::Charsets();
    ASSERT_EQ(charsets.size(), 3u);
    const struct {
        int index;
        UnicodeString name;
        unsigned codePage;
        const char* preamble;
    } expected[] = {{0, u"Shift_JIS", 932, ""}, {1, u"UTF-8", 65001, "efbbbf"}, {2, u"EUC-JP", 20932, ""}};
    for (const auto& e : expected) {
        EXPECT_EQ(charsets[static_cast<std::size_t>(e.index)].index, e.index);
        EXPECT_EQ(charsets[static_cast<std::size_t>(e.index)].name, e.name);
        EXPECT_EQ(TCodePage::CodePageOf(e.index), e.codePage);
        EXPECT_EQ(TCodePage::NameOf(e.index), e.name);
        EXPECT_EQ(TCodePage::IndexOfName(e.name), e.index);
        EXPECT_TRUE(TCodePage::IsValidIndex(e.index));
        EXPECT_EQ(ToHex(charsets[static_cast<std::size_t>(e.index)].Preamble().bytes), e.preamble);
    }
}

TEST(TCodePage, IndexOutsideTheListIsTheDefaultCodePage)
{
    for (int index : {-1, 3, 5, -2147483647 - 1, 2147483647}) {
        EXPECT_EQ(TCodePage::CodePageOf(index), 0u) << index;
        EXPECT_EQ(TCodePage::NameOf(index), u"") << index;
        EXPECT_FALSE(TCodePage::IsValidIndex(index)) << index;
    }
    for (const char16_t* name : {u"", u"shift_jis", u"UTF8", u"EUC-JP "})
        EXPECT_EQ(TCodePage::IndexOfName(name), -1);
}

TEST(TCodePage, Preambles)
{
    const struct {
        unsigned codePage;
        const char* hex;
    } cases[] = {
        {1200, "fffe"}, {1201, "feff"}, {65001, "efbbbf"}, {65000, ""},
        {932, ""},      {20932, ""},    {0, ""},           {51932, ""}, {65535, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToHex(TCodePage::GetPreamble(c.codePage).bytes), ToHex(Hex(c.hex))) << c.codePage;
}

TEST(Stringutility, UTF16BytesAndRawBytes)
{
    const UnicodeString text = UnicodeString(u"A\0\xD800\U0001F600", 5);
    const RawByteString le = Stringutility::UnicodeToUTF16LE(text);
    const RawByteString be = Stringutility::UnicodeToUTF16BE(text);
    EXPECT_EQ(ToHex(le.bytes), "4100000000d83dd800de");
    EXPECT_EQ(ToHex(be.bytes), "00410000d800d83dde00");
    EXPECT_EQ(Stringutility::UTF16LEToUnicode(le.bytes), text);
    EXPECT_EQ(Stringutility::UTF16BEToUnicode(be.bytes), text);

    const std::uint8_t raw[] = {0x00, 0xFF, 0x41};
    const RawByteString bytes = Stringutility::BytesToRawByteString(raw);
    EXPECT_EQ(ToHex(bytes.bytes), "00ff41");
    EXPECT_EQ(bytes.codePage, RawCodePage);
}

} // namespace
