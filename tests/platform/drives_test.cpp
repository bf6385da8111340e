#include "platform/drives.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <string>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace quillon;
using quillon::test::TestWorld;

namespace {

// A desktop in a container: overlay root, kernel plumbing, a bind mount of
// /home's device, a snap, per-user runtime folder, a USB stick, /tmp in
// memory, an NFS share, and mount points with escaped blanks.
const char* const kMountInfo =
    "1 0 0:50 / / rw,relatime master:1 - overlay overlay rw,lowerdir=/l,upperdir=/u,workdir=/w\n"
    "22 1 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw\n"
    "23 1 0:22 / /sys rw,nosuid,nodev,noexec,relatime shared:2 - sysfs sysfs rw\n"
    "24 23 0:26 / /sys/fs/cgroup rw,nosuid shared:4 - cgroup2 cgroup2 rw,nsdelegate\n"
    "25 1 0:5 / /dev rw,nosuid,relatime shared:7 - devtmpfs udev rw,size=8000k\n"
    "26 25 0:27 / /dev/pts rw,nosuid - devpts devpts rw,gid=5,mode=620\n"
    "27 25 0:28 / /dev/shm rw,nosuid,nodev - tmpfs tmpfs rw\n"
    "28 22 0:44 / /proc/sys/fs/binfmt_misc rw,relatime - binfmt_misc binfmt_misc rw\n"
    "30 1 8:2 / /home rw,relatime shared:30 master:5 - ext4 /dev/sda2 rw,errors=remount-ro\n"
    "31 1 8:2 /ann/shared /srv/share rw,relatime shared:30 - ext4 /dev/sda2 rw\n"
    "32 1 7:3 / /snap/core22/1380 ro,nodev,relatime shared:31 - squashfs /dev/loop3 ro\n"
    "33 1 0:45 / /run/user/1000 rw,nosuid,nodev shared:40 - tmpfs tmpfs rw,mode=700\n"
    "34 1 8:17 / /run/media/ann/MY\\040STICK rw,nosuid,nodev - vfat /dev/sdb1 rw,fmask=0022\n"
    "35 1 0:46 / /tmp rw,nosuid,nodev shared:41 - tmpfs tmpfs rw\n"
    "36 1 0:47 / /mnt/nas rw,relatime shared:42 - nfs4 server:/export\\040all rw,vers=4.2\n"
    "37 1 0:48 / /var/cache/scratch rw - tmpfs tmpfs rw\n"
    "38 1 8:3 / /data\\040disk ro,relatime - ext4 /dev/sda3 rw\n"
    "39 1 11:0 / /run/initramfs/live ro,relatime - iso9660 /dev/sr0 ro\n"
    "40 1 8:5 / /var/lib/images/vol rw - xfs /dev/sda5 rw\n"
    "41 1 8:5 / /vol rw - xfs /dev/sda5 rw\n"
    "42 1 8:6 / /opt rw - ext4 /dev/sda6 rw\n"
    "43 42 0:60 / /opt rw - tmpfs tmpfs rw\n"
    "44 1 0:61 / /var/lib/docker/overlay2/abc/merged rw - overlay overlay rw\n"
    "45 1 0:62 / /srv/pool rw - zfs tank/srv rw\n"
    "46 25 0:63 / /dev/hugepages rw - hugetlbfs hugetlbfs rw\n"
    "not a mountinfo line\n"
    "47 1 0:64 / /broken rw no-dash-here\n";

const MountEntry* Find(const std::vector<MountEntry>& mounts, const std::string& point) {
    for (const MountEntry& m : mounts)
        if (m.mountPoint == point) return &m;
    return nullptr;
}

std::vector<std::string> Points(const std::vector<MountEntry>& mounts) {
    std::vector<std::string> points;
    for (const MountEntry& m : mounts)
        points.push_back(m.mountPoint);
    return points;
}

MountEntry Disk(const std::string& point, unsigned minor, const std::string& type = "ext4") {
    // Sources that exist nowhere, so no real volume label leaks into the test.
    return MountEntry{point, type, "/dev/quillon-test-" + std::to_string(minor), makedev(8, minor),
                      false};
}

} // namespace

TEST(MountInfo, ParsesFieldsAndEscapes) {
    const auto mounts = ParseMountInfo(kMountInfo);
    EXPECT_EQ(mounts.size(), 25u) << "two malformed lines are skipped";

    const MountEntry* stick = Find(mounts, "/run/media/ann/MY STICK");
    ASSERT_NE(stick, nullptr);
    EXPECT_EQ(stick->fsType, "vfat");
    EXPECT_EQ(stick->source, "/dev/sdb1");
    EXPECT_EQ(stick->device, makedev(8, 17));
    EXPECT_FALSE(stick->readOnly);

    const MountEntry* nas = Find(mounts, "/mnt/nas");
    ASSERT_NE(nas, nullptr);
    EXPECT_EQ(nas->source, "server:/export all");
    EXPECT_EQ(nas->fsType, "nfs4");

    // The per-mount options decide, not the file system's; several optional
    // fields may precede "-".
    const MountEntry* data = Find(mounts, "/data disk");
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->readOnly);
    const MountEntry* home = Find(mounts, "/home");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(home->fsType, "ext4");
    EXPECT_EQ(home->source, "/dev/sda2");
    EXPECT_FALSE(home->readOnly) << "\"errors=remount-ro\" is not \"ro\"";
}

TEST(MountInfo, UnescapesTabNewlineAndBackslash) {
    const auto mounts =
        ParseMountInfo("5 1 8:1 / /a\\011b\\012c\\134d rw - ext4 /dev/x\\134y rw\n");
    ASSERT_EQ(mounts.size(), 1u);
    EXPECT_EQ(mounts[0].mountPoint, "/a\tb\nc\\d");
    EXPECT_EQ(mounts[0].source, "/dev/x\\y");
}

TEST(MountInfo, ReadsThisProcessTable) {
    // /proc files report size 0: a reader that trusts the size gets nothing.
    EXPECT_FALSE(ReadMountInfo().empty());
}

TEST(SelectDiskMounts, KeepsDisksInTreeOrder) {
    const auto disks = SelectDiskMounts(ParseMountInfo(kMountInfo));
    const std::vector<std::string> expected = {
        "/",          // overlay, but the root is always a drive
        "/data disk", // read-only ext4 is still a disk
        "/home",      // /srv/share is the same device, bound later
        "/mnt/nas",   // network
        "/run/media/ann/MY STICK",
        "/srv/pool", // ZFS dataset
        "/tmp",      // memory file system on /tmp only
        "/vol",      // shorter of two mounts of /dev/sda5
    };
    EXPECT_EQ(Points(disks), expected);
    // Dropped on purpose: /opt is hidden under a tmpfs, the snap, /run/initramfs,
    // docker's overlay, other tmpfs, everything below /proc, /sys, /dev.
}

TEST(SelectDiskMounts, OrdersSubfoldersAfterTheirParent) {
    const auto disks =
        SelectDiskMounts({Disk("/home-b", 4), Disk("/home/x", 3), Disk("/home", 2), Disk("/", 1)});
    EXPECT_EQ(Points(disks), (std::vector<std::string>{"/", "/home", "/home/x", "/home-b"}));
}

TEST(AssignDriveLetters, KnownKeepNewTakeNextMissingReserved) {
    const std::vector<MountEntry> disks = {Disk("/", 1), Disk("/boot", 2, "vfat"), Disk("/home", 3),
                                           Disk("/mnt/usb", 4, "exfat")};
    const std::map<char, std::string> known = {
        {'A', "/floppy"},    // never a letter
        {'C', "/elsewhere"}, // C: is "/"
        {'d', "/home/"},     // written by hand: case and slash do not matter
        {'F', "/mnt/gone"},  // not mounted now: keeps F: reserved
        {'X', "/"},          // "/" cannot move away from C:
    };
    const DriveAssignment result = AssignDriveLetters(disks, known);

    struct Row {
        char letter;
        const char* root;
        const char* label;
    };
    const std::vector<Row> expected = {{'C', "/", "ext4"},
                                       {'D', "/home", "ext4"},
                                       {'E', "/boot", "vfat"},
                                       {'F', "/mnt/gone", ""},
                                       {'G', "/mnt/usb", "exfat"}};
    ASSERT_EQ(result.drives.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].letter);
        EXPECT_EQ(result.drives[i].letter, expected[i].letter);
        EXPECT_EQ(result.drives[i].root, expected[i].root);
        EXPECT_EQ(result.drives[i].label, QString(expected[i].label));
    }
    const std::map<char, std::string> letters = {
        {'C', "/"}, {'D', "/home"}, {'E', "/boot"}, {'F', "/mnt/gone"}, {'G', "/mnt/usb"}};
    EXPECT_EQ(result.letters, letters);
}

TEST(AssignDriveLetters, StopsAtZ) {
    std::vector<MountEntry> disks = {Disk("/", 1)};
    for (unsigned i = 0; i < 25; ++i)
        disks.push_back(Disk("/m/" + std::to_string(100 + i), 10 + i));
    const DriveAssignment result = AssignDriveLetters(disks, {});
    ASSERT_EQ(result.drives.size(), 24u); // C: and D: ... Z:
    EXPECT_EQ(result.drives.back().letter, 'Z');
    EXPECT_EQ(result.drives.back().root, "/m/122");
    EXPECT_EQ(result.letters.size(), 24u);
}

TEST(DrivesFromOverride, ParsesEntriesAndIgnoresBadOnes) {
    EXPECT_FALSE(DrivesFromOverride(nullptr).has_value());
    EXPECT_FALSE(DrivesFromOverride("").has_value());

    const auto drives = DrivesFromOverride(
        "e=/other/dir/;C=/;noequals;AB=/x;B=/b;1=/one;G=relative;H=;D=/d//sub;D=/second");
    ASSERT_TRUE(drives.has_value());
    struct Row {
        char letter;
        const char* root;
    };
    const std::vector<Row> expected = {{'C', "/"}, {'D', "/d/sub"}, {'E', "/other/dir"}};
    ASSERT_EQ(drives->size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ((*drives)[i].letter, expected[i].letter);
        EXPECT_EQ((*drives)[i].root, expected[i].root);
        EXPECT_TRUE((*drives)[i].label.isEmpty());
    }
}

TEST(DriveTable, ForPathTakesLongestWholeElementPrefix) {
    TestWorld world;
    DriveTable::Set({{'C', "/", {}}, {'D', "/home", {}}, {'E', "/home/ann/data", {}}});
    const std::vector<std::pair<const char*, char>> cases = {
        {"/home/x", 'D'},
        {"/home", 'D'},
        {"/home/", 'D'},
        {"/homes", 'C'},
        {"/home/ann/data/f", 'E'},
        {"/home/ann/database", 'D'},
        {"/", 'C'},
        {"/usr/lib", 'C'},
        {"relative/home", 0},
        {"", 0},
    };
    for (const auto& [path, letter] : cases) {
        SCOPED_TRACE(path);
        const Drive* drive = DriveTable::ForPath(path);
        if (letter == 0) {
            EXPECT_EQ(drive, nullptr);
        } else {
            ASSERT_NE(drive, nullptr);
            EXPECT_EQ(drive->letter, letter);
        }
    }

    DriveTable::Set({{'D', "/home", {}}});
    EXPECT_EQ(DriveTable::ForPath("/usr"), nullptr);
    ASSERT_NE(DriveTable::ByLetter('d'), nullptr);
    EXPECT_EQ(DriveTable::ByLetter('D')->root, "/home");
    EXPECT_EQ(DriveTable::ByLetter('C'), nullptr);
}

TEST(DriveTable, CurrentLetterDefaultsToC) {
    TestWorld world;
    DriveTable::SetCurrentLetter('e');
    EXPECT_EQ(DriveTable::CurrentLetter(), 'E');
    DriveTable::Set({{'C', "/", {}}});
    EXPECT_EQ(DriveTable::CurrentLetter(), 'C');
}

TEST(DriveRowText, LetterRootAndLabel) {
    EXPECT_EQ(DriveRowText({'C', "/", "ext4"}), "C: /  [ext4]");
    EXPECT_EQ(DriveRowText({'D', "/media/usb", "STICK"}), "D: /media/usb  [STICK]");
    EXPECT_EQ(DriveRowText({'E', "/srv/x", {}}), "E: /srv/x");
}

TEST(VolumeLabel, FollowsLinksToTheSourceDeviceAndUnescapes) {
    TestWorld world;
    world.makeFile("dev/sdz1");
    world.makeFile("dev/sdz2");
    ASSERT_EQ(symlink("sdz1", world.path("dev/root").c_str()), 0);
    world.makeFolder("by-label");
    ASSERT_EQ(symlink("../dev/sdz2", world.path("by-label/OTHER").c_str()), 0);
    ASSERT_EQ(symlink("../dev/sdz1", world.path("by-label/My\\x20Stick").c_str()), 0);

    const std::string byLabel = world.path("by-label");
    MountEntry mount{"/media/x", "vfat", world.path("dev/sdz1"), makedev(8, 1), false};
    EXPECT_EQ(VolumeLabelFor(mount, byLabel), "My Stick");
    mount.source = world.path("dev/root"); // /dev/root-style alias of the same device
    EXPECT_EQ(VolumeLabelFor(mount, byLabel), "My Stick");
    mount.source = world.path("dev/none");
    EXPECT_EQ(VolumeLabelFor(mount, byLabel), "");
    mount.source = "server:/export";
    EXPECT_EQ(VolumeLabelFor(mount, byLabel), "");
}

TEST(DriveIsReady, NeedsAnExistingFolder) {
    TestWorld world;
    EXPECT_TRUE(DriveIsReady(world.makeFolder("drive")));
    EXPECT_FALSE(DriveIsReady(world.path("missing")));
    EXPECT_FALSE(DriveIsReady(world.makeFile("file", 10)));
}

TEST(QueryDiskSpace, MeasuresTheFileSystem) {
    TestWorld world;
    const DiskSpace space = QueryDiskSpace(world.makeFolder("drive"));
    ASSERT_TRUE(space.ok);
    ASSERT_GT(space.clusterSize, 0);
    EXPECT_GT(space.total, 0);
    EXPECT_GE(space.total, space.free);
    EXPECT_EQ(static_cast<int64_t>(space.total) % space.clusterSize, 0);

    EXPECT_FALSE(QueryDiskSpace(world.path("missing")).ok);
}
