#include "platform/filefacts.h"
#include "support/world.h"
#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillon;
using quillon::test::TestWorld;

namespace {

// Close enough to be the same instant; a wrong zone or unit is hours or years off.
constexpr double kOneSecond = 1.0 / 86400;

struct Folder {
    explicit Folder(const std::string& path) : fd(open(path.c_str(), O_RDONLY | O_DIRECTORY)) {}
    ~Folder() {
        if (fd >= 0) close(fd);
    }
    int fd;
};

} // namespace

TEST(AttributesFor, MapsNameAndMode) {
    struct Case {
        const char* name;
        mode_t mode;
        uint32_t expected;
    };
    const Case cases[] = {
        {"notes.txt", S_IFREG | 0644, 0},
        {".profile", S_IFREG | 0644, faHidden},
        {"report.pdf", S_IFREG | 0444, faReadOnly},
        {"write-only", S_IFREG | 0200, 0}, // only the owner's write bit counts
        {"others-write", S_IFREG | 0466, faReadOnly},
        {"src", S_IFDIR | 0755, faDirectory},
        {".cache", S_IFDIR | 0700, faDirectory | faHidden},
        {"frozen", S_IFDIR | 0555, faDirectory | faReadOnly},
        {".", S_IFDIR | 0755, faDirectory},
        {"..", S_IFDIR | 0755, faDirectory},
        {"/home/ann/.config/", S_IFDIR | 0755, faDirectory | faHidden},
        {"/home/.ann/config", S_IFREG | 0644, 0}, // a hidden parent does not count
        {"link", S_IFLNK | 0777, faSysFile},
        {".link", S_IFLNK | 0777, faSysFile | faHidden},
        {"pipe", S_IFIFO | 0644, faSysFile},
        {"sda", S_IFBLK | 0660, faSysFile},
        {"null", S_IFCHR | 0666, faSysFile},
        {"sock", S_IFSOCK | 0755, faSysFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AttributesFor(c.name, c.mode), c.expected);
    }
}

TEST(ReadFileFacts, SparseFileReportsItsWholeSize) {
    TestWorld world;
    const std::string file = world.makeFile("sparse.bin");
    const int64_t size = 5LL << 30;
    {
        const int fd = open(file.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        const int rc = ftruncate(fd, size);
        close(fd);
        if (rc != 0) GTEST_SKIP() << "file system cannot hold a 5 GiB sparse file";
    }
    FileFacts facts;
    ASSERT_TRUE(ReadFileFacts(file, facts));
    EXPECT_EQ(facts.size, size);
    EXPECT_EQ(facts.attributes, 0u);

    struct stat st {};
    ASSERT_EQ(lstat(file.c_str(), &st), 0);
    EXPECT_EQ(facts.device, st.st_dev);
    EXPECT_EQ(facts.inode, st.st_ino);
    EXPECT_EQ(facts.mode, st.st_mode);
}

TEST(ReadFileFacts, TimesRoundTrip) {
    TestWorld world;
    const DateTime modified = EncodeDateTime(2001, 2, 3, 4, 5, 6);
    const DateTime accessed = EncodeDateTime(1975, 11, 30, 23, 59, 58); // before 1980 is ordinary
    const std::string file = world.makeFile("dated.txt", 10, modified, accessed);

    FileFacts facts;
    ASSERT_TRUE(ReadFileFacts(file, facts));
    EXPECT_NEAR(facts.modified, modified, kOneSecond);
    EXPECT_NEAR(facts.accessed, accessed, kOneSecond);

    // The birth time is the moment of creation, not the back-dated mtime,
    // and it is missing exactly when the file system does not record it.
    struct statx sx {};
    ASSERT_EQ(statx(AT_FDCWD, file.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx), 0);
    if (sx.stx_mask & STATX_BTIME) {
        EXPECT_GT(facts.created, modified);
        EXPECT_LE(facts.created, Now() + kOneSecond);
    } else {
        EXPECT_EQ(facts.created, kNoDate);
    }
}

TEST(ReadFileFacts, EntriesOfEveryKind) {
    TestWorld world;
    world.makeFile("plain", 3);
    world.makeFile(".hidden", 1);
    world.makeFile("readonly", 1, std::nullopt, std::nullopt, 0444);
    world.makeFolder("dir");
    world.makeFolder(".hdir");
    ASSERT_EQ(symlink("dir", world.path("link-to-dir").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", world.path("dangling").c_str()), 0);
    ASSERT_EQ(mkfifo(world.path("fifo").c_str(), 0644), 0);

    struct Case {
        const char* name;
        uint32_t attributes;
        int64_t size;
    };
    const Case cases[] = {
        {"plain", 0, 3},
        {".hidden", faHidden, 1},
        {"readonly", faReadOnly, 1},
        {"dir", faDirectory, -1},
        {".hdir", faDirectory | faHidden, -1},
        {"link-to-dir", faSysFile, 3}, // the link itself: its size is its target's length
        {"dangling", faSysFile, 7},
        {"fifo", faSysFile, 0},
    };
    Folder folder(world.root());
    ASSERT_GE(folder.fd, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileFacts byPath, byFolder;
        ASSERT_TRUE(ReadFileFacts(world.path(c.name), byPath));
        ASSERT_TRUE(ReadFileFactsAt(folder.fd, c.name, byFolder));
        EXPECT_EQ(byPath.attributes, c.attributes);
        EXPECT_EQ(byFolder.attributes, c.attributes);
        EXPECT_EQ(byFolder.inode, byPath.inode);
        if (c.size >= 0) {
            EXPECT_EQ(byPath.size, c.size);
        }
    }

    FileFacts link;
    ASSERT_TRUE(ReadFileFacts(world.path("link-to-dir"), link));
    EXPECT_TRUE(S_ISLNK(link.mode));
}

TEST(ReadFileFacts, MissingEntriesFail) {
    TestWorld world;
    FileFacts facts;
    EXPECT_FALSE(ReadFileFacts(world.path("missing"), facts));
    EXPECT_FALSE(ReadFileFacts("", facts));
    Folder folder(world.root());
    EXPECT_FALSE(ReadFileFactsAt(folder.fd, "missing", facts));
    EXPECT_FALSE(ReadFileFactsAt(folder.fd, "", facts));
}
