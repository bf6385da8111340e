#include "platform/checksum.h"
#include "support/world.h"
#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(FileChecksum, IsTheZipCrcOfTheWholeFile) {
    test::TestWorld world;
    EXPECT_EQ(FileChecksum(world.writeFile("check.txt", "123456789")), 0xCBF43926u);
    EXPECT_EQ(FileChecksum(world.writeFile("empty", "")), 0u);
    EXPECT_EQ(FileChecksum(world.path("missing")), 0u);
    // Longer than any read block: the blocks are chained, not added up.
    std::string big(3 << 20, 'a');
    big[(2 << 20) + 5] = 'b';
    const uint32_t whole = FileChecksum(world.writeFile("big", big));
    big[(2 << 20) + 5] = 'a';
    EXPECT_NE(whole, FileChecksum(world.writeFile("big2", big)));
}

TEST(SameFileContents, ComparesEveryByte) {
    test::TestWorld world;
    const std::string a = std::string(4096, 'x') + std::string(4096, 'y');
    const std::string swapped = std::string(4096, 'y') + std::string(4096, 'x');
    const std::string first = world.writeFile("a", a);
    const struct {
        std::string other;
        bool same;
    } cases[] = {
        {world.writeFile("copy", a), true},
        {world.writeFile("swapped", swapped), false},
        {world.writeFile("shorter", a.substr(0, a.size() - 1)), false},
        {world.path("missing"), false},
    };
    for (const auto& c : cases) EXPECT_EQ(SameFileContents(first, c.other), c.same) << c.other;
    EXPECT_TRUE(SameFileContents(world.writeFile("e1", ""), world.writeFile("e2", "")));
}

} // namespace
} // namespace quillon
