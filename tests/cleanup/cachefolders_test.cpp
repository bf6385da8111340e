#include "cleanup/cachefolders.h"
#include "platform/walker.h"
#include "shell/settings.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <unistd.h>

namespace quillon {
namespace {

const DateTime kNow = EncodeDateTime(2026, 3, 20, 15, 0, 0);

std::vector<std::string> Paths(const CacheClear& clear) {
    std::vector<std::string> out;
    for (const SeenFile& f : clear.files) out.push_back(f.path);
    return out;
}

TEST(CacheAge, WholeCalendarDaysSinceTheLastAccess) {
    struct Case {
        DateTime accessed;
        int64_t days;
    };
    const Case cases[] = {
        {kNoDate, -1},                                  // not recorded
        {EncodeDateTime(2026, 3, 20, 1, 0, 0), 0},      // today
        {EncodeDateTime(2026, 3, 19, 23, 59, 0), 1},    // yesterday, an hour ago
        {EncodeDateTime(2026, 3, 10, 15, 0, 0), 10},
        {EncodeDateTime(2025, 3, 20, 15, 0, 0), 365},
        {EncodeDateTime(2026, 4, 20, 15, 0, 0), 0},     // in the future: not old
    };
    for (const Case& c : cases) EXPECT_EQ(AccessAgeDays(c.accessed, kNow), c.days) << c.accessed;
}

class CacheCollectTest : public ::testing::Test {
protected:
    ~CacheCollectTest() override { SetWalkOpenFailureForTesting(nullptr); }
    std::string file(const std::string& relative, int64_t size, int daysAgo) {
        const DateTime when = kNow - daysAgo;
        return world.makeFile(relative, size, when, when);
    }
    test::TestWorld world;
};

TEST_F(CacheCollectTest, FilesOldEnoughRightInTheFolderAreCollected) {
    const std::string ten = file("cache/ten", 100, 10);
    const std::string eleven = file("cache/eleven", 200, 11);
    const std::string today = file("cache/today", 400, 0);
    const std::string hidden = file("cache/.hidden", 800, 30);
    file("cache/sub/old", 1600, 100); // sub-folders are not entered
    ASSERT_EQ(symlink("ten", world.path("cache/link").c_str()), 0);
    const std::vector<std::string> folders{world.path("cache")};

    CacheClear clear = CollectCacheFiles(folders, 10, kNow);
    EXPECT_EQ(Paths(clear), (std::vector<std::string>{hidden, eleven, ten}));
    EXPECT_EQ(clear.bytes, 1100);
    EXPECT_EQ(clear.foldersWithFiles, folders);
    ASSERT_TRUE(clear.files.front().seen);
    EXPECT_EQ(clear.files.front().seen->size, 800);

    clear = CollectCacheFiles(folders, 11, kNow);
    EXPECT_EQ(Paths(clear), (std::vector<std::string>{hidden, eleven}));
    clear = CollectCacheFiles(folders, 0, kNow);
    EXPECT_EQ(clear.files.size(), 4u) << "the limit 0 takes every file";
    clear = CollectCacheFiles(folders, 1000, kNow);
    EXPECT_TRUE(clear.files.empty());
    EXPECT_TRUE(clear.foldersWithFiles.empty());
}

TEST_F(CacheCollectTest, MissingUnreadableAndRepeatedFoldersBehave) {
    const std::string a = file("a/x", 1, 5);
    const std::string b = file("b/y", 1, 5);
    ASSERT_EQ(symlink(world.path("a").c_str(), world.path("alias").c_str()), 0);
    const std::string unreadable = world.path("b");
    SetWalkOpenFailureForTesting([unreadable](const std::string& f) { return f == unreadable; });
    const CacheClear clear =
        CollectCacheFiles({world.path("gone"), world.path("a"), world.path("alias"),
                           world.path("a/"), unreadable},
                          0, kNow);
    EXPECT_EQ(Paths(clear), std::vector<std::string>{a}) << "each folder is read once";
    EXPECT_EQ(clear.unreadable, std::vector<std::string>{unreadable});
    EXPECT_EQ(clear.foldersWithFiles, std::vector<std::string>{world.path("a")});
}

TEST_F(CacheCollectTest, PathsAreBuiltOnTheResolvedFolder) {
    file("real/cache/entry", 10, 3);
    ASSERT_EQ(symlink(world.path("real").c_str(), world.path("via").c_str()), 0);
    const CacheClear clear = CollectCacheFiles({world.path("via/cache")}, 0, kNow);
    EXPECT_EQ(Paths(clear), std::vector<std::string>{world.path("real/cache/entry")});
    EXPECT_EQ(clear.foldersWithFiles, std::vector<std::string>{world.path("via/cache")});
}

TEST_F(CacheCollectTest, TheListIsStoredAsBytes) {
    SettingsStore store = SettingsStore::Main();
    EXPECT_FALSE(ReadCacheFolders(store)) << "never saved";
    WriteCacheFolders(store, {"/x/cache", "/y/\xff odd"});
    EXPECT_EQ(ReadCacheFolders(store), (std::vector<std::string>{"/x/cache", "/y/\xff odd"}));
    WriteCacheFolders(store, {});
    EXPECT_EQ(ReadCacheFolders(store), std::vector<std::string>{});
    EXPECT_EQ(store.readInteger("CacheFiles", "Number", -1), 0);
    // A folder that is no whole path is left out: it would depend on where the program runs.
    WriteCacheFolders(store, {"Cache", "/z/cache", ""});
    EXPECT_EQ(ReadCacheFolders(store), std::vector<std::string>{"/z/cache"});
}

} // namespace
} // namespace quillon
