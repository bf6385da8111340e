#include "platform/contentread.h"
#include "platform/drives.h"
#include "platform/filefacts.h"
#include "support/deeptree.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

class ContentReadTest : public ::testing::Test {
protected:
    ContentReadTest() { world.setDrives({{'C', "c"}}); }
    ~ContentReadTest() override { SetContentReadHookForTesting(nullptr); }

    std::string c(const std::string& rel) { return world.path("c/" + rel); }
    FileIdentity seen(const std::string& path) {
        FileFacts facts;
        EXPECT_TRUE(ReadFileFacts(path, facts)) << path;
        return SeenIdentity(facts);
    }
    // Bytes that differ from block to block, so a misplaced block shows.
    static std::string bytes(size_t size, unsigned seed = 1) {
        std::string out(size, '\0');
        uint32_t x = seed * 2654435761u + 1;
        for (char& ch : out) {
            x = x * 1664525u + 1013904223u;
            ch = static_cast<char>(x >> 24);
        }
        return out;
    }
    ContentRead whole(const std::string& path, ContentHash* hash, size_t buffer = 4096) {
        ContentReader reader(buffer);
        return reader.hashWhole(path, seen(path), hash);
    }

    test::TestWorld world;
};

TEST_F(ContentReadTest, WholeFileHashIsTheHashOfItsBytes) {
    struct Case {
        const char* name;
        size_t size;
        size_t buffer;
    };
    const Case cases[] = {
        {"empty", 0, 4096},        {"one byte", 1, 4096},
        {"one buffer", 4096, 4096}, {"a buffer and a byte", 4097, 4096},
        {"many buffers", 300001, 4096}, {"the default buffer", 1 << 20, ContentReader::kDefaultBuffer},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const std::string data = bytes(k.size);
        const std::string path = world.writeFile(std::string("c/") + k.name, data);
        ContentHash hash;
        ASSERT_EQ(whole(path, &hash, k.buffer), ContentRead::Done);
        EXPECT_EQ(hash, HashBytes(data.data(), data.size()));
    }
}

TEST_F(ContentReadTest, HolesOfSparseFilesHashAsZeros) {
    // Data, a hole, data, and a hole up to the end.
    const std::string path = c("sparse.img");
    std::string expected(3 << 20, '\0');
    const std::string head = bytes(10000, 2);
    const std::string middle = bytes(5000, 3);
    expected.replace(0, head.size(), head);
    expected.replace(2 << 20, middle.size(), middle);
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    ASSERT_EQ(pwrite(fd, middle.data(), middle.size(), 2 << 20), static_cast<ssize_t>(middle.size()));
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(expected.size())), 0);
    ::close(fd);
    ContentHash hash;
    ASSERT_EQ(whole(path, &hash), ContentRead::Done);
    EXPECT_EQ(hash, HashBytes(expected.data(), expected.size()));
    // A copy written out in full holds the same bytes.
    const std::string dense = world.writeFile("c/dense.img", expected);
    ContentHash denseHash;
    ASSERT_EQ(whole(dense, &denseHash), ContentRead::Done);
    EXPECT_EQ(denseHash, hash);
}

TEST_F(ContentReadTest, EndsAreTheFirstAndLastBlocks) {
    std::string a = bytes(20000, 4);
    std::string b = a;
    b[10000] ^= 1; // the middle differs
    std::string d = a;
    d[19999] ^= 1; // the last byte differs
    const std::string pa = world.writeFile("c/a", a), pb = world.writeFile("c/b", b),
                      pd = world.writeFile("c/d", d);
    ContentReader reader(4096);
    ContentHash ha, hb, hd;
    ASSERT_EQ(reader.hashEnds(pa, seen(pa), 4096, &ha), ContentRead::Done);
    ASSERT_EQ(reader.hashEnds(pb, seen(pb), 4096, &hb), ContentRead::Done);
    ASSERT_EQ(reader.hashEnds(pd, seen(pd), 4096, &hd), ContentRead::Done);
    EXPECT_EQ(ha, hb);
    EXPECT_NE(ha, hd);
    EXPECT_EQ(reader.lastBytes(), 8192);
    ASSERT_EQ(reader.hashWhole(pa, seen(pa), &ha), ContentRead::Done);
    ASSERT_EQ(reader.hashWhole(pb, seen(pb), &hb), ContentRead::Done);
    EXPECT_NE(ha, hb);
    // A file no longer than both ends together is read whole.
    const std::string small = world.writeFile("c/small", bytes(7000, 5));
    ContentHash ends, all;
    ASSERT_EQ(reader.hashEnds(small, seen(small), 4096, &ends), ContentRead::Done);
    ASSERT_EQ(reader.hashWhole(small, seen(small), &all), ContentRead::Done);
    EXPECT_EQ(ends, all);
}

TEST_F(ContentReadTest, OnlyTheFileThatWasSeenIsRead) {
    const std::string target = world.writeFile("c/real/file", bytes(100));
    const FileIdentity real = seen(target);
    ASSERT_EQ(symlink(target.c_str(), c("link").c_str()), 0);
    ASSERT_EQ(symlink(c("real").c_str(), c("folderlink").c_str()), 0);
    const std::string other = world.writeFile("c/other", bytes(100, 9));
    FileIdentity older = real;
    older.mtimeNs -= 1000;
    struct Case {
        const char* name;
        std::string path;
        FileIdentity identity;
        ContentRead expected;
    };
    const Case cases[] = {
        {"the file itself", target, real, ContentRead::Done},
        {"a link to it", c("link"), real, ContentRead::Changed},
        {"through a linked folder", c("folderlink/file"), real, ContentRead::Changed},
        {"another file there now", other, real, ContentRead::Changed},
        {"modified since", target, older, ContentRead::Changed},
        {"gone", c("real/missing"), real, ContentRead::Unreadable},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ContentReader reader(4096);
        ContentHash hash;
        EXPECT_EQ(reader.hashWhole(k.path, k.identity, &hash), k.expected);
        EXPECT_EQ(reader.hashEnds(k.path, k.identity, 16, &hash), k.expected);
    }
}

TEST_F(ContentReadTest, FailuresAndChangesWhileReadingAreReported) {
    const std::string data = bytes(50000);
    const std::string path = world.writeFile("c/f", data);
    struct Case {
        const char* name;
        std::function<int(const std::string&, ContentReadStep)> hook;
        ContentRead expected;
    };
    const Case cases[] = {
        {"cannot open", [](const std::string&, ContentReadStep s) { return s == ContentReadStep::Open ? EACCES : 0; },
         ContentRead::Unreadable},
        {"read error", [](const std::string&, ContentReadStep s) { return s == ContentReadStep::Read ? EIO : 0; },
         ContentRead::Unreadable},
        {"grows while read",
         [](const std::string& p, ContentReadStep s) {
             if (s == ContentReadStep::Read) {
                 const int fd = ::open(p.c_str(), O_WRONLY | O_APPEND);
                 if (fd >= 0) {
                     (void)!write(fd, "x", 1);
                     ::close(fd);
                 }
             }
             return 0;
         },
         ContentRead::Changed},
        {"shrinks while read",
         [](const std::string& p, ContentReadStep s) {
             if (s == ContentReadStep::Read) (void)!truncate(p.c_str(), 10);
             return 0;
         },
         ContentRead::Changed},
        {"vanishes before it is opened",
         [](const std::string& p, ContentReadStep s) {
             if (s == ContentReadStep::Open) unlink(p.c_str());
             return 0;
         },
         ContentRead::Unreadable},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        world.writeFile("c/f", data);
        const FileIdentity identity = seen(path);
        SetContentReadHookForTesting(k.hook);
        ContentReader reader(4096);
        ContentHash hash;
        EXPECT_EQ(reader.hashWhole(path, identity, &hash), k.expected);
        SetContentReadHookForTesting(nullptr);
    }
}

TEST_F(ContentReadTest, AbortStopsAWholeRead) {
    const std::string path = world.writeFile("c/big", bytes(100000));
    std::atomic<bool> abort{false};
    std::atomic<int64_t> read{0};
    SetContentReadHookForTesting([&](const std::string&, ContentReadStep s) {
        if (s == ContentReadStep::Read) abort = true;
        return 0;
    });
    ContentReader reader(4096);
    ContentHash hash;
    EXPECT_EQ(reader.hashWhole(path, seen(path), &hash, &abort, &read), ContentRead::Aborted);
    EXPECT_EQ(read.load(), 4096) << "stopped after the block it was reading";
}

TEST_F(ContentReadTest, ReadingLeavesTheAccessTimeAlone) {
    // The files-by-date finder lists access times; comparing contents must
    // not make every compared file look just used.
    const std::string path = world.makeFile("c/old.txt", 5000, EncodeDateTime(2024, 1, 1, 0, 0, 0),
                                            EncodeDateTime(2020, 1, 1, 0, 0, 0));
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ContentHash hash;
    ASSERT_EQ(whole(path, &hash), ContentRead::Done);
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec);
}

TEST_F(ContentReadTest, FilesDeeperThanAPathAreRead) {
    const std::vector<std::string> names = test::DeepNames(40, 120);
    const test::DeepChain chain(world.path("c"), names);
    const std::string deep = chain.folder(names.size()) + "/f";
    ASSERT_GT(deep.size(), 4096u);
    FileIdentity identity;
    {
        // The chain's files are empty; the reader still opens and checks them.
        FileFacts facts;
        ASSERT_TRUE(ReadFileFacts(deep, facts));
        identity = SeenIdentity(facts);
    }
    ContentReader reader(4096);
    ContentHash hash;
    EXPECT_EQ(reader.hashWhole(deep, identity, &hash), ContentRead::Done);
    EXPECT_EQ(hash, HashBytes("", 0));
}

} // namespace
} // namespace quillon
