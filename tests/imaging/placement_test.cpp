#include "imaging/placement.h"

#include <gtest/gtest.h>

namespace zendavo {
namespace {

TEST(Placement, NinePositionsOfTheSamplePictures)
{
    const Placement expected[] = {{20, 10},  {259, 10},  {499, 10},  {20, 201}, {259, 201},
                                  {499, 201}, {20, 393}, {259, 393}, {499, 393}};
    for (int position = 1; position <= 9; ++position) {
        const WatermarkSettings settings{position, 20, 10};
        const Placement p = computePlacement(settings, 650, 450, 131, 47);
        EXPECT_EQ(p, expected[position - 1]) << "position " << position;
    }
}

TEST(Placement, DefaultsAreBottomRight)
{
    EXPECT_EQ(computePlacement(WatermarkSettings{}, 650, 450, 131, 47), (Placement{499, 393}));
}

TEST(Placement, CentreTruncatesTowardZero)
{
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {650, 0},  // same width
        {649, 0},  // one narrower: the half pixel is dropped
        {651, 0},  // one wider: -0.5 truncates to 0
        {655, -2}, // five wider: -2.5 truncates to -2
        {640, 5},
    };
    for (auto [w, x] : cases)
        EXPECT_EQ(computePlacement({2, 20, 10}, 650, 450, w, 47).x, x) << "w " << w;
    EXPECT_EQ(computePlacement({4, 20, 10}, 650, 450, 131, 455).y, -2);
}

TEST(Placement, MarginsCountOnlyOnEdgeAlignedAxes)
{
    EXPECT_EQ(computePlacement({5, 300, 300}, 650, 450, 131, 47), (Placement{259, 201}));
    EXPECT_EQ(computePlacement({1, 0, 0}, 650, 450, 131, 47), (Placement{0, 0}));
    EXPECT_EQ(computePlacement({9, 0, 0}, 650, 450, 131, 47), (Placement{519, 403}));
    EXPECT_EQ(computePlacement({3, 1000, 0}, 631, 450, 131, 47).x, -500);
    EXPECT_EQ(computePlacement({8, 7, 1000}, 650, 450, 131, 47), (Placement{259, -597}));
}

}  // namespace
}  // namespace zendavo
