#include <gtest/gtest.h>

#include "template/TCompiledPattern.h"

namespace {

TEST(ToCodePoints, KeepsOneCharacterPerUnpairedSurrogate)
{
    std::vector<std::size_t> offsets;
    const UnicodeString text = UnicodeString(u"a\U0001F600") + char16_t(0xDC00) + u"b" + char16_t(0xD800);
    EXPECT_EQ(ToCodePoints(text, &offsets), (std::vector<UChar32>{u'a', 0x1F600, 0xFFFD, u'b', 0xFFFD}));
    EXPECT_EQ(offsets, (std::vector<std::size_t>{0, 1, 3, 4, 5, 6}));

    offsets.clear();
    EXPECT_EQ(ToCodePoints(UnicodeString(1, char16_t(0xD800)) + u"x", &offsets), (std::vector<UChar32>{0xFFFD, u'x'}));
    EXPECT_TRUE(offsets.empty());  // no pairs: one code point per unit
}

} // namespace
