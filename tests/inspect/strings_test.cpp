#include "inspect/strings.h"
#include "platform/filewindow.h"
#include "platform/paths.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <cerrno>
#include <random>

namespace quillon {
namespace {

using test::ScriptedDialogs;
using test::TestWorld;

std::string extract(TestWorld& world, const std::string& contents, int minimum = 5,
                    int maximum = 100) {
    const std::string source = world.writeFile("source.bin", contents);
    const std::string destination = world.path("strings.txt");
    EXPECT_TRUE(ExtractStrings(source, destination, minimum, maximum));
    return world.readFile(destination);
}

// The rules written plainly, one 2,048-byte block at a time.
std::string reference(const std::string& data, size_t minimum, size_t maximum) {
    const auto printable = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == ' ';
    };
    std::string out, last;
    bool any = false;
    for (size_t block = 0; block < data.size(); block += 2048) {
        std::string run;
        for (size_t i = block; i < std::min(data.size(), block + 2048); ++i) {
            const auto c = static_cast<unsigned char>(data[i]);
            if (printable(c)) {
                if (run.size() < minimum || run.size() <= maximum) run += static_cast<char>(c);
            } else {
                if (run.size() > minimum && !(any && run == last)) {
                    out += run + "\n";
                    last = run;
                    any = true;
                }
                run.clear();
            }
        }
    }
    return out;
}

TEST(ExtractStrings, KeepsRunsLongerThanTheMinimum) {
    TestWorld world;
    ScriptedDialogs dialogs;
    const std::string zero(1, '\0');
    struct Case {
        const char* what;
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"short word then a phrase", "Hello" + zero + "Hello world" + zero, "Hello world\n"},
        {"repeat of the line before", "Hello world" + zero + "Hello world" + zero, "Hello world\n"},
        {"no byte after the run", "Hello world", ""},
        {"exactly the minimum", "abcde" + zero, ""},
        {"one above the minimum", "abcdef" + zero, "abcdef\n"},
        {"cut after maximum + 1", std::string(150, 'x') + zero, std::string(101, 'x') + "\n"},
        {"tab, punctuation and high bytes end runs", "abcdef\tghijkl.mnopqr\xE9stuvwx" + zero,
         "abcdef\nghijkl\nmnopqr\nstuvwx\n"},
        {"blanks and digits belong to runs", "a 1 b 2 c" + zero, "a 1 b 2 c\n"},
        {"only the line just before is suppressed",
         "aaaaaa" + zero + "bbbbbb" + zero + "aaaaaa" + zero + "aaaaaa" + zero,
         "aaaaaa\nbbbbbb\naaaaaa\n"},
        {"empty file", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(extract(world, c.input), c.expected) << c.what;
}

TEST(ExtractStrings, RunsDoNotCrossBlocksOfTwoKilobytes) {
    TestWorld world;
    ScriptedDialogs dialogs;
    // 8 letters before byte 2,048 and 8 after it: the first part is dropped.
    const std::string data = std::string(2040, '\0') + "abcdefghIJKLMNOP" + std::string(1, '\0');
    EXPECT_EQ(extract(world, data), "IJKLMNOP\n");
    // A run ending exactly at a block's end is dropped with it.
    EXPECT_EQ(extract(world, std::string(2042, '\0') + "abcdef" + std::string(1, '\0')), "");
}

TEST(ExtractStrings, LargeFilesFollowTheBlockRules) {
    // Several of the internal reads, a partial last block and many runs across
    // block edges: the result must equal the rules applied block by block.
    TestWorld world;
    ScriptedDialogs dialogs;
    std::mt19937 random(7);
    std::string data;
    data.reserve(3'300'000);
    const std::string words[] = {"alpha beta", "Gamma", "DELTA 42", "epsilon zeta eta theta",
                                 std::string(130, 'q'), "x"};
    while (data.size() < 3'300'000) {
        const auto pick = random() % 8;
        if (pick < 6) data += words[pick];
        else data += static_cast<char>(random() % 256);
        if (random() % 3 == 0) data += '\n';
    }
    for (const auto& [minimum, maximum] : {std::pair{5, 100}, std::pair{3, 10}, std::pair{0, 0}})
        EXPECT_EQ(extract(world, data, minimum, maximum),
                  reference(data, static_cast<size_t>(minimum), static_cast<size_t>(maximum)))
            << minimum << " " << maximum;
}

TEST(ExtractStrings, UnreadableSourceSaysSoAndWritesNothing) {
    TestWorld world;
    const std::string source = world.writeFile("secret.bin", "Hello world" + std::string(1, '\0'));
    const std::string missing = world.path("missing.bin");
    const std::string destination = world.path("strings.txt");
    SetFileOpenFailureForTesting([&](const std::string& path) { return path == source ? EACCES : 0; });
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error, "Could not open file " + DisplayPath(source))
            .expectMessage(MessageKind::Error, "Could not open file " + DisplayPath(missing));
        EXPECT_FALSE(ExtractStrings(source, destination, 5, 100));
        EXPECT_FALSE(ExtractStrings(missing, destination, 5, 100));
    }
    SetFileOpenFailureForTesting(nullptr);
    EXPECT_FALSE(PathExists(destination));
}

TEST(ExtractStrings, DestinationThatCannotBeWrittenIsReported) {
    TestWorld world;
    const std::string source = world.writeFile("source.bin", "Hello world" + std::string(1, '\0'));
    const std::string destination = world.path("no-such-folder/strings.txt");
    ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "Could not write file " + DisplayPath(destination));
    EXPECT_FALSE(ExtractStrings(source, destination, 5, 100));
}

} // namespace
} // namespace quillon
