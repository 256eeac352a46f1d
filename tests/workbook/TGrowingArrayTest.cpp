#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "workbook/TGrowingArray.h"

using namespace Excel;

namespace {

// 24 bytes, so whole elements never fill whole pages.
struct TWide {
    std::uint64_t a, b, c;
};

// Without and with huge pages, which are made ready a whole page at a time.
class GrowingArrayPages : public testing::TestWithParam<bool> {};

TEST_P(GrowingArrayPages, KeepsEveryValueAcrossHeapAndMappedGrowth)
{
    TGrowingArray<TWide> wide(GetParam());
    std::vector<TWide> reference;
    // Past the heap, through several remappings, with a reserve in between.
    for (std::uint64_t i = 0; i < 300000; ++i) {
        if (i == 50000)
            wide.reserve(200001);
        wide.push_back({i, ~i, i * 7});
        reference.push_back({i, ~i, i * 7});
    }
    const auto same = [&](const TGrowingArray<TWide>& a, std::size_t n) {
        ASSERT_EQ(a.size(), n);
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_TRUE(a[i].a == reference[i].a && a[i].b == reference[i].b && a[i].c == reference[i].c) << i;
    };
    same(wide, reference.size());

    TGrowingArray<TWide> copy(wide);
    TGrowingArray<TWide> moved(std::move(wide));
    same(copy, reference.size());
    same(moved, reference.size());
    moved.truncate(100000);
    moved.shrink_to_fit();
    same(moved, 100000);
    moved.push_back(reference[100000]);
    same(moved, 100001);
    copy = moved;
    same(copy, 100001);
    moved.truncate(0);
    moved.shrink_to_fit();
    EXPECT_TRUE(moved.empty());

    TGrowingArray<char> bytes;
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        const std::string piece = "item" + std::to_string(i);
        bytes.append(piece.data(), piece.size());
        text += piece;
    }
    ASSERT_EQ(std::string(bytes.data(), bytes.size()), text);
}

INSTANTIATE_TEST_SUITE_P(GrowingArray, GrowingArrayPages, testing::Bool());

} // namespace
