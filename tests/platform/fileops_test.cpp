#include "platform/fileops.h"
#include "platform/paths.h"
#include "support/deeptree.h"
#include "support/descriptor_limit.h"
#include "support/listing.h"
#include "support/world.h"
#include <sys/mount.h>
#include <algorithm>
#include <cstring>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace quillon;
using quillon::test::ListFolder;
using quillon::test::TestWorld;

namespace {

using quillon::test::DeepChain;
using quillon::test::DescriptorLimit;

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Switches the failure hook off again whatever way a test ends.
struct FailureScope {
    explicit FailureScope(std::function<int(std::string_view, const std::string&)> fails) {
        SetFileOpFailureForTesting(std::move(fails));
    }
    ~FailureScope() { SetFileOpFailureForTesting({}); }
};

class OpenFolder {
public:
    explicit OpenFolder(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_DIRECTORY)) {}
    ~OpenFolder() {
        if (fd_ >= 0) close(fd_);
    }
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace

TEST(FileOps, DeleteRemoveAndClearReadOnly) {
    TestWorld world;
    const std::string file = world.makeFile("c/f.txt", 5, std::nullopt, std::nullopt, 0444);
    const std::string target = world.makeFile("c/target.txt", 5, std::nullopt, std::nullopt, 0444);
    const std::string link = world.path("c/link");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    const std::string empty = world.makeFolder("c/empty", 0555);
    const std::string full = world.makeFolder("c/full");
    world.makeFile("c/full/x");

    // chmod u+w keeps the other bits; through a link nothing changes.
    EXPECT_EQ(ClearReadOnlyPath(file), 0);
    EXPECT_EQ(ModeOf(file), 0644u);
    EXPECT_EQ(ClearReadOnlyPath(empty), 0);
    EXPECT_EQ(ModeOf(empty), 0755u);
    EXPECT_EQ(ClearReadOnlyPath(link), 0);
    EXPECT_EQ(ModeOf(target), 0444u);
    EXPECT_EQ(ClearReadOnlyPath(world.path("c/none")), ENOENT);

    EXPECT_EQ(DeleteFilePath(link), 0);
    EXPECT_FALSE(PathExists(link));
    EXPECT_TRUE(PathExists(target));
    EXPECT_EQ(DeleteFilePath(file), 0);
    EXPECT_FALSE(PathExists(file));
    EXPECT_EQ(DeleteFilePath(file), ENOENT);
    EXPECT_EQ(DeleteFilePath(full), EISDIR);

    EXPECT_EQ(RemoveFolderPath(full), ENOTEMPTY);
    EXPECT_EQ(RemoveFolderPath(empty), 0);
    EXPECT_FALSE(PathExists(empty));
}

TEST(FileOps, AtVariantsWorkRelativeToTheOpenFolder) {
    TestWorld world;
    const std::string folder = world.makeFolder("c/dir");
    world.makeFile("c/dir/ro", 1, std::nullopt, std::nullopt, 0400);
    world.makeFolder("c/dir/sub");
    const std::string target = world.makeFile("c/target", 1, std::nullopt, std::nullopt, 0400);
    ASSERT_EQ(symlink(target.c_str(), (folder + "/link").c_str()), 0);
    OpenFolder dir(folder);
    ASSERT_GE(dir.fd(), 0);

    EXPECT_EQ(ClearReadOnlyAt(dir.fd(), folder, "ro"), 0);
    EXPECT_EQ(ModeOf(folder + "/ro"), 0600u);
    EXPECT_EQ(ClearReadOnlyAt(dir.fd(), folder, "link"), 0);
    EXPECT_EQ(ModeOf(target), 0400u);
    EXPECT_EQ(DeleteFileAt(dir.fd(), folder, "link"), 0);
    EXPECT_EQ(ModeOf(target), 0400u);
    EXPECT_EQ(DeleteFileAt(dir.fd(), folder, "ro"), 0);
    EXPECT_EQ(DeleteFileAt(dir.fd(), folder, "sub"), EISDIR);
    EXPECT_EQ(RemoveFolderAt(dir.fd(), folder, "sub"), 0);
    EXPECT_EQ(RemoveFolderAt(dir.fd(), folder, "sub"), ENOENT);
    EXPECT_TRUE(ListFolder(folder).empty());
}

TEST(FileOps, InjectedFailuresNameTheFullPathAndTouchNothing) {
    TestWorld world;
    const std::string folder = world.makeFolder("c/dir");
    const std::string file = world.makeFile("c/dir/f", 1, std::nullopt, std::nullopt, 0444);
    world.makeFolder("c/dir/sub");
    std::vector<std::pair<std::string, std::string>> asked;
    FailureScope scope([&](std::string_view operation, const std::string& path) {
        asked.emplace_back(operation, path);
        return operation == "unlink" ? EACCES : operation == "rmdir" ? EBUSY : EPERM;
    });
    OpenFolder dir(folder);
    ASSERT_GE(dir.fd(), 0);

    EXPECT_EQ(DeleteFilePath(file), EACCES);
    EXPECT_EQ(DeleteFileAt(dir.fd(), folder, "f"), EACCES);
    EXPECT_EQ(ClearReadOnlyPath(file), EPERM);
    EXPECT_EQ(ClearReadOnlyAt(dir.fd(), folder, "f"), EPERM);
    EXPECT_EQ(RemoveFolderPath(folder + "/sub"), EBUSY);
    EXPECT_EQ(RemoveFolderAt(dir.fd(), folder + "/", "sub"), EBUSY); // no doubled '/'

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"unlink", file},         {"unlink", file},
        {"chmod", file},          {"chmod", file},
        {"rmdir", folder + "/sub"}, {"rmdir", folder + "/sub"},
    };
    EXPECT_EQ(asked, expected);
    EXPECT_EQ(ModeOf(file), 0444u);
    EXPECT_EQ(ListFolder(folder), (std::set<std::string>{"f", "sub"}));
}

namespace {

struct Event {
    bool done; // folderDone, else entry
    std::string folder;
    std::string name;
    std::string path() const { return folder == "/" ? "/" + name : folder + "/" + name; }
};

// Writes every call down; can remove what it is shown and stop after a while.
class Recorder : public RemovalVisitor {
public:
    bool remove = false;
    size_t stopAfter = SIZE_MAX; // entries
    std::vector<Event> events;
    std::vector<std::string> problems;
    size_t entries = 0;
    bool stopped = false;

    bool aborted() override { return stopped = entries >= stopAfter; }
    void entry(int dirfd, const std::string& folder, const std::string& name,
               const FileFacts& facts) override {
        if (stopped) problems.push_back("entry after the abort: " + name);
        ++entries;
        events.push_back({false, folder, name});
        // The descriptor is the folder's own: the entry is found through it.
        struct stat st {};
        if (fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || st.st_ino != facts.inode)
            problems.push_back("entry not in its folder: " + folder + "/" + name);
        if (S_ISDIR(facts.mode)) problems.push_back("folder given as an entry: " + name);
        if (remove && DeleteFileAt(dirfd, folder, name.c_str()) != 0)
            problems.push_back("cannot delete " + folder + "/" + name);
    }
    void folderDone(int dirfd, const std::string& folder, const std::string& name) override {
        if (stopped) problems.push_back("folder done after the abort: " + name);
        events.push_back({true, folder, name});
        struct stat st {};
        if (fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode))
            problems.push_back("folder not in its parent: " + folder + "/" + name);
        if (remove && RemoveFolderAt(dirfd, folder, name.c_str()) != 0)
            problems.push_back("cannot remove " + folder + "/" + name);
    }

    std::set<std::string> paths(bool done) const {
        std::set<std::string> out;
        for (const Event& e : events)
            if (e.done == done) out.insert(e.path());
        return out;
    }
};

bool Below(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

// Everything below a folder is reported before the folder is done, and
// nothing below it afterwards.
void ExpectChildrenBeforeParents(const std::vector<Event>& events) {
    for (size_t i = 0; i < events.size(); ++i) {
        if (!events[i].done) continue;
        const std::string folder = events[i].path();
        for (size_t j = i + 1; j < events.size(); ++j)
            EXPECT_FALSE(Below(events[j].path(), folder) || events[j].path() == folder)
                << events[j].path() << " after " << folder << " was done";
    }
}

// top/{a.txt, .hidden, fifo, sub/{b.txt, .h/{c}, empty/}, out-dir -> outside/, out-file -> outside/keep}
struct Tree {
    TestWorld world;
    std::string top;
    std::string outside;

    Tree() {
        top = world.makeFolder("c/top");
        outside = world.makeFolder("c/outside");
        world.makeFile("c/outside/keep", 3);
        world.makeFile("c/top/a.txt", 1);
        world.makeFile("c/top/.hidden", 1);
        world.makeFile("c/top/sub/b.txt", 1, std::nullopt, std::nullopt, 0444);
        world.makeFile("c/top/sub/.h/c", 1);
        world.makeFolder("c/top/sub/empty");
        mkfifo((top + "/fifo").c_str(), 0644);
        symlink(outside.c_str(), (top + "/out-dir").c_str());
        symlink((outside + "/keep").c_str(), (top + "/out-file").c_str());
    }
};

} // namespace

TEST(WalkTreeForRemoval, ReportsEveryEntryAndEachFolderAfterItsContent) {
    Tree tree;
    const std::string& t = tree.top;
    Recorder rec;
    ASSERT_TRUE(WalkTreeForRemoval(t + "/", rec)); // trailing '/' is dropped
    EXPECT_TRUE(rec.problems.empty()) << rec.problems.front();

    EXPECT_EQ(rec.paths(false),
              (std::set<std::string>{t + "/a.txt", t + "/.hidden", t + "/fifo", t + "/out-dir",
                                     t + "/out-file", t + "/sub/b.txt", t + "/sub/.h/c"}));
    // The top itself is not reported; the links are entries, never entered.
    EXPECT_EQ(rec.paths(true), (std::set<std::string>{t + "/sub", t + "/sub/.h", t + "/sub/empty"}));
    EXPECT_EQ(rec.events.size(), 10u); // each once
    ExpectChildrenBeforeParents(rec.events);
}

TEST(WalkTreeForRemoval, RemovingVisitorEmptiesTheTreeButNotWhatLinksPointTo) {
    Tree tree;
    Recorder rec;
    rec.remove = true;
    ASSERT_TRUE(WalkTreeForRemoval(tree.top, rec));
    EXPECT_TRUE(rec.problems.empty()) << rec.problems.front();
    EXPECT_TRUE(ListFolder(tree.top).empty());
    EXPECT_EQ(ListFolder(tree.outside), std::set<std::string>{"keep"});
    EXPECT_EQ(ModeOf(tree.outside + "/keep"), 0644u);
}

TEST(WalkTreeForRemoval, BigFolderIsEmptiedWhileItIsRemovedFrom) {
    // More names than one read of the folder returns: removing while reading
    // must not skip any.
    TestWorld world;
    const std::string top = world.makeFolder("c/big");
    const int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 3000; ++i)
        close(openat(fd, ("file-with-a-longish-name-" + std::to_string(i)).c_str(), O_WRONLY | O_CREAT, 0644));
    close(fd);
    Recorder rec;
    rec.remove = true;
    ASSERT_TRUE(WalkTreeForRemoval(top, rec));
    EXPECT_EQ(rec.entries, 3000u);
    EXPECT_TRUE(ListFolder(top).empty());
}

TEST(WalkTreeForRemoval, TopThatIsALinkOrBehindOneOrMissingIsRefused) {
    Tree tree;
    const std::string link = tree.world.path("c/link-to-top");
    ASSERT_EQ(symlink(tree.top.c_str(), link.c_str()), 0);
    // A link above the top: the folder reached through it is not walked either.
    const std::string above = tree.world.path("c/up");
    ASSERT_EQ(symlink(tree.world.path("c").c_str(), above.c_str()), 0);
    for (const std::string& top :
         {link, above + "/top", tree.world.path("c/missing"), tree.top + "/a.txt"}) {
        SCOPED_TRACE(top);
        Recorder rec;
        rec.remove = true;
        EXPECT_FALSE(WalkTreeForRemoval(top, rec));
        EXPECT_TRUE(rec.events.empty());
    }
    EXPECT_TRUE(PathExists(tree.top + "/sub/b.txt"));
}

TEST(WalkTreeForRemoval, AbortStopsBeforeTheNextEntry) {
    // The top holds five entries, sub/ one and sub/.h/ one.
    for (const size_t stop : {0u, 1u, 4u, 6u}) {
        SCOPED_TRACE(stop);
        Tree tree;
        Recorder rec;
        rec.stopAfter = stop;
        rec.remove = true;
        ASSERT_TRUE(WalkTreeForRemoval(tree.top, rec));
        EXPECT_TRUE(rec.stopped);
        EXPECT_EQ(rec.entries, stop);
        EXPECT_TRUE(rec.problems.empty()) << rec.problems.front();
        EXPECT_TRUE(PathExists(tree.top + "/sub/.h/c"));
    }
}

TEST(WalkTreeForRemoval, FolderOnAnotherDeviceIsNotEntered) {
    // Tests cannot mount; /dev usually holds mount points of its own (shm,
    // pts, mqueue). The visitor only looks.
    struct stat top {};
    if (lstat("/dev", &top) != 0) GTEST_SKIP() << "no /dev";
    std::set<std::string> same;
    std::set<std::string> other;
    DIR* dir = opendir("/dev");
    if (!dir) GTEST_SKIP() << "cannot read /dev";
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (lstat(("/dev/" + name).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        (st.st_dev == top.st_dev ? same : other).insert("/dev/" + name);
    }
    closedir(dir);
    if (other.empty()) GTEST_SKIP() << "no folder in /dev lies on another device";

    Recorder rec;
    ASSERT_TRUE(WalkTreeForRemoval("/dev", rec));
    const std::set<std::string> done = rec.paths(true);
    for (const std::string& folder : other) {
        EXPECT_EQ(done.count(folder), 0u) << folder << " lies on another device";
        for (const Event& e : rec.events)
            EXPECT_FALSE(Below(e.path(), folder)) << e.path();
    }
    for (const std::string& folder : same)
        EXPECT_EQ(done.count(folder), 1u) << folder << " lies on the same device";
}

// A bind mount of the same file system shows the same device number; its
// other mount id keeps the walk out, as another device would.
TEST(WalkTreeForRemoval, BindMountInsideTheTreeIsNeverEntered) {
    TestWorld world;
    const std::string top = world.makeFolder("c/tree");
    world.makeFile("c/tree/own.txt", 1);
    const std::string bound = world.makeFolder("c/tree/inner/bound");
    const std::string victim = world.makeFile("elsewhere/precious.txt", 5);
    if (mount(world.path("elsewhere").c_str(), bound.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "cannot bind-mount here: " << strerror(errno);
    Recorder rec;
    rec.remove = true;
    EXPECT_TRUE(WalkTreeForRemoval(top, rec));
    const bool stillMounted = PathExists(bound + "/precious.txt");
    umount2(bound.c_str(), MNT_DETACH);
    EXPECT_TRUE(stillMounted);
    EXPECT_TRUE(PathExists(victim)) << "nothing below the bind mount is removed";
    EXPECT_FALSE(PathExists(top + "/own.txt"));
    EXPECT_EQ(rec.paths(false).count(bound + "/precious.txt"), 0u);
}

TEST(WalkTreeForRemoval, TreeDeeperThanAnyPathIsRemovedWithFewDescriptors) {
    TestWorld world;
    const std::string top = world.makeFolder("c/deep");
    // Built one level at a time through descriptors: the whole path is too
    // long for mkdir. Two files per level, and a link to the level above.
    constexpr size_t kLevels = 300;
    int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
    size_t pathLength = top.size();
    for (size_t i = 0; i < kLevels && fd >= 0; ++i) {
        std::string name = "level-" + std::to_string(i);
        name.resize(20, 'x');
        pathLength += name.size() + 1;
        mkdirat(fd, name.c_str(), 0755);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
        if (fd < 0) break;
        close(openat(fd, "f", O_WRONLY | O_CREAT, 0644));
        close(openat(fd, ".g", O_WRONLY | O_CREAT, 0644));
        symlinkat("..", fd, "up");
    }
    ASSERT_GE(fd, 0) << "cannot build the chain";
    close(fd);
    ASSERT_GT(pathLength, 4096u);

    Recorder rec;
    rec.remove = true;
    {
        DescriptorLimit limit(128); // one descriptor per level would need more
        if (!limit.ok()) GTEST_SKIP() << "cannot lower RLIMIT_NOFILE";
        ASSERT_TRUE(WalkTreeForRemoval(top, rec));
    }
    EXPECT_TRUE(rec.problems.empty()) << rec.problems.front();
    EXPECT_EQ(rec.entries, 3 * kLevels);
    EXPECT_EQ(rec.paths(true).size(), kLevels);
    EXPECT_TRUE(ListFolder(top).empty());
}

TEST(WalkTreeForRemoval, FolderMovedAwayDuringTheWalkIsNeverActedOnThroughAWrongParent) {
    // 100 levels, a file in each: the shallow levels have given back their
    // descriptors by the time the walk reaches the bottom. There, level 21 is
    // moved out of the tree, so ".." of it no longer leads back to level 20.
    struct Case {
        const char* label;
        bool renameLevel20; // then level 20 cannot be found again by its name either
    };
    for (const Case& c : {Case{"found again by name", false}, Case{"lost", true}}) {
        SCOPED_TRACE(c.label);
        TestWorld world;
        const std::string top = world.makeFolder("c/top");
        constexpr size_t kLevels = 100;
        std::vector<std::string> levels{top}; // levels[i]: the text of level i
        std::string relative = "c/top";
        for (size_t i = 1; i <= kLevels; ++i) {
            relative += "/L" + std::to_string(i);
            levels.push_back(world.path(relative));
            world.makeFile(relative + "/f", 1);
        }
        const std::string elsewhere = world.path("c/elsewhere");

        class Mover : public Recorder {
        public:
            std::function<void()> atTheBottom;
            std::string bottom;
            void entry(int dirfd, const std::string& folder, const std::string& name,
                       const FileFacts& facts) override {
                if (folder == bottom && atTheBottom) std::exchange(atTheBottom, nullptr)();
                Recorder::entry(dirfd, folder, name, facts);
            }
        } rec;
        rec.remove = true;
        rec.bottom = levels[kLevels];
        rec.atTheBottom = [&] {
            ASSERT_EQ(rename(levels[21].c_str(), elsewhere.c_str()), 0);
            if (c.renameLevel20) {
                ASSERT_EQ(rename(levels[20].c_str(), (levels[19] + "/L20x").c_str()), 0);
            }
        };
        ASSERT_TRUE(WalkTreeForRemoval(top, rec));
        ASSERT_FALSE(rec.atTheBottom);

        // The moved folder was emptied through the descriptors the walk held,
        // and only its former parent was asked to remove it (where it is gone).
        EXPECT_EQ(ListFolder(elsewhere), std::set<std::string>{});
        for (const Event& e : rec.events)
            EXPECT_FALSE(e.done && e.name == "L20x") << e.path();
        if (!c.renameLevel20) {
            EXPECT_EQ(rec.problems, (std::vector<std::string>{
                                        "folder not in its parent: " + levels[21],
                                        "cannot remove " + levels[21]}));
            EXPECT_TRUE(ListFolder(top).empty());
        } else {
            // Level 20 is lost: neither it nor anything in it is reported again,
            // and level 19 stays because it still holds it.
            EXPECT_EQ(rec.paths(true).count(levels[20]), 0u);
            EXPECT_EQ(ListFolder(levels[19]), std::set<std::string>{"L20x"});
            EXPECT_EQ(ListFolder(levels[19] + "/L20x"), std::set<std::string>{});
        }
    }
}
