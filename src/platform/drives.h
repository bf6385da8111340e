#pragma once
// The drive table: each drive letter names a drive root, the top folder of one
// mounted file system (or, through QUILLON_DRIVES, any folder).
#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// One line of /proc/self/mountinfo.
struct MountEntry {
    std::string mountPoint; // unescaped (\040 -> ' ')
    std::string fsType;     // "ext4", "fuse.sshfs"
    std::string source;     // "/dev/sda1", "server:/export", "tmpfs"
    uint64_t device = 0;    // makedev(major, minor)
    bool readOnly = false;  // mount options hold "ro"
};

std::vector<MountEntry> ParseMountInfo(std::string_view text);
// ParseMountInfo of this process's /proc/self/mountinfo.
std::vector<MountEntry> ReadMountInfo();

// The mounts a person would call a disk, in mount-point order, "/" first:
// block-device file systems, network file systems, a memory file system on
// /tmp. Drops pseudo file systems, read-only squashfs, second mounts of one
// device, and anything below /proc, /sys, /dev, /run (except /run/media).
std::vector<MountEntry> SelectDiskMounts(const std::vector<MountEntry>& mounts);

struct Drive {
    char letter = 'C';
    std::string root;  // no trailing '/' except "/" itself
    QString label;     // volume label, else file-system type; may be empty
};

struct DriveAssignment {
    std::vector<Drive> drives;           // by letter; includes reserved (missing) roots
    std::map<char, std::string> letters; // every letter -> root, to be kept
};

// Known roots keep their letter, new roots take the next free letter from D:
// ("/" is always C:), missing known roots keep theirs reserved. A: and B:
// are never assigned; past Z: a root gets no letter.
DriveAssignment AssignDriveLetters(const std::vector<MountEntry>& disks,
                                   const std::map<char, std::string>& known);

// QUILLON_DRIVES="C=/some/dir;D=/other/dir"; nullopt when unset or empty.
std::optional<std::vector<Drive>> DrivesFromOverride(const char* value);

// Volume label of a device from /dev/disk/by-label, empty when none.
QString VolumeLabelFor(const MountEntry& mount);
// The same, looking in another folder of label links (tests).
QString VolumeLabelFor(const MountEntry& mount, const std::string& byLabelFolder);

// The table in use, set once at start-up by the shell.
class DriveTable {
public:
    static void Set(std::vector<Drive> drives);
    static const std::vector<Drive>& All();
    static const Drive* ByLetter(char letter);
    // The drive whose root is the longest prefix of the path (whole path
    // elements only), or nullptr.
    static const Drive* ForPath(std::string_view path);
    // The drive of the current folder at start-up ('C' when none matches).
    static char CurrentLetter();
    static void SetCurrentLetter(char letter);
};

// "C: /  [ext4]" - letter, colon, blank, root, and when known two blanks and
// the label in brackets.
QString DriveRowText(const Drive& drive);

// The root exists, is a folder and statvfs() succeeds on it.
bool DriveIsReady(const std::string& root);

struct DiskSpace {
    bool ok = false;
    double total = 0;        // f_blocks * f_frsize
    double free = 0;         // f_bfree * f_frsize
    int64_t clusterSize = 0; // f_frsize
};
DiskSpace QueryDiskSpace(const std::string& root);

} // namespace quillon
