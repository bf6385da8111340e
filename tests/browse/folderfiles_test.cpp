#include "browse/folderfiles.h"
#include "browse/frmWildCard.h"
#include "platform/filetypes.h"
#include "platform/listing.h"
#include "platform/walker.h"
#include "support/deeptree.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

std::vector<std::string> ListedNames(const FileStore& store, const FolderFiles& files) {
    std::vector<std::string> names;
    for (uint32_t row : files.rows) names.emplace_back(store.name(row));
    return names;
}

TEST(MaskPatternsTest, SplitsAtSemicolonsDropsBlanksAndFallsBackToAllFiles) {
    struct Case {
        QString mask;
        std::vector<std::string> patterns;
    } cases[] = {
        {"*.*", {"*.*"}},
        {"*.txt;*.doc", {"*.txt", "*.doc"}},
        {" *.txt ; ;*.DOC; ", {"*.txt", "*.DOC"}},
        {"", {"*.*"}},
        {" ; ", {"*.*"}},
        {"r\u00e9sum\u00e9*", {"r\xc3\xa9sum\xc3\xa9*"}}, // typed text reaches the names as UTF-8
    };
    for (const Case& k : cases) EXPECT_EQ(MaskPatterns(k.mask), k.patterns) << k.mask.toStdString();
}

TEST(MaskTypeTextTest, NamesTheTypesOfEachPatternOnce) {
    EXPECT_EQ(MaskTypeText("*.*"), "");
    EXPECT_EQ(MaskTypeText("*.txt"), FileTypeName(".txt"));
    EXPECT_EQ(MaskTypeText("*.txt;*.TXT; *.qqzz"), FileTypeName(".txt") + "; QQZZ File");
    EXPECT_EQ(MaskTypeText("report*"), "");
}

class FolderFilesTest : public ::testing::Test {
protected:
    ~FolderFilesTest() override { SetWalkOpenFailureForTesting(nullptr); }
    test::TestWorld world;
    std::string folder = world.makeFolder("c/work");
    FileStore store;
};

TEST_F(FolderFilesTest, ListsVisibleRegularFilesMatchingAnyPattern) {
    world.makeFile("c/work/a.txt", 10);
    world.makeFile("c/work/B.TXT", 20);
    world.makeFile("c/work/b.txt", 30); // differs from B.TXT only in case: its own file
    world.makeFile("c/work/c.doc", 40);
    world.makeFile("c/work/noext", 50);
    world.makeFile("c/work/read-only.txt", 60, std::nullopt, std::nullopt, 0444);
    world.makeFile("c/work/\xff-latin1.txt", 70); // not UTF-8
    world.makeFile("c/work/.hidden.txt", 1);
    world.makeFile("c/work/sub/inner.txt", 1);
    ASSERT_EQ(symlink((folder + "/a.txt").c_str(), (folder + "/link.txt").c_str()), 0);
    ASSERT_EQ(mkfifo((folder + "/pipe.txt").c_str(), 0600), 0);

    struct Case {
        QString mask;
        std::vector<std::string> names;
        int64_t bytes;
    } cases[] = {
        // In name order: case folded, then bytes ("B.TXT" before "b.txt").
        {"*.*",
         {"a.txt", "B.TXT", "b.txt", "c.doc", "noext", "read-only.txt", "\xff-latin1.txt"},
         280},
        {"*.txt", {"a.txt", "B.TXT", "b.txt", "read-only.txt", "\xff-latin1.txt"}, 190},
        {"*.txt;*.doc", {"a.txt", "B.TXT", "b.txt", "c.doc", "read-only.txt", "\xff-latin1.txt"}, 230},
        {"*.doc; noext", {"c.doc", "noext"}, 90},
        {"*.pdf", {}, 0},
    };
    for (const Case& k : cases) {
        const FolderFiles files = ReadFolderFiles(store, folder, k.mask);
        EXPECT_TRUE(files.readable);
        EXPECT_EQ(ListedNames(store, files), k.names) << k.mask.toStdString();
        EXPECT_EQ(files.totalBytes, k.bytes) << k.mask.toStdString();
    }
}

TEST_F(FolderFilesTest, RowsCarryWhatEachFileWasWhenRead) {
    const DateTime modified = EncodeDateTime(2021, 6, 7, 8, 9, 10);
    const DateTime accessed = EncodeDateTime(2022, 1, 2, 3, 4, 5);
    const std::string path = world.makeFile("c/work/doc.txt", 1234, modified, accessed);
    // Sizes are 64-bit: a sparse file of 5 GiB counts whole.
    const std::string big = world.path("c/work/big.iso");
    const int fd = open(big.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 5368709120LL), 0);
    close(fd);

    const FolderFiles files = ReadFolderFiles(store, folder + "/", "*.*");
    ASSERT_EQ(files.rows.size(), 2u);
    EXPECT_EQ(files.totalBytes, 5368709120LL + 1234);
    for (uint32_t row : files.rows) {
        FileFacts facts;
        ASSERT_TRUE(ReadFileFacts(store.path(row), facts));
        EXPECT_EQ(store.identity(row), SeenIdentity(facts)) << store.path(row);
        EXPECT_EQ(store.folder(row), folder); // the trailing '/' is not kept
        if (store.name(row) == "doc.txt") {
            EXPECT_EQ(store.path(row), path);
            EXPECT_NEAR(store.row(row).modified, modified, 1e-6);
            EXPECT_NEAR(store.row(row).accessed, accessed, 1e-6);
        } else {
            EXPECT_EQ(store.row(row).size, 5368709120LL);
        }
    }
}

TEST_F(FolderFilesTest, AFolderThatCannotBeOpenedListsNothing) {
    world.makeFile("c/work/a.txt", 1);
    SetWalkOpenFailureForTesting([this](const std::string& f) { return f == folder; });
    const FolderFiles files = ReadFolderFiles(store, folder, "*.*");
    EXPECT_FALSE(files.readable);
    EXPECT_EQ(files.error, "Permission denied");
    EXPECT_TRUE(files.rows.empty());
    EXPECT_EQ(store.size(), 0u);

    SetWalkOpenFailureForTesting(nullptr);
    const FolderFiles gone = ReadFolderFiles(store, world.path("c/absent"), "*.*");
    EXPECT_FALSE(gone.readable);
    EXPECT_EQ(gone.error, "No such file or directory");
    const FolderFiles read = ReadFolderFiles(store, folder, "*.*");
    EXPECT_TRUE(read.readable);
    EXPECT_EQ(read.error, "");
}

TEST_F(FolderFilesTest, ReadingAgainReplacesWhatTheStoreHeld) {
    world.makeFile("c/work/a.txt", 1);
    world.makeFile("c/other/b.txt", 2);
    ReadFolderFiles(store, folder, "*.*");
    const FolderFiles other = ReadFolderFiles(store, world.path("c/other"), "*.*");
    EXPECT_EQ(store.size(), 1u);
    EXPECT_EQ(ListedNames(store, other), std::vector<std::string>{"b.txt"});
}

TEST_F(FolderFilesTest, AFolderBelowAPathLongerThanPathMaxIsListed) {
    // Each level holds a file "f"; the deepest folders' paths pass PATH_MAX.
    const test::DeepChain chain(folder, std::vector<std::string>(22, std::string(200, 'd')));
    const std::string deepest = chain.folder(22);
    ASSERT_GT(deepest.size(), 4096u);
    const FolderFiles files = ReadFolderFiles(store, deepest, "*.*");
    EXPECT_TRUE(files.readable);
    EXPECT_EQ(ListedNames(store, files), std::vector<std::string>{"f"});
    EXPECT_EQ(ListSubFolders(chain.folder(21)), std::vector<std::string>{std::string(200, 'd')});
}

} // namespace
} // namespace quillon
