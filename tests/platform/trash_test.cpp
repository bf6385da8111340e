#include "platform/trash.h"
#include "platform/paths.h"
#include "support/listing.h"
#include "support/world.h"
#include <ctime>
#include <ftw.h>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillon;
using quillon::test::ListFolder;
using quillon::test::TestWorld;

namespace {

std::string ReadAll(const std::string& path) {
    std::string contents;
    ReadWholeFile(path, contents);
    return contents;
}

int RemoveOne(const char* path, const struct stat*, int type, FTW*) {
    if (type == FTW_DP) rmdir(path);
    else unlink(path);
    return 0;
}

void RemoveTree(const std::string& path) { nftw(path.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS); }

// The trash records where an entry came from as it really is; the world's
// folder may lie below a link (a /tmp that is one).
std::string RealRoot(const TestWorld& world) { return CanonicalPath(world.root()); }

// Checks a .trashinfo: the exact Path= and a DeletionDate in local time
// between two readings of the clock.
void ExpectInfo(const std::string& info, const std::string& path, time_t before, time_t after) {
    const std::regex shape("\\[Trash Info\\]\nPath=(.*)\nDeletionDate=(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d)\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(info, match, shape)) << info;
    EXPECT_EQ(match[1].str(), path);
    struct tm local {};
    ASSERT_NE(strptime(match[2].str().c_str(), "%Y-%m-%dT%H:%M:%S", &local), nullptr);
    local.tm_isdst = -1;
    const time_t when = mktime(&local);
    EXPECT_GE(when, before);
    EXPECT_LE(when, after);
}

// Everything a test trashes lands in the world's home trash.
struct HomeTrash {
    explicit HomeTrash(const TestWorld& world) : folder(world.path("data/Trash")) {}
    std::string file(const std::string& name) const { return folder + "/files/" + name; }
    std::string info(const std::string& name) const {
        return folder + "/info/" + name + ".trashinfo";
    }
    std::string folder;
};

} // namespace

TEST(MoveToTrash, HomeTrashHoldsTheEntryAndItsEncodedPath) {
    struct Case {
        const char* name;
        const char* encoded; // as Path= must end
    };
    const Case cases[] = {
        {"plain-name_1.txt", "plain-name_1.txt"},
        {"with blank.txt", "with%20blank.txt"},
        {"100%~done", "100%25~done"},
        {"bad\xFF" "byte", "bad%FFbyte"},
        {"line\nbreak", "line%0Abreak"},
        {"caf\xC3\xA9 #1&a=b;c?", "caf%C3%A9%20%231%26a%3Db%3Bc%3F"},
    };
    TestWorld world;
    const std::string root = RealRoot(world);
    // The expected texts below take the folder part literally.
    ASSERT_TRUE(std::regex_match(root, std::regex("[A-Za-z0-9/._~-]+"))) << root;
    const HomeTrash trash(world);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoded);
        const std::string path = world.writeFile(std::string("c/dir/") + c.name, c.name);
        EXPECT_EQ(TrashFolderFor(path), trash.folder);
        const time_t before = time(nullptr);
        std::string error;
        ASSERT_TRUE(MoveToTrash(path, &error)) << error;
        const time_t after = time(nullptr);
        EXPECT_FALSE(PathExists(path));
        EXPECT_EQ(ReadAll(trash.file(c.name)), c.name);
        ExpectInfo(ReadAll(trash.info(c.name)), root + "/c/dir/" + c.encoded, before, after);
    }
    EXPECT_EQ(ListFolder(trash.folder + "/files").size(), std::size(cases));
    EXPECT_EQ(ListFolder(trash.folder + "/info").size(), std::size(cases));
}

TEST(MoveToTrash, NamesThatCollideGetFreshOnes) {
    TestWorld world;
    const HomeTrash trash(world);
    const std::string root = RealRoot(world);
    ASSERT_TRUE(MoveToTrash(world.writeFile("c/a/x.txt", "first")));
    ASSERT_TRUE(MoveToTrash(world.writeFile("c/b/x.txt", "second")));
    // A stray entry in files/ without its .trashinfo is not overwritten either.
    world.writeFile("data/Trash/files/x.txt.3", "stray");
    ASSERT_TRUE(MoveToTrash(world.writeFile("c/c/x.txt", "third")));

    EXPECT_EQ(ReadAll(trash.file("x.txt")), "first");
    EXPECT_EQ(ReadAll(trash.file("x.txt.2")), "second");
    EXPECT_EQ(ReadAll(trash.file("x.txt.3")), "stray");
    EXPECT_EQ(ReadAll(trash.file("x.txt.4")), "third");
    EXPECT_NE(ReadAll(trash.info("x.txt")).find("Path=" + root + "/c/a/x.txt\n"), std::string::npos);
    EXPECT_NE(ReadAll(trash.info("x.txt.2")).find("Path=" + root + "/c/b/x.txt\n"), std::string::npos);
    EXPECT_NE(ReadAll(trash.info("x.txt.4")).find("Path=" + root + "/c/c/x.txt\n"), std::string::npos);
    EXPECT_EQ(ListFolder(trash.folder + "/info"),
              (std::set<std::string>{"x.txt.trashinfo", "x.txt.2.trashinfo", "x.txt.4.trashinfo"}));
}

TEST(MoveToTrash, LongNameIsCutToLeaveRoomForTheInfoSuffix) {
    TestWorld world;
    const HomeTrash trash(world);
    const std::string name(250, 'n');
    ASSERT_TRUE(MoveToTrash(world.writeFile("c/" + name, "long")));
    const std::set<std::string> files = ListFolder(trash.folder + "/files");
    ASSERT_EQ(files.size(), 1u);
    const std::string kept = *files.begin();
    EXPECT_LE(kept.size() + std::string(".trashinfo").size(), 255u);
    EXPECT_EQ(ReadAll(trash.file(kept)), "long");
    EXPECT_NE(ReadAll(trash.info(kept)).find("/c/" + name + "\n"), std::string::npos);
}

TEST(MoveToTrash, FolderMovesWholeWithoutACopy) {
    TestWorld world;
    const HomeTrash trash(world);
    const std::string folder = world.makeFolder("c/project");
    world.writeFile("c/project/.hidden", "h");
    world.writeFile("c/project/src/main.c", "int main;");
    struct stat before {};
    ASSERT_EQ(lstat(folder.c_str(), &before), 0);

    ASSERT_TRUE(MoveToTrash(folder));
    EXPECT_FALSE(PathExists(folder));
    struct stat after {};
    ASSERT_EQ(lstat(trash.file("project").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino); // renamed, not copied
    EXPECT_EQ(ReadAll(trash.file("project/.hidden")), "h");
    EXPECT_EQ(ReadAll(trash.file("project/src/main.c")), "int main;");
}

TEST(MoveToTrash, LinkIsTrashedAsTheLink) {
    TestWorld world;
    const HomeTrash trash(world);
    const std::string target = world.writeFile("c/target.txt", "keep");
    const std::string targetFolder = world.makeFolder("c/folder");
    world.writeFile("c/folder/inside", "keep too");
    struct Case {
        const char* link;
        std::string pointsTo;
    };
    const Case cases[] = {{"to-file", target}, {"to-folder", targetFolder}, {"dangling", "/nonexistent"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        const std::string link = world.path(std::string("c/") + c.link);
        ASSERT_EQ(symlink(c.pointsTo.c_str(), link.c_str()), 0);
        ASSERT_TRUE(MoveToTrash(link));
        EXPECT_FALSE(PathExists(link));
        struct stat st {};
        ASSERT_EQ(lstat(trash.file(c.link).c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode));
    }
    EXPECT_EQ(ReadAll(target), "keep");
    EXPECT_EQ(ReadAll(targetFolder + "/inside"), "keep too");
}

TEST(MoveToTrash, FailureLeavesNothingBehind) {
    TestWorld world;
    const HomeTrash trash(world);
    const std::string stays = world.writeFile("c/stays.txt", "x");
    // Already in the trash: moving it again would only give it another name there.
    const std::string trashed = world.writeFile("data/Trash/files/old", "o");
    world.makeFolder("data/Trash/info");
    SetTrashFailureForTesting([&](const std::string& p) { return p == stays; });
    for (const std::string& path : {stays, trashed, world.path("c/never-there")}) {
        SCOPED_TRACE(path);
        std::string error;
        EXPECT_FALSE(MoveToTrash(path, &error));
        EXPECT_FALSE(error.empty());
    }
    SetTrashFailureForTesting({});
    EXPECT_EQ(ReadAll(stays), "x");
    EXPECT_TRUE(ListFolder(trash.folder + "/info").empty());
    EXPECT_EQ(ListFolder(trash.folder + "/files"), std::set<std::string>{"old"});
}

namespace {
// Runs a test from another current folder and goes back afterwards.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder) {
        char buffer[4096];
        if (getcwd(buffer, sizeof buffer)) saved_ = buffer;
        ok_ = chdir(folder.c_str()) == 0;
    }
    ~CurrentFolder() {
        if (!saved_.empty() && chdir(saved_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << saved_;
    }
    bool ok() const { return ok_; }

private:
    std::string saved_;
    bool ok_ = false;
};
} // namespace

TEST(MoveToTrash, MissingDataFolderIsCreatedAndNothingLandsInTheCurrentFolder) {
    TestWorld world;
    const std::string dataHome = world.path("absent/share");
    world.setEnv("XDG_DATA_HOME", dataHome);
    const std::string cwd = world.makeFolder("cwd");
    const std::string path = world.writeFile("c/file.txt", "content");
    CurrentFolder inCwd(cwd);
    ASSERT_TRUE(inCwd.ok());

    EXPECT_EQ(TrashFolderFor(path), dataHome + "/Trash");
    std::string error;
    ASSERT_TRUE(MoveToTrash(path, &error)) << error;
    EXPECT_EQ(ReadAll(dataHome + "/Trash/files/file.txt"), "content");
    EXPECT_TRUE(PathExists(dataHome + "/Trash/info/file.txt.trashinfo"));
    struct stat st {};
    ASSERT_EQ(stat((dataHome + "/Trash").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(ListFolder(cwd).empty());

    // A relative path is taken from the current folder.
    world.writeFile("cwd/relative.txt", "r");
    ASSERT_TRUE(MoveToTrash("relative.txt", &error)) << error;
    EXPECT_EQ(ReadAll(dataHome + "/Trash/files/relative.txt"), "r");
    EXPECT_NE(ReadAll(dataHome + "/Trash/info/relative.txt.trashinfo")
                  .find("Path=" + CanonicalPath(cwd) + "/relative.txt\n"),
              std::string::npos);
    EXPECT_TRUE(ListFolder(cwd).empty());
}

namespace {

// A folder of our own on a memory file system that is not the world's device,
// and the trash of that mount cleaned up afterwards as far as this test made it.
class OtherDevice {
public:
    OtherDevice(const TestWorld& world, const char* mount) : mount_(mount) {
        struct stat here {};
        struct stat there {};
        if (stat(world.root().c_str(), &here) != 0 || stat(mount, &there) != 0) {
            reason_ = std::string(mount) + " is missing";
            return;
        }
        if (here.st_dev == there.st_dev) {
            reason_ = std::string(mount) + " is on the same device as the test folder";
            return;
        }
        uid_ = std::to_string(getuid());
        trashExisted_ = PathExists(mount_ + "/.Trash-" + uid_);
        folder_ = mount_ + "/quillon-trash-test-" + std::to_string(getpid());
        if (mkdir(folder_.c_str(), 0755) != 0) {
            reason_ = "cannot write to " + mount_;
            folder_.clear();
        }
    }
    ~OtherDevice() {
        if (!folder_.empty()) RemoveTree(folder_);
        for (const std::string& path : made_)
            RemoveTree(path);
    }
    const std::string& skipReason() const { return reason_; }
    const std::string& folder() const { return folder_; }
    const std::string& mount() const { return mount_; }
    const std::string& uid() const { return uid_; }
    // Removed afterwards (a trash entry, a trash folder this test created).
    void cleanUp(const std::string& path) { made_.push_back(path); }
    bool trashExisted() const { return trashExisted_; }

private:
    std::string mount_;
    std::string reason_;
    std::string folder_;
    std::string uid_;
    bool trashExisted_ = false;
    std::vector<std::string> made_;
};

} // namespace

TEST(MoveToTrash, FileOnAnotherMountGoesToThatMountsTrash) {
    TestWorld world;
    OtherDevice shm(world, "/dev/shm");
    if (!shm.skipReason().empty()) GTEST_SKIP() << shm.skipReason();
    if (PathExists("/dev/shm/.Trash")) GTEST_SKIP() << "/dev/shm/.Trash exists and may take the entry";
    const std::string trash = shm.mount() + "/.Trash-" + shm.uid();
    if (!shm.trashExisted()) shm.cleanUp(trash);
    const std::string name = BaseName(shm.folder()) + ".txt";
    const std::string path = shm.folder() + "/" + name;
    ASSERT_TRUE(WriteFileAtomically(path, "elsewhere"));
    shm.cleanUp(trash + "/files/" + name);
    shm.cleanUp(trash + "/info/" + name + ".trashinfo");

    EXPECT_EQ(TrashFolderFor(path), trash);
    const time_t before = time(nullptr);
    std::string error;
    ASSERT_TRUE(MoveToTrash(path, &error)) << error;
    const time_t after = time(nullptr);
    EXPECT_FALSE(PathExists(path));
    EXPECT_EQ(ReadAll(trash + "/files/" + name), "elsewhere");
    // Relative to the top of the mount.
    ExpectInfo(ReadAll(trash + "/info/" + name + ".trashinfo"),
               BaseName(shm.folder()) + "/" + name, before, after);
    struct stat st {};
    ASSERT_EQ(lstat(trash.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_FALSE(PathExists(world.path("data/Trash/files/" + name)));
}

TEST(MoveToTrash, StickySharedTrashOfAMountIsUsedAndAPlainOneIsNot) {
    TestWorld world;
    OtherDevice shm(world, "/dev/shm");
    if (!shm.skipReason().empty()) GTEST_SKIP() << shm.skipReason();
    const std::string shared = shm.mount() + "/.Trash";
    if (PathExists(shared)) GTEST_SKIP() << shared << " exists already; it is not ours to change";
    struct Case {
        mode_t mode;
        std::string expected;
    };
    const Case cases[] = {
        {01777, shared + "/" + shm.uid()},
        {0777, shm.mount() + "/.Trash-" + shm.uid()},
    };
    shm.cleanUp(shared);
    if (!shm.trashExisted()) shm.cleanUp(shm.mount() + "/.Trash-" + shm.uid());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
        ASSERT_EQ(chmod(shared.c_str(), c.mode), 0);
        const std::string name = BaseName(shm.folder()) + "-" + std::to_string(c.mode) + ".txt";
        const std::string path = shm.folder() + "/" + name;
        ASSERT_TRUE(WriteFileAtomically(path, "x"));
        shm.cleanUp(c.expected + "/files/" + name);
        shm.cleanUp(c.expected + "/info/" + name + ".trashinfo");
        EXPECT_EQ(TrashFolderFor(path), c.expected);
        std::string error;
        ASSERT_TRUE(MoveToTrash(path, &error)) << error;
        EXPECT_EQ(ReadAll(c.expected + "/files/" + name), "x");
        EXPECT_TRUE(PathExists(c.expected + "/info/" + name + ".trashinfo"));
        RemoveTree(shared);
    }
}
