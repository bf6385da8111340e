#include "platform/walker.h"
#include "walk_recorder.h"
#include "support/deeptree.h"
#include "support/descriptor_limit.h"
#include "support/world.h"
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace quillon;
using quillon::test::TestWorld;

namespace {

using quillon::test::DeepChain;
using quillon::test::DescriptorLimit;
using quillon::test::Event;
using quillon::test::ExpectDepthFirstShape;
using quillon::test::FileSet;
using quillon::test::Kind;
using quillon::test::Recorder;

// Every walk test runs with one walker thread and with several.
class Walk : public ::testing::TestWithParam<unsigned> {};
INSTANTIATE_TEST_SUITE_P(Threads, Walk, ::testing::Values(1u, 4u));

// A small tree with everything the walk must leave alone next to what it must report.
struct Fixture {
    TestWorld world;
    std::string root;

    Fixture() {
        root = world.makeFolder("c/root");
        world.makeFile("c/root/top.txt", 10);
        world.makeFile("c/root/.dotfile", 11);
        world.makeFile("c/root/a/x.txt", 12);
        world.makeFile("c/root/a/X.LOG", 13);
        world.makeFile("c/root/a/a1/f.txt", 14);
        world.makeFile("c/root/b/y.dat", 1234);
        world.makeFile("c/root/.hidden/big.bin", 1 << 20);
        world.makeFolder("c/root/.hidden/inner");
        world.makeFile("c/root/.hidden/inner/big2.bin", 100);
        symlink("a", (root + "/linkdir").c_str());
        symlink("loop", (root + "/loop").c_str());
        symlink("..", (root + "/a/up").c_str());
        mkfifo((root + "/b/fifo").c_str(), 0644);
    }
};

} // namespace

TEST(MatchesMask, WindowsPatterns) {
    struct Case {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Case cases[] = {
        {"a.txt", "*.txt", true},
        {"A.TXT", "*.txt", true},
        {"a.txt", "*.TXT", true},
        {"a.txt.bak", "*.txt", false},
        {"atxt", "*.txt", false},
        {"x.tar.gz", "*.gz", true},
        {"x.tar.gz", "*.tar", false},
        {"README", "*.*", true},
        {".profile", "*.*", true},
        {"", "*", true},
        {"", "?", false},
        {"a", "a*", true},
        {"ba", "a*", false},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abbc", "a?c", false},
        {"README", "*.", true},
        {"a.txt", "*.", false},
        {"abc", "a*.*", true},
        {"abc.d", "a*.*", true},
        {"bcd", "a*.*", false},
        {"abc", "*b*", true},
        {"abc", "*d*", false},
        {"aaaaaaaaab", "*a*a*b", true},
        {"aaaaaaaaaa", "*a*a*b", false},
        {"mississippi", "m*iss*ppi", true},
        {"mississippi", "m*iss*ppx", false},
        {"Report 2024.DOC", "report ????.doc", true},
        // '?' is one character, also when UTF-8 takes several bytes for it.
        {"\xC3\xA9t\xC3\xA9.txt", "?t?.txt", true},
        {"\xE2\x82\xAC", "?", true},
        {"\xE2\x82\xAC", "??", false},
        {"\xE2\x82\xAC", "*??", false},
        {"a\xFF.txt", "a?.txt", true},
        {"a\xFF.txt", "*.TXT", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " ~ " + c.mask);
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches);
    }
}

TEST_P(Walk, SubFoldersFirstAndRootFilesLast) {
    Fixture fx;
    Recorder rec;
    ASSERT_TRUE(WalkTree(fx.root + "/", WalkOptions{}, rec, GetParam())); // trailing '/' is dropped

    const std::string& r = fx.root;
    ASSERT_FALSE(rec.events.empty());
    EXPECT_EQ(rec.events.front().kind, Kind::Enter);
    EXPECT_EQ(rec.events.front().folder, r);
    EXPECT_EQ(rec.events.back().folder, r);
    EXPECT_EQ(rec.events.back().kind, Kind::File);
    ExpectDepthFirstShape(rec.events);

    const std::vector<std::string> expectedFolders = {r, r + "/a", r + "/a/a1", r + "/b"};
    EXPECT_EQ(rec.folderSet(Kind::Enter), std::set<std::string>(expectedFolders.begin(),
                                                                 expectedFolders.end()));
    EXPECT_EQ(rec.count(Kind::Enter), 4u);
    EXPECT_EQ(rec.count(Kind::FilesOf), 4u);
    EXPECT_EQ(rec.files(), (FileSet{{r, "top.txt"},
                                    {r + "/a", "x.txt"},
                                    {r + "/a", "X.LOG"},
                                    {r + "/a/a1", "f.txt"},
                                    {r + "/b", "y.dat"}}));
    EXPECT_EQ(rec.sizes[r + "/b/y.dat"], 1234);
    EXPECT_EQ(rec.sizes[r + "/a/a1/f.txt"], 14);
}

TEST_P(Walk, OptionsChooseTheFilesButNeverTheFolders) {
    struct Case {
        const char* label;
        WalkOptions options;
        FileSet extra; // besides the ordinary files: relative folder, name
        bool ordinary; // the ordinary files of the fixture are reported
    };
    WalkOptions hidden;
    hidden.hiddenFiles = true;
    WalkOptions system;
    system.systemFiles = true;
    WalkOptions txt;
    txt.mask = "*.TXT";
    const Case cases[] = {
        {"defaults", {}, {}, true},
        {"hidden files", hidden, {{"", ".dotfile"}}, true},
        // Links (to a folder, to itself, to the parent) and the FIFO are
        // entries of their own: reported, never entered.
        {"system files",
         system,
         {{"", "linkdir"}, {"", "loop"}, {"/a", "up"}, {"/b", "fifo"}},
         true},
        {"mask", txt, {{"", "top.txt"}, {"/a", "x.txt"}, {"/a/a1", "f.txt"}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Fixture fx;
        const std::string& r = fx.root;
        Recorder rec;
        ASSERT_TRUE(WalkTree(r, c.options, rec, GetParam()));
        FileSet expected;
        if (c.ordinary)
            expected = {{r, "top.txt"},
                        {r + "/a", "x.txt"},
                        {r + "/a", "X.LOG"},
                        {r + "/a/a1", "f.txt"},
                        {r + "/b", "y.dat"}};
        for (const auto& [folder, name] : c.extra)
            expected.insert({r + folder, name});
        EXPECT_EQ(rec.files(), expected);
        EXPECT_EQ(rec.folderSet(Kind::Enter),
                  (std::set<std::string>{r, r + "/a", r + "/a/a1", r + "/b"}));
        ExpectDepthFirstShape(rec.events);
    }
}

TEST_P(Walk, AbortStopsAtTheNextCheck) {
    TestWorld world;
    const std::string root = world.makeFolder("c/r");
    for (const char* folder : {"s1", "s2", "s3"})
        for (const char* file : {"f1", "f2", "f3"})
            world.makeFile(std::string("c/r/") + folder + "/" + file);
    world.makeFile("c/r/top1");
    world.makeFile("c/r/top2");

    {
        SCOPED_TRACE("after the first file");
        Recorder rec;
        rec.stopWhen = [](const Recorder& r) { return r.count(Kind::File) >= 1; };
        ASSERT_TRUE(WalkTree(root, WalkOptions{}, rec, GetParam()));
        ASSERT_EQ(rec.count(Kind::File), 1u);
        EXPECT_EQ(rec.events.back().kind, Kind::File) << "nothing may follow the first file";
        EXPECT_EQ(rec.count(Kind::Enter), 2u); // the root and the first sub-folder
    }
    {
        SCOPED_TRACE("before the start");
        Recorder rec;
        rec.stopWhen = [](const Recorder&) { return true; };
        EXPECT_TRUE(WalkTree(root, WalkOptions{}, rec, GetParam())); // the root was there: no drive error
        EXPECT_TRUE(rec.events.empty());
    }
    {
        SCOPED_TRACE("after the first folder's files");
        Recorder rec;
        rec.stopWhen = [](const Recorder& r) { return r.count(Kind::File) >= 3; };
        ASSERT_TRUE(WalkTree(root, WalkOptions{}, rec, GetParam()));
        EXPECT_EQ(rec.count(Kind::File), 3u);
        EXPECT_EQ(rec.count(Kind::Enter), 2u);
        EXPECT_EQ(rec.count(Kind::FilesOf), 1u);
    }
}

TEST_P(Walk, SkipEmptyFoldersLeavesOutFoldersWithoutAnyEntry) {
    TestWorld world;
    const std::string root = world.makeFolder("c/r");
    world.makeFolder("c/r/empty");
    world.makeFile("c/r/onlyhidden/.x");
    world.makeFolder("c/r/onlyfolder/sub");
    world.makeFile("c/r/full/f");

    for (const bool skip : {false, true}) {
        SCOPED_TRACE(skip ? "skip" : "keep");
        WalkOptions options;
        options.skipEmptyFolders = skip;
        Recorder rec;
        ASSERT_TRUE(WalkTree(root, options, rec, GetParam()));
        std::set<std::string> expected = {root, root + "/onlyhidden", root + "/onlyfolder",
                                          root + "/full"};
        if (!skip) {
            expected.insert(root + "/empty");
            expected.insert(root + "/onlyfolder/sub");
        }
        EXPECT_EQ(rec.folderSet(Kind::FilesOf), expected);
        EXPECT_EQ(rec.files(), (FileSet{{root + "/full", "f"}}));
    }
}

TEST_P(Walk, RootThatCannotBeOpenedIsReported) {
    TestWorld world;
    const std::string root = world.makeFolder("c/r");
    world.makeFile("c/r/f");
    const std::string plainFile = world.makeFile("c/plain");

    for (const std::string& bad : {world.path("c/missing"), plainFile}) {
        Recorder rec;
        EXPECT_FALSE(WalkTree(bad, WalkOptions{}, rec, GetParam())) << bad;
        EXPECT_TRUE(rec.events.empty());
    }

    SetWalkOpenFailureForTesting([&](const std::string& folder) { return folder == root; });
    Recorder rec;
    const bool opened = WalkTree(root, WalkOptions{}, rec, GetParam());
    SetWalkOpenFailureForTesting(nullptr);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(rec.events.empty());
}

TEST_P(Walk, SubFolderThatCannotBeOpenedIsSkippedSilently) {
    Fixture fx;
    const std::string& r = fx.root;
    SetWalkOpenFailureForTesting([&](const std::string& folder) { return folder == r + "/a"; });
    Recorder rec;
    const bool opened = WalkTree(r, WalkOptions{}, rec, GetParam());
    SetWalkOpenFailureForTesting(nullptr);
    EXPECT_TRUE(opened);
    EXPECT_EQ(rec.folderSet(Kind::Enter), (std::set<std::string>{r, r + "/b"}));
    EXPECT_EQ(rec.files(), (FileSet{{r, "top.txt"}, {r + "/b", "y.dat"}}));
}

TEST_P(Walk, NamesAreBytes) {
    TestWorld world;
    const std::string root = world.makeFolder("c/r");
    const std::string longName(255, 'n');
    const std::vector<std::string> names = {"new\nline", "tab\there", " leading blank",
                                            longName, "bad\xFF\xFE.txt"};
    const std::string odd = "odd\xFF folder\n";
    FileSet expected;
    for (const std::string& name : names) {
        world.makeFile("c/r/" + name, 1);
        world.makeFile("c/r/" + odd + "/" + name, 2);
        expected.insert({root, name});
        expected.insert({root + "/" + odd, name});
    }
    Recorder rec;
    ASSERT_TRUE(WalkTree(root, WalkOptions{}, rec, GetParam()));
    EXPECT_EQ(rec.files(), expected);
    EXPECT_EQ(rec.sizes[root + "/" + odd + "/" + longName], 2);
}

TEST_P(Walk, NeverEntersAnotherDevice) {
    // Tests cannot mount; /dev usually holds mount points of its own (shm, pts).
    struct stat top {};
    if (lstat("/dev", &top) != 0) GTEST_SKIP() << "no /dev";
    std::set<std::string> same, other;
    DIR* dir = opendir("/dev");
    if (!dir) GTEST_SKIP() << "cannot read /dev";
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name[0] == '.') continue;
        struct stat st {};
        if (lstat(("/dev/" + name).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        (st.st_dev == top.st_dev ? same : other).insert("/dev/" + name);
    }
    closedir(dir);
    if (other.empty()) GTEST_SKIP() << "no folder in /dev lies on another device";

    Recorder rec;
    ASSERT_TRUE(WalkTree("/dev", WalkOptions{}, rec, GetParam()));
    const std::set<std::string> entered = rec.folderSet(Kind::Enter);
    for (const std::string& folder : other)
        EXPECT_EQ(entered.count(folder), 0u) << folder << " lies on another device";
    for (const std::string& folder : same)
        EXPECT_EQ(entered.count(folder), 1u) << folder << " lies on the same device";
}

TEST_P(Walk, TreeDeeperThanAnyPathIsWalkedWithFewDescriptors) {
    TestWorld world;
    const std::string root = world.makeFolder("c/r");
    constexpr size_t kLevels = 300;
    std::vector<std::string> names;
    for (size_t i = 0; i < kLevels; ++i) {
        std::string name = "level-" + std::to_string(i);
        name.resize(20, 'x');
        names.push_back(name);
    }
    DeepChain chain(root, names);
    ASSERT_GT(chain.folder(kLevels).size(), 4096u);

    Recorder rec;
    {
        // One descriptor per level would need more than this.
        DescriptorLimit limit(128);
        if (!limit.ok()) GTEST_SKIP() << "cannot lower RLIMIT_NOFILE";
        ASSERT_TRUE(WalkTree(root, WalkOptions{}, rec, GetParam()));
    }
    FileSet expected;
    for (size_t depth = 1; depth <= kLevels; ++depth)
        expected.insert({chain.folder(depth), "f"});
    EXPECT_EQ(rec.files(), expected);
    ASSERT_FALSE(rec.events.empty());
    // The deepest folder's file is the first one; the shallow folders' files,
    // examined through folders opened again on the way up, come after it.
    const auto first = std::find_if(rec.events.begin(), rec.events.end(),
                                    [](const Event& e) { return e.kind == Kind::File; });
    ASSERT_NE(first, rec.events.end());
    EXPECT_EQ(first->folder, chain.folder(kLevels));
    ExpectDepthFirstShape(rec.events);
}
