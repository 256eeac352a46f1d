#include <gtest/gtest.h>

#include "support/HexBytes.h"
#include "text/Mecsutils.h"

using hexbytes::Units;

namespace {

using Fix = UnicodeString (*)(UnicodeString);

struct FixCase {
    const char* name;
    Fix fix;
    UnicodeString in;
    UnicodeString out;
};

TEST(Mecsutils, MappingCorrections)
{
    const FixCase cases[] = {
        {"JISX0208ToUnicode", MecsMappingFix_JISX0208ToUnicode, u"\u301C\u2212\u2014", u"\uFF5E\uFF0D\u2015"},
        {"JISX0208ToUnicode", MecsMappingFix_JISX0208ToUnicode,
         u"\u00A2\u00A3\u00AC\u2016\u203E", u"\uFFE0\uFFE1\uFFE2\u2225\uFFE3"},
        // decoding side leaves ideographs and surrogates alone
        {"JISX0208ToUnicode", MecsMappingFix_JISX0208ToUnicode, u"剝\xDC00\uFF5E", u"剝\xDC00\uFF5E"},

        {"UnicodeToJISX0208", MecsMappingFix_UnicodeToJISX0208, u"\uFF5E\uFF0D", u"\u301C\u2212"},
        {"UnicodeToJISX0208", MecsMappingFix_UnicodeToJISX0208, u"\u2014\u2015", u"\u2015\u2015"},
        {"UnicodeToJISX0208", MecsMappingFix_UnicodeToJISX0208,
         u"\u2225\uFFE0\uFFE1\uFFE2\u203E", u"\u2016\u00A2\u00A3\u00AC\uFFE3"},
        // not the mirror of the decoding side
        {"UnicodeToJISX0208", MecsMappingFix_UnicodeToJISX0208, u"\u301C\u2212\uFFE3", u"\u301C\u2212\uFFE3"},
        {"UnicodeToJISX0208", MecsMappingFix_UnicodeToJISX0208, u"塡\xD800", u"填"},

        {"UnicodeToCP932", MecsMappingFix_UnicodeToCP932, u"\uFF5E\uFF0D", u"\uFF5E\uFF0D"},
        {"UnicodeToCP932", MecsMappingFix_UnicodeToCP932, u"\u203E\u2014", u"\uFFE3\u2015"},
        {"UnicodeToCP932", MecsMappingFix_UnicodeToCP932, u"\u2225\uFFE0\u301C", u"\u2225\uFFE0\u301C"},
        {"UnicodeToCP932", MecsMappingFix_UnicodeToCP932, u"\xD842\xDF9F\u308B", u"\u53F1\u308B"},
        {"UnicodeToCP932", MecsMappingFix_UnicodeToCP932, u"a\xDC00" u"b", u"ab"},

        {"JISX0213ToJISX0208", MecsMappingFix_JISX0213ToJISX0208, u"剝塡頰\U00020B9F", u"剥填頬叱"},
        // other characters outside the BMP keep their pair
        {"JISX0213ToJISX0208", MecsMappingFix_JISX0213ToJISX0208, u"\U0001F600\U00020B9E", u"\U0001F600\U00020B9E"},
        // unpaired surrogates vanish wherever they stand
        {"JISX0213ToJISX0208", MecsMappingFix_JISX0213ToJISX0208, u"\xD842", u""},
        {"JISX0213ToJISX0208", MecsMappingFix_JISX0213ToJISX0208, u"a\xDF9F\xD842" u"b", u"ab"},
        {"JISX0213ToJISX0208", MecsMappingFix_JISX0213ToJISX0208, u"\xD842\xD842\xDF9F", u"\u53F1"},
        {"JISX0213ToJISX0208", MecsMappingFix_JISX0213ToJISX0208, u"\xDF9F\xD842", u""},
        {"JISX0213ToJISX0208", MecsMappingFix_JISX0213ToJISX0208, UnicodeString(u"\0剝", 2), UnicodeString(u"\0剥", 2)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Units(c.fix(c.in)), Units(c.out)) << c.name << " " << Units(c.in);
}

TEST(Mecsutils, CP932ToUnicodeChangesNothing)
{
    const UnicodeString text = UnicodeString(u"\u301C\u2212\u2014\xDC00\0\U00020B9F剝", 9);
    EXPECT_EQ(Units(MecsMappingFix_CP932ToUnicode(text)), Units(text));
}

TEST(Mecsutils, StretchElementWidensEveryByte)
{
    std::string all;
    UnicodeString expected;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
        expected += static_cast<char16_t>(b);
    }
    EXPECT_EQ(MecsStretchElement(RawByteString{all, RawCodePage}), expected);
    EXPECT_EQ(MecsStretchElement(RawByteString{}), u"");
}

} // namespace

namespace {

// The corrections pass over long runs in blocks; a hit must be found at every
// offset within and across blocks.
TEST(Mecsutils, FindsHitsAtEveryOffset)
{
    for (std::size_t length : {1u, 7u, 8u, 9u, 16u, 17u, 40u}) {
        for (std::size_t at = 0; at < length; ++at) {
            UnicodeString text(length, u'漢');
            UnicodeString expected = text;
            text[at] = u'頰';
            expected[at] = u'頬';
            EXPECT_EQ(MecsMappingFix_UnicodeToCP932(text), expected) << length << " " << at;

            text[at] = u'\u2014';
            expected[at] = u'\u2015';
            EXPECT_EQ(MecsMappingFix_UnicodeToCP932(text), expected) << length << " " << at;

            text[at] = u'\uFF5E';
            expected[at] = u'\u301C';
            EXPECT_EQ(MecsMappingFix_UnicodeToJISX0208(text), expected) << length << " " << at;

            text[at] = u'\xDC00';
            expected.erase(at, 1);
            EXPECT_EQ(MecsMappingFix_JISX0213ToJISX0208(text), expected) << length << " " << at;
        }
    }
}

} // namespace
