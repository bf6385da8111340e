#include "inspect/filelines.h"
#include "support/world.h"
#include "linesfile.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillon {
namespace {

using test::LinesFile;
using test::makeLines;
using test::TestWorld;

TEST(FileLines, SmallFilesCountAndNavigate) {
    TestWorld world;
    struct Case {
        const char* what;
        std::string contents;
        std::vector<int64_t> starts;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"one line, no final LF", "abc", {0}},
        {"one line", "abc\n", {0}},
        {"two lines, no final LF", "a\nb", {0, 2}},
        {"CR LF", "a\r\nb\r\n", {0, 3}},
        {"empty lines", "\n\n", {0, 1}},
    };
    for (const Case& c : cases) {
        FileLines doc;
        ASSERT_EQ(doc.open(world.writeFile("f.txt", c.contents)), 0) << c.what;
        doc.countAll();
        const auto count = static_cast<int64_t>(c.starts.size());
        EXPECT_EQ(doc.lineCount(), count) << c.what;
        for (int64_t i = 0; i < count; ++i) {
            EXPECT_EQ(doc.lineStart(i), c.starts[static_cast<size_t>(i)]) << c.what << i;
            EXPECT_EQ(doc.lineNumberAt(c.starts[static_cast<size_t>(i)]), i) << c.what << i;
        }
        EXPECT_EQ(doc.lineStart(count), -1) << c.what;
        EXPECT_EQ(doc.lastLineStart(), c.starts.empty() ? -1 : c.starts.back()) << c.what;
        if (!c.starts.empty()) {
            EXPECT_EQ(doc.nextLineStart(c.starts.back()), -1) << c.what;
            EXPECT_EQ(doc.previousLineStart(0), -1) << c.what;
        }
    }
}

TEST(FileLines, CountedAndUncountedPartsAgreeWithTheTruth) {
    TestWorld world;
    const LinesFile file = makeLines(60'000, 1);
    const auto count = static_cast<int64_t>(file.starts.size());
    FileLines doc;
    ASSERT_EQ(doc.open(world.writeFile("big.txt", file.contents)), 0);

    // Before counting: every answer comes from scanning near the position.
    EXPECT_EQ(doc.lineCount(), -1);
    EXPECT_EQ(doc.lastLineStart(), file.starts.back());
    EXPECT_EQ(doc.previousLineStart(file.starts[count - 1]), file.starts[count - 2]);
    EXPECT_FALSE(doc.lineNumberAt(file.starts[count - 1]).has_value());

    // Partly counted, then wholly: the same answers through the checkpoints.
    doc.countSome(static_cast<int64_t>(file.contents.size() / 2));
    for (int pass = 0; pass < 2; ++pass) {
        for (int64_t i = 0; i < count; i += (i % 1024 == 1023) ? 1 : 37) {
            const int64_t start = file.starts[static_cast<size_t>(i)];
            ASSERT_EQ(doc.lineStart(i), start) << pass << " line " << i;
            if (i + 1 < count) {
                const int64_t next = file.starts[static_cast<size_t>(i + 1)];
                ASSERT_EQ(doc.nextLineStart(start), next) << i;
                // The last byte of the line (its LF) still belongs to it.
                ASSERT_EQ(doc.lineStartContaining(next - 1), start) << i;
            }
            if (i > 0) {
                ASSERT_EQ(doc.previousLineStart(start), file.starts[static_cast<size_t>(i - 1)]) << i;
            }
            if (pass == 1) {
                ASSERT_EQ(doc.lineNumberAt(start), i);
            }
        }
        doc.countAll();
    }
    EXPECT_EQ(doc.lineCount(), count);
    // Around the long line: the line after it is found without a long scan too.
    const int64_t longLine = 20'000;
    EXPECT_EQ(doc.nextLineStart(file.starts[longLine]), file.starts[longLine + 1]);
    EXPECT_EQ(doc.previousLineStart(file.starts[longLine + 1]), file.starts[longLine]);
}

TEST(FileLines, FindsAcrossReadChunksForwardAndBackward) {
    TestWorld world;
    std::string contents(9 * 1024 * 1024, '.');
    const int64_t edge = 4 * 1024 * 1024 - 3; // straddles the first 4 MiB read
    contents.replace(static_cast<size_t>(edge), 7, "NeedLe!");
    contents.replace(100, 7, "needle!");
    contents.replace(contents.size() - 10, 7, "NEEDLE!");
    FileLines doc;
    ASSERT_EQ(doc.open(world.writeFile("hay.txt", contents)), 0);
    const int64_t end = static_cast<int64_t>(contents.size());
    EXPECT_EQ(doc.findForward("needle", false, 0, nullptr), 100);
    EXPECT_EQ(doc.findForward("needle", false, 101, nullptr), edge);
    EXPECT_EQ(doc.findForward("NeedLe", true, 0, nullptr), edge);
    EXPECT_EQ(doc.findForward("NEEDLE", true, 0, nullptr), end - 10);
    EXPECT_EQ(doc.findForward("needle", true, 101, nullptr), -1);
    EXPECT_EQ(doc.findBackward("needle", false, end, nullptr), end - 10);
    EXPECT_EQ(doc.findBackward("needle", false, end - 10 + 5, nullptr), edge);
    EXPECT_EQ(doc.findBackward("needle", false, edge + 6, nullptr), edge);
    EXPECT_EQ(doc.findBackward("needle", false, edge + 5, nullptr), 100);
    EXPECT_EQ(doc.findBackward("needle", true, end, nullptr), 100);
    // The caller may pass over a match.
    EXPECT_EQ(doc.findForward("needle", false, 0, [](int64_t at) { return at != 100; }), edge);
}

// Stepping by lines from a known line start lands on the true start of the
// line so many lines away, or stops at the first or last line; the same
// before, during and after the count, since each uses other ways to find
// line starts.
TEST(FileLines, StepsByLinesAndStopsAtTheEnds) {
    TestWorld world;
    for (const bool finalNewline : {true, false}) {
        // 5,000 lines: checkpoints every 1,024 lines, line 1,666 is 200,000 bytes long.
        const LinesFile file = makeLines(5000, 7, finalNewline);
        const int64_t last = static_cast<int64_t>(file.starts.size()) - 1;
        struct Case {
            const char* what;
            int64_t from, lines;
            int64_t to, moved;
        };
        const Case cases[] = {
            {"no step", 40, 0, 40, 0},
            {"before the first line", 0, -1, 0, 0},
            {"back past the start", 3, -5, 0, -3},
            {"after the last line", last, 1, last, 0},
            {"on past the end", last - 2, 5, last, 2},
            {"forward across a checkpoint", 1000, 100, 1100, 100},
            {"back across a checkpoint", 2100, -100, 2000, -100},
            {"forward over the long line", 1660, 10, 1670, 10},
            {"back over the long line", 1670, -10, 1660, -10},
            {"onto the line after the long one", 1666, 1, 1667, 1},
            {"the whole file forward", 0, 10'000, last, last},
            {"the whole file back", last, -10'000, 0, -last},
        };
        FileLines doc;
        ASSERT_EQ(doc.open(world.writeFile("steps.txt", file.contents)), 0);
        const char* const passes[] = {"uncounted", "half counted", "counted"};
        for (const char* pass : passes) {
            for (const Case& c : cases) {
                const FileLines::Step step =
                    doc.stepLines(file.starts[static_cast<size_t>(c.from)], c.lines);
                EXPECT_EQ(step.start, file.starts[static_cast<size_t>(c.to)])
                    << pass << ", " << c.what << ", final LF " << finalNewline;
                EXPECT_EQ(step.moved, c.moved)
                    << pass << ", " << c.what << ", final LF " << finalNewline;
            }
            if (pass == passes[0]) doc.countSome(static_cast<int64_t>(file.contents.size() / 2));
            else doc.countAll();
        }
    }
}

} // namespace
} // namespace quillon
