#include "platform/hugepages.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <vector>

namespace quillon {
namespace {

TEST(LargeAllocatorTest, VectorsKeepTheirContentsAcrossTheLargeBoundary) {
    // Grows from small blocks (malloc) into blocks of several MiB (huge-page
    // aligned) and back through a copy; every value must survive each move.
    std::vector<uint64_t, LargeAllocator<uint64_t>> values;
    for (uint64_t i = 0; i < 1'500'000; ++i) values.push_back(i * 2654435761u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(values.data()) % (uintptr_t(2) << 20), 0u)
        << "a block of 12 MB starts on a 2 MiB boundary";
    const std::vector<uint64_t, LargeAllocator<uint64_t>> copy(values.begin(), values.begin() + 10);
    for (uint64_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], i * 2654435761u) << i;
    EXPECT_EQ(copy[9], uint64_t(9) * 2654435761u);
}

} // namespace
} // namespace quillon
