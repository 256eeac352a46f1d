// Parsing cost must grow like the template's length for hostile shapes too;
// measured as a ratio between two sizes in the same run, never a time limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <time.h>

#include "template/TTemplateParser.h"

namespace {

double CpuMs(const UnicodeString& text, std::size_t& nodes)
{
    timespec start{}, stop{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    TTemplateParser parser(text);
    parser.Parse();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &stop);
    nodes = parser.Nodes().size();
    return (stop.tv_sec - start.tv_sec) * 1e3 + (stop.tv_nsec - start.tv_nsec) / 1e6;
}

TEST(TTemplateParser, TagOpeningsBeforeOneLateCloseCostLinearTime)
{
    // Every opening is a tag up to the one ">", where no "--->" ends it.
    const auto make = [](int openings) {
        UnicodeString text;
        for (int i = 0; i < openings; ++i)
            text += u"<!--- excel a";
        return text + u">---->";
    };
    const UnicodeString small = make(2000), large = make(8000);
    std::size_t smallNodes = 0, largeNodes = 0;
    double smallMs = 1e300, largeMs = 1e300;
    // Alternated, best of several: load from other processes hits both alike.
    for (int round = 0; round < 5; ++round) {
        smallMs = std::min(smallMs, CpuMs(small, smallNodes));
        largeMs = std::min(largeMs, CpuMs(large, largeNodes));
    }
    EXPECT_EQ(smallNodes, 2000u);  // one text node per opening
    EXPECT_EQ(largeNodes, 8000u);
    // Linear is 4x, the quadratic cost this replaced about 20x.
    EXPECT_LT(largeMs, 8 * smallMs) << smallMs << " ms for 2,000 openings, " << largeMs << " ms for 8,000";
}

} // namespace
