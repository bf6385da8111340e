#include "platform/textcase.h"
#include <gtest/gtest.h>
#include <vector>

namespace quillon {
namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(TextCaseTest, EveryLetterFoldsAndStrayBytesCompareAsBytes) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"README.TXT", "readme.txt", 0},
        {"CAF\xc3\x89.TXT", "caf\xc3\xa9.txt", 0},         // É / é
        {"\xc3\x84RGER", "\xc3\xa4rger", 0},               // Ä / ä
        {"\xce\xa3\xce\x9f\xce\xa6", "\xcf\x83\xce\xbf\xcf\x86", 0}, // Greek ΣΟΦ / σοφ
        {"\xd0\x9c\xd0\x98\xd0\xa0", "\xd0\xbc\xd0\xb8\xd1\x80", 0}, // Cyrillic МИР / мир
        {"\xe2\x84\xaa", "k", 0},                          // KELVIN SIGN folds to k
        {"abc", "abd", -1},
        {"ab", "abc", -1},
        {"caf\xc3\xa9", "cafe", 1},                        // é after e
        {"caf\xc3\xa9", "caf\xff", -1},                    // a stray byte after every character
        {"a\xff", "a\xfe", 1},
        {"a\xff", "A\xff", 0},
        {"Stra\xc3\x9f" "e", "STRASSE", 1},                // ß is not two letters here
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sign(CompareFolded(c.a, c.b)), c.expected) << c.a << " / " << c.b;
        EXPECT_EQ(Sign(CompareFolded(c.b, c.a)), -c.expected) << c.b << " / " << c.a;
        EXPECT_EQ(EqualFolded(c.a, c.b), c.expected == 0) << c.a << " / " << c.b;
    }
}

TEST(TextCaseTest, FoldedKeysOrderLikeTheComparison) {
    // Sorts and the duplicate list key rows by these bytes and numbers first;
    // they must never put two names in another order than CompareFolded does.
    const std::vector<std::string> names = {
        "a", "A", "ab", "aB\xc3\x89", "ab\xc3\xa9z", "abe", "abz", "ab\xe2\x84\xaa", "abk", "abl",
        "ab\xff", "ab\xfe", "AB\xff", "\xc3\xa9", "\xc3\x89tude", "zebra", "Zebra-longer-name",
        "zebra-longer-name-\xc3\xa9", "zebra-longer-name-\xff", "\xf0\x9f\x98\x80", "~tilde"};
    for (const std::string& a : names)
        for (const std::string& b : names) {
            const int expected = Sign(CompareFolded(a, b));
            EXPECT_EQ(Sign(FoldedKey(a).compare(FoldedKey(b))), expected) << a << " / " << b;
            for (size_t from : {0u, 8u}) {
                const auto x = FoldedKeyNumber(a, from), y = FoldedKeyNumber(b, from);
                if (expected == 0) {
                    EXPECT_EQ(x, y) << a << " / " << b;
                }
                if (from == 0 && expected < 0) {
                    EXPECT_LE(x, y) << a << " / " << b;
                }
            }
        }
}

} // namespace
} // namespace quillon
