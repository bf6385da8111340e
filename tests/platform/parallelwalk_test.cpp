#include "platform/parallelwalk.h"
#include "support/descriptor_limit.h"
#include "support/world.h"
#include "walk_recorder.h"
#include <atomic>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillon;
using quillon::test::DescriptorLimit;
using quillon::test::Event;
using quillon::test::ExpectDepthFirstShape;
using quillon::test::FileSet;
using quillon::test::Kind;
using quillon::test::Recorder;
using quillon::test::TestWorld;

namespace {

// Folders of uneven width and depth, files of several sizes, a hidden folder,
// an empty one and a link: enough that several walkers overtake each other.
std::string MakeMixedTree(TestWorld& world) {
    const std::string root = world.makeFolder("c/mixed");
    for (int a = 0; a < 6; ++a) {
        const std::string top = "c/mixed/t" + std::to_string(a);
        world.makeFile(top + "/own.txt", 10 + a);
        for (int b = 0; b < a; ++b) {
            const std::string mid = top + "/m" + std::to_string(b);
            for (int f = 0; f < 3; ++f)
                world.makeFile(mid + "/f" + std::to_string(f) + ".dat", 100 * b + f);
            if (b % 2 == 0) world.makeFile(mid + "/deep/er/x.bin", 7);
        }
    }
    world.makeFolder("c/mixed/empty");
    world.makeFile("c/mixed/.hidden/no.txt", 1);
    world.makeFile("c/mixed/root.txt", 3);
    symlink("t1", (root + "/link").c_str());
    return root;
}

// Removes a tree through descriptors, however deep.
void RemoveTreeAt(int parent, const char* name) {
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd >= 0) {
        DIR* dir = fdopendir(dup(fd));
        std::vector<std::string> names;
        while (dir) {
            const dirent* e = readdir(dir);
            if (!e) break;
            const std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        if (dir) closedir(dir);
        for (const std::string& n : names)
            if (unlinkat(fd, n.c_str(), 0) != 0) RemoveTreeAt(fd, n.c_str());
        close(fd);
    }
    unlinkat(parent, name, AT_REMOVEDIR);
}

// Files and bytes per folder, summed by each walker on its own thread.
class FolderTally : public WalkTally {
public:
    std::map<std::string, std::pair<size_t, int64_t>> perFolder;
    void add(const WalkBatch& batch) override {
        auto& [files, bytes] = perFolder[batch.folder];
        files += batch.files.size();
        bytes += batch.bytes;
    }
    void merge(const WalkTally& other) override {
        for (const auto& [folder, sums] : static_cast<const FolderTally&>(other).perFolder) {
            auto& [files, bytes] = perFolder[folder];
            files += sums.first;
            bytes += sums.second;
        }
    }
};

std::vector<Event> Steps(const std::string& root, const WalkOptions& options, unsigned threads) {
    Recorder rec;
    EXPECT_TRUE(WalkTree(root, options, rec, threads));
    return rec.events;
}

void ExpectNoFileTwice(const std::vector<Event>& events) {
    std::set<std::pair<std::string, std::string>> seen;
    for (const Event& e : events) {
        if (e.kind != Kind::File) continue;
        EXPECT_TRUE(seen.insert({e.folder, e.name}).second) << e.folder << "/" << e.name;
    }
}

} // namespace

TEST(ParallelWalk, EveryThreadCountHandsOverTheSameStepsInTheSameOrder) {
    TestWorld world;
    const std::string root = MakeMixedTree(world);
    WalkOptions all;
    all.hiddenFiles = true;
    all.systemFiles = true;
    WalkOptions hiddenFolders;
    hiddenFolders.hiddenFolders = true;
    WalkOptions masked;
    masked.mask = "*.dat";
    masked.skipEmptyFolders = true;
    for (const WalkOptions& options : {WalkOptions{}, all, hiddenFolders, masked}) {
        SCOPED_TRACE(options.mask);
        const std::vector<Event> one = Steps(root, options, 1);
        ExpectDepthFirstShape(one);
        ASSERT_GT(one.size(), 40u);
        for (const unsigned threads : {2u, 4u, 8u}) {
            SCOPED_TRACE(threads);
            const std::vector<Event> many = Steps(root, options, threads);
            ASSERT_EQ(many.size(), one.size());
            for (size_t i = 0; i < one.size(); ++i) {
                EXPECT_EQ(many[i].kind, one[i].kind) << i;
                EXPECT_EQ(many[i].folder, one[i].folder) << i;
                EXPECT_EQ(many[i].name, one[i].name) << i;
            }
        }
    }
    Recorder rec;
    ASSERT_TRUE(WalkTree(root, hiddenFolders, rec, 4));
    EXPECT_EQ(rec.files().count({root + "/.hidden", "no.txt"}), 1u) << "hidden folders when asked";
}

TEST(ParallelWalk, NameTestRefusesFilesOnEveryWalker) {
    TestWorld world;
    const std::string root = MakeMixedTree(world);
    WalkOptions named;
    named.hiddenFolders = true;
    named.nameTest = [](std::string_view name) { return name.ends_with(".txt"); };
    const std::vector<Event> one = Steps(root, named, 1);
    for (const unsigned threads : {1u, 4u}) {
        Recorder rec;
        ASSERT_TRUE(WalkTree(root, named, rec, threads));
        const FileSet files = rec.files();
        EXPECT_EQ(files.size(), 8u) << "six own.txt, root.txt and .hidden/no.txt";
        for (const auto& [folder, name] : files) EXPECT_TRUE(name.ends_with(".txt")) << name;
        EXPECT_EQ(Steps(root, named, threads).size(), one.size());
    }
}

TEST(ParallelWalk, PerThreadTalliesMergeToTheWholeWalksSums) {
    TestWorld world;
    const std::string root = MakeMixedTree(world);
    Recorder rec;
    ASSERT_TRUE(WalkTree(root, WalkOptions{}, rec, 1));
    std::map<std::string, std::pair<size_t, int64_t>> expected;
    for (const auto& [path, size] : rec.sizes) {
        auto& [files, bytes] = expected[path.substr(0, path.rfind('/'))];
        ++files;
        bytes += size;
    }
    for (const std::string& folder : rec.folders(Kind::FilesOf)) expected[folder]; // empty ones too

    for (const bool handOver : {true, false}) {
        SCOPED_TRACE(handOver ? "with batches" : "tallies only");
        std::atomic<int> made{0};
        ParallelWalk walk(WalkOptions{}, 4, [&]() -> std::unique_ptr<WalkTally> {
            ++made;
            return std::make_unique<FolderTally>();
        }, handOver);
        ASSERT_TRUE(walk.start(root));
        WalkStep step;
        size_t steps = 0;
        ParallelWalk::Wait got;
        while ((got = walk.next(step, std::chrono::milliseconds(1000))) !=
               ParallelWalk::Wait::Finished)
            if (got == ParallelWalk::Wait::Step) ++steps;
        EXPECT_EQ(steps, handOver ? 2 * expected.size() : 0u);
        const std::unique_ptr<WalkTally> total = walk.mergedTally();
        ASSERT_NE(total, nullptr);
        EXPECT_EQ(made, 4);
        EXPECT_EQ(static_cast<FolderTally&>(*total).perFolder, expected);
    }
}

TEST(ParallelWalk, TreeChangingDuringTheWalkNeverLeavesTheDriveOrListsTwice) {
    // The hook is asked right before a folder is opened, after its parent was
    // listed: the moment the tree changes under the walk.
    struct Case {
        const char* label;
        // Done once, when the walk is about to open `c/r/victim`.
        std::function<void(TestWorld&)> change;
        FileSet expectedVictim; // the victim's files listed afterwards
    };
    const Case cases[] = {
        {"removed", [](TestWorld& w) { RemoveTreeAt(AT_FDCWD, w.path("c/r/victim").c_str()); },
         {}},
        {"renamed out of the drive",
         [](TestWorld& w) {
             rename(w.path("c/r/victim").c_str(), w.path("outside/moved").c_str());
         },
         {}},
        {"replaced by a link out of the drive",
         [](TestWorld& w) {
             rename(w.path("c/r/victim").c_str(), w.path("outside/moved").c_str());
             symlink(w.path("outside").c_str(), w.path("c/r/victim").c_str());
         },
         {}},
        {"grows a folder while read",
         [](TestWorld& w) { w.makeFile("c/r/victim/new/n.txt", 1); },
         {{"/victim", "v.txt"}, {"/victim/sub", "s.txt"}, {"/victim/new", "n.txt"}}},
    };
    for (const unsigned threads : {1u, 4u}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.label) + " " + std::to_string(threads));
            TestWorld world;
            const std::string root = world.makeFolder("c/r");
            world.makeFile("outside/secret.txt", 99);
            world.makeFile("c/r/keep/k.txt", 1);
            world.makeFile("c/r/victim/v.txt", 2);
            world.makeFile("c/r/victim/sub/s.txt", 3);
            world.makeFile("c/r/top.txt", 4);
            std::once_flag once;
            const std::string victim = root + "/victim";
            SetWalkOpenFailureForTesting([&](const std::string& folder) {
                if (folder == victim) std::call_once(once, [&] { c.change(world); });
                return false;
            });
            Recorder rec;
            const bool opened = WalkTree(root, WalkOptions{}, rec, threads);
            SetWalkOpenFailureForTesting(nullptr);
            ASSERT_TRUE(opened);
            ExpectNoFileTwice(rec.events);
            FileSet expected = {{root + "/keep", "k.txt"}, {root, "top.txt"}};
            for (const auto& [folder, name] : c.expectedVictim) expected.insert({root + folder, name});
            EXPECT_EQ(rec.files(), expected);
            for (const std::string& folder : rec.folderSet(Kind::Enter))
                EXPECT_EQ(folder.rfind(root, 0), 0u) << folder << " lies outside the drive";
        }
    }
}

TEST(ParallelWalk, HundredThousandEntriesInOneFolder) {
    TestWorld world;
    const std::string root = world.makeFolder("c/big");
    const int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    constexpr int kFiles = 100'000;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "file-" + std::to_string(i) + (i % 1000 == 0 ? "\xFF" : "");
        close(openat(fd, name.c_str(), O_WRONLY | O_CREAT, 0644));
    }
    mkdirat(fd, "sub", 0755);
    close(openat(fd, "sub/one", O_WRONLY | O_CREAT, 0644));
    close(fd);
    Recorder rec;
    ASSERT_TRUE(WalkTree(root, WalkOptions{}, rec, 4));
    ExpectNoFileTwice(rec.events);
    EXPECT_EQ(rec.count(Kind::File), static_cast<size_t>(kFiles) + 1);
    EXPECT_EQ(rec.files().count({root, "file-1000\xFF"}), 1u);
    ExpectDepthFirstShape(rec.events);
}

TEST(ParallelWalk, WideTreeDeeperThanAnyPathFindsParentsAgainWithFewDescriptors) {
    // Every level holds the next level and a side folder, so many parents wait
    // for a second sub-folder at once: more than the walk keeps open, so the
    // deeper ones are found again by name.
    TestWorld world;
    const std::string root = world.makeFolder("c/wide");
    constexpr size_t kLevels = 200;
    const std::string level(24, 'L');
    FileSet expected;
    {
        int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
        std::string path = root;
        for (size_t i = 0; i < kLevels; ++i) {
            // Several side folders: whatever order the file system lists
            // them in, some come after the next level.
            for (const char* side : {"s1", "s2", "s3", "s4", "s5", "s6"}) {
                mkdirat(fd, side, 0755);
                close(openat(fd, (std::string(side) + "/g").c_str(), O_WRONLY | O_CREAT, 0644));
                expected.insert({path + "/" + side, "g"});
            }
            mkdirat(fd, level.c_str(), 0755);
            const int next = openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY);
            close(fd);
            ASSERT_GE(next, 0);
            fd = next;
            path += "/" + level;
            close(openat(fd, "f", O_WRONLY | O_CREAT, 0644));
            expected.insert({path, "f"});
        }
        close(fd);
    }
    for (const unsigned threads : {1u, 8u}) {
        SCOPED_TRACE(threads);
        DescriptorLimit limit(128);
        if (!limit.ok()) GTEST_SKIP() << "cannot lower RLIMIT_NOFILE";
        ParallelWalk walk(WalkOptions{}, threads);
        ASSERT_TRUE(walk.start(root));
        FileSet found;
        WalkStep step;
        ParallelWalk::Wait got;
        while ((got = walk.next(step, std::chrono::milliseconds(1000))) !=
               ParallelWalk::Wait::Finished) {
            if (got != ParallelWalk::Wait::Step || step.kind != WalkStep::Kind::Files) continue;
            for (const WalkFile& file : step.batch->files)
                EXPECT_TRUE(found.insert({step.batch->folder, std::string(step.batch->name(file))})
                                .second);
        }
        EXPECT_EQ(found, expected);
        EXPECT_GT(walk.foldersFoundAgain(), 0u) << "the tree did not need parents found again";
    }
    RemoveTreeAt(AT_FDCWD, (root + "/" + level).c_str());
}

TEST(ParallelWalk, AbortFromAnotherThreadEndsEveryWalker) {
    TestWorld world;
    const std::string root = MakeMixedTree(world);
    // The first walker to open a sub-folder aborts the walk itself.
    ParallelWalk* running = nullptr;
    std::atomic<int> opens{0};
    SetWalkOpenFailureForTesting([&](const std::string&) {
        if (++opens == 2) running->abort();
        return false;
    });
    ParallelWalk walk(WalkOptions{}, 4, [] { return std::make_unique<FolderTally>(); });
    running = &walk;
    ASSERT_TRUE(walk.start(root));
    WalkStep step;
    ParallelWalk::Wait got;
    size_t files = 0;
    while ((got = walk.next(step, std::chrono::milliseconds(1000))) !=
           ParallelWalk::Wait::Finished)
        if (got == ParallelWalk::Wait::Step && step.kind == WalkStep::Kind::Files)
            files += step.batch->files.size();
    SetWalkOpenFailureForTesting(nullptr);
    EXPECT_TRUE(walk.aborted());
    // The root's own files come last: an aborted walk never gets there.
    EXPECT_LT(files, 5u);
    EXPECT_NE(walk.mergedTally(), nullptr) << "every walker has ended";
}
