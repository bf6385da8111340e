#include "scan/sizefilter.h"
#include <gtest/gtest.h>

namespace quillon {
namespace {

constexpr int64_t kGiB = int64_t(1) << 30;

TEST(SizeFilter, BoundsCountAsInsideAndSizesAre64Bit) {
    const struct {
        SizeFilter filter;
        int64_t low, high, size;
        bool passes;
    } cases[] = {
        {SizeFilter::AtLeast, 250, 0, 249, false},
        {SizeFilter::AtLeast, 250, 0, 250, true},
        {SizeFilter::AtLeast, 0, 0, 0, true}, // every empty file
        {SizeFilter::AtLeast, 4 * kGiB, 0, 4 * kGiB - 1, false},
        {SizeFilter::AtLeast, 4 * kGiB, 0, 5 * kGiB, true},
        // The second bound plays no part outside "In between".
        {SizeFilter::AtLeast, 10, 5, 100, true},
        {SizeFilter::AtMost, 1024, 0, 1024, true},
        {SizeFilter::AtMost, 1024, 0, 1025, false},
        {SizeFilter::AtMost, 0, 0, 0, true},
        {SizeFilter::AtMost, 4 * kGiB, 0, 4 * kGiB + 1, false},
        {SizeFilter::AtMost, 5 * kGiB, 0, 4 * kGiB + 1, true},
        {SizeFilter::Between, 50, 100, 49, false},
        {SizeFilter::Between, 50, 100, 50, true},
        {SizeFilter::Between, 50, 100, 100, true},
        {SizeFilter::Between, 50, 100, 101, false},
        {SizeFilter::Between, 4 * kGiB, 6 * kGiB, 5 * kGiB, true},
        {SizeFilter::Between, 4 * kGiB, 6 * kGiB, 6 * kGiB + 1, false},
        {SizeFilter::Between, 100, 50, 75, false}, // reversed: nothing passes
    };
    for (const auto& c : cases)
        EXPECT_EQ(PassesSizeFilter(c.filter, c.size, c.low, c.high), c.passes)
            << static_cast<int>(c.filter) << " " << c.low << ".." << c.high << " size " << c.size;
}

TEST(SizeFilter, OnlyABetweenRangeCanBeReversed) {
    EXPECT_TRUE(SizeRangeReversed(SizeFilter::Between, 101, 100));
    EXPECT_FALSE(SizeRangeReversed(SizeFilter::Between, 100, 100));
    EXPECT_FALSE(SizeRangeReversed(SizeFilter::AtLeast, 101, 100));
    EXPECT_FALSE(SizeRangeReversed(SizeFilter::AtMost, 101, 100));
}

} // namespace
} // namespace quillon
