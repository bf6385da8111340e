#include "finders/folderhogs.h"
#include "platform/parallelwalk.h"
#include "platform/paths.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace quillon {
namespace {

using Line = std::tuple<std::string, int64_t, int64_t, int64_t>; // folder, bytes, files, sub-folders

std::vector<FolderTotals> TallyWalk(FolderHogMode mode, const std::string& root,
                                    unsigned threads = 0) {
    ParallelWalk walk(FolderHogWalkOptions(), threads, FolderHogTallies(mode, root), false);
    EXPECT_TRUE(walk.start(root));
    WalkStep step;
    while (walk.next(step, std::chrono::milliseconds(100)) != ParallelWalk::Wait::Finished) {
    }
    std::unique_ptr<WalkTally> tally = walk.mergedTally();
    return static_cast<FolderHogTally&>(*tally).takeLines();
}

std::vector<Line> Lines(const std::vector<FolderTotals>& totals) {
    std::vector<Line> lines;
    for (const FolderTotals& t : totals) lines.emplace_back(t.folder, t.bytes, t.files, t.subfolders);
    return lines;
}

void MakeSparse(const std::string& path, int64_t size) {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, size), 0);
    ::close(fd);
}

class FolderHogsTest : public ::testing::Test {
protected:
    std::string c(const std::string& rel = "") {
        return rel.empty() ? world.path("c") : world.path("c/" + rel);
    }
    test::TestWorld world;
};

// Main counts each top folder's whole tree; All each folder's own files.
// Hidden files and links count (a link with the length of its target), hidden
// folders are never entered, and in All they still count as sub-folders.
TEST_F(FolderHogsTest, MainAndAllCountByTheirRules) {
    world.makeFile("c/root.txt", 5);
    world.makeFile("c/a/f1", 100);
    world.makeFile("c/a/.hidden", 10);
    ASSERT_EQ(symlink("f1", c("a/link").c_str()), 0); // 2 bytes: "f1"
    world.makeFile("c/a/sub/f2", 1000);
    world.makeFile("c/a/.hid/secret", 999);
    world.makeFolder("c/b");
    world.makeFile("c/.top/x", 50);
    ASSERT_EQ(mkfifo(c("a/sub/pipe").c_str(), 0600), 0);

    struct Case {
        FolderHogMode mode;
        std::vector<Line> expected;
    } cases[] = {
        {FolderHogMode::Main, {{c("a"), 1112, 5, 1}, {c("b"), 0, 0, 0}}},
        {FolderHogMode::All,
         {{c(), 5, 1, 3}, {c("a"), 112, 3, 2}, {c("a/sub"), 1000, 2, 0}, {c("b"), 0, 0, 0}}},
    };
    for (const Case& k : cases) {
        for (unsigned threads : {1u, 3u}) {
            SCOPED_TRACE(threads);
            EXPECT_EQ(Lines(TallyWalk(k.mode, c(), threads)), k.expected);
        }
    }
}

TEST_F(FolderHogsTest, AFileWithSeveralLinksCountsOnceInTheFirstFolder) {
    world.makeFile("c/x/big", 300);
    ASSERT_EQ(link(c("x/big").c_str(), c("x/same-big").c_str()), 0);
    world.makeFolder("c/y");
    ASSERT_EQ(link(c("x/big").c_str(), c("y/other").c_str()), 0);
    world.makeFolder("c/w/deep");
    ASSERT_EQ(link(c("x/big").c_str(), c("w/deep/third").c_str()), 0);
    // A link outside the drive: the file counts where it lies on the drive.
    world.makeFile("c/z/once", 7);
    ASSERT_EQ(link(c("z/once").c_str(), world.path("outside").c_str()), 0);
    world.makeFile("c/y/plain", 1);

    const std::vector<Line> all = {{c(), 0, 0, 4},          {c("w"), 0, 0, 1},
                                   {c("w/deep"), 300, 1, 0}, {c("x"), 0, 0, 0},
                                   {c("y"), 1, 1, 0},        {c("z"), 7, 1, 0}};
    const std::vector<Line> main = {
        {c("w"), 300, 1, 1}, {c("x"), 0, 0, 0}, {c("y"), 1, 1, 0}, {c("z"), 7, 1, 0}};
    // Whoever reads which folder, the same lines.
    for (unsigned threads : {1u, 2u, 4u, 8u}) {
        SCOPED_TRACE(threads);
        EXPECT_EQ(Lines(TallyWalk(FolderHogMode::All, c(), threads)), all);
        EXPECT_EQ(Lines(TallyWalk(FolderHogMode::Main, c(), threads)), main);
    }
}

TEST_F(FolderHogsTest, SizesAre64BitAndTheLatestAccessIsKept) {
    world.makeFolder("c/iso");
    MakeSparse(c("iso/big.iso"), 5368709120LL); // 5 GiB
    const timespec accessed1990[2] = {{631152000, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(utimensat(AT_FDCWD, c("iso/big.iso").c_str(), accessed1990, 0), 0);
    world.makeFile("c/iso/old", 1, std::nullopt, EncodeDateTime(2001, 2, 3, 4, 5));
    world.makeFile("c/iso/deep/new", 1, std::nullopt, EncodeDateTime(2020, 7, 8, 9, 10));
    world.makeFolder("c/iso/empty");
    const std::vector<FolderTotals> main = TallyWalk(FolderHogMode::Main, c());
    ASSERT_EQ(main.size(), 1u);
    EXPECT_EQ(main[0].bytes, 5368709122LL);
    EXPECT_EQ(DayNumber(main[0].latestAccess), DayNumber(EncodeDateTime(2020, 7, 8)));

    const std::vector<FolderTotals> all = TallyWalk(FolderHogMode::All, c());
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[1].folder, c("iso"));
    EXPECT_EQ(all[1].bytes, 5368709121LL);
    EXPECT_EQ(DayNumber(all[1].latestAccess), DayNumber(EncodeDateTime(2001, 2, 3)));
    EXPECT_EQ(all[3].folder, c("iso/empty"));
    EXPECT_EQ(all[3].latestAccess, kNoDate);
}

TEST_F(FolderHogsTest, ADriveWithNothingOnItListsNothing) {
    EXPECT_TRUE(TallyWalk(FolderHogMode::All, c()).empty());
    EXPECT_TRUE(TallyWalk(FolderHogMode::Main, c()).empty());
}

TEST(FolderLineTest, PercentUsedHasTwoDecimalsBelowTheDriveTotalOnly) {
    struct Case {
        int64_t bytes;
        double total;
        const char* text;
    } cases[] = {
        {0, 1000, "0.00"},       {1, 3, "33.33"},          {2, 3, "66.67"},
        {999, 1000, "99.90"},    {5368709120LL, 1e12, "0.54"},
        {1000, 1000, "???"},     // equal to the drive total
        {1001, 1000, "???"},     {5, 0, "???"}, // the total could not be read
        {0, 0, "???"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(PercentUsedText(k.bytes, k.total), k.text) << k.bytes << " of " << k.total;
}

TEST(FolderLineTest, TheLineHoldsSixFieldsAndTheRealCaseOfTheName) {
    FolderTotals totals{"/data/Mixed Case/\xff", 1234567, 12, 3,
                        EncodeDateTime(2024, 2, 29, 23, 59), std::nullopt};
    const QStringList fields = FolderLineFields(totals, 1234567 * 4.0);
    EXPECT_EQ(fields, (QStringList{"1,234,567", "25.00", "12", "3", "2/29/24",
                                   DisplayPath("/data/Mixed Case/\xff")}));
    EXPECT_EQ(FolderLine(totals, 1234567 * 4.0), fields.join('\t'));
    totals.latestAccess = kNoDate;
    EXPECT_EQ(FolderLineFields(totals, 0).at(4), "");
}

TEST(FolderSortTest, EachItemSortsByItsKeyAndEqualKeysKeepTheirOrder) {
    const auto row = [](const char* name, int64_t bytes, int64_t files, int64_t subs, DateTime access,
                        FolderState state = FolderState::Listed) {
        return FolderRow{FolderTotals{name, bytes, files, subs, access, std::nullopt}, 1e9, state};
    };
    const std::vector<FolderRow> rows = {
        row("/b", 300, 1, 9, EncodeDateTime(2020, 1, 1, 23)),
        row("/A", 100, 5, 0, kNoDate),
        row("/a", 900, 5, 2, EncodeDateTime(2020, 1, 1, 1), FolderState::Deleted),
        row("/c", 200, 0, 2, EncodeDateTime(1899, 6, 1)),
    };
    struct Case {
        FolderSortItem item;
        bool descending;
        std::vector<uint32_t> expected;
    } cases[] = {
        {FolderSortSize, true, {0, 3, 1, 2}}, // a removed folder's size counts as 0
        {FolderSortSize, false, {2, 1, 3, 0}},
        {FolderSortFiles, true, {1, 2, 0, 3}},
        {FolderSortSubfolders, true, {0, 2, 3, 1}},
        {FolderSortAccess, true, {0, 2, 1, 3}}, // one day; no date is 1 January 1900
        {FolderSortAccess, false, {3, 1, 0, 2}},
        {FolderSortName, false, {1, 2, 0, 3}}, // without case; "/A" and "/a" keep their order
        {FolderSortName, true, {3, 0, 1, 2}},
    };
    for (const Case& k : cases)
        EXPECT_EQ(SortedFolderRows(rows, {0, 1, 2, 3}, k.item, k.descending), k.expected)
            << k.item << (k.descending ? " descending" : " ascending");
}

} // namespace
} // namespace quillon
