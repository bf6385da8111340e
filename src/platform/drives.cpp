#include "platform/drives.h"
#include "platform/paths.h"
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillon {

namespace {

// mountinfo escapes blank, tab, newline and backslash as \ooo.
std::string UnescapeOctal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const char a = text[i + 1], b = text[i + 2], c = text[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        if (pos >= line.size()) break;
        const size_t end = std::min(line.find(' ', pos), line.size());
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

bool HasOption(std::string_view options, std::string_view wanted) {
    size_t pos = 0;
    while (pos <= options.size()) {
        const size_t end = std::min(options.find(',', pos), options.size());
        if (options.substr(pos, end - pos) == wanted) return true;
        pos = end + 1;
    }
    return false;
}

bool ParseNumber(std::string_view text, unsigned long& value) {
    if (text.empty()) return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    return true;
}

// Kernel and desktop plumbing that nobody would call a disk.
bool IsPseudoFileSystem(std::string_view type) {
    static const std::set<std::string_view> kPseudo = {
        "proc",       "sysfs",       "devtmpfs", "devpts",      "cgroup",
        "cgroup2",    "mqueue",      "tracefs",  "debugfs",     "securityfs",
        "pstore",     "bpf",         "configfs", "fusectl",     "hugetlbfs",
        "autofs",     "binfmt_misc", "efivarfs", "rpc_pipefs",  "nsfs",
        "ramfs",      "selinuxfs",   "overlay",  "fuse.portal", "fuse.gvfsd-fuse",
        "fuse.lxcfs", "nfsd"};
    return kPseudo.count(type) != 0;
}

// Network file systems a person mounts as a disk of their own. FUSE file
// systems that serve a remote share are included; other FUSE mounts count only
// when they sit on a block device (ntfs-3g and the like).
bool IsNetworkFileSystem(std::string_view type) {
    static const std::set<std::string_view> kNetwork = {
        "nfs",         "nfs4",      "cifs",      "smb3",           "smbfs", "ncpfs",
        "afs",         "ceph",      "glusterfs", "fuse.glusterfs", "9p",    "fuse.sshfs",
        "fuse.rclone", "fuse.s3fs", "davfs",     "fuse.davfs2"};
    return kNetwork.count(type) != 0;
}

bool IsDiskMount(const MountEntry& m) {
    if (m.mountPoint == "/") return true;
    if (PathIsWithin(m.mountPoint, "/proc") || PathIsWithin(m.mountPoint, "/sys") ||
        PathIsWithin(m.mountPoint, "/dev"))
        return false;
    if (PathIsWithin(m.mountPoint, "/run") && !PathIsBelow(m.mountPoint, "/run/media"))
        return false;
    if (m.fsType == "tmpfs") return m.mountPoint == "/tmp";
    // Snap and other images are read-only squashfs on a loop device.
    if (m.fsType == "squashfs" && m.readOnly) return false;
    if (IsNetworkFileSystem(m.fsType)) return true;
    // ZFS datasets are disks of their own though named "pool/dataset" on device 0.
    if (m.fsType == "zfs") return true;
    if (IsPseudoFileSystem(m.fsType)) return false;
    if (m.source.rfind("/dev/", 0) == 0) return true;
    return major(m.device) != 0;
}

// Tree order: a folder's mounts directly follow it ("/home", "/home/x", "/home-b").
bool MountPointLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto ux = static_cast<unsigned char>(x);
        const auto uy = static_cast<unsigned char>(y);
        if (ux == uy) return false;
        if (ux == '/') return true;
        if (uy == '/') return false;
        return ux < uy;
    });
}

std::string NormaliseRoot(std::string root) {
    std::string out;
    for (const char c : root)
        if (!(c == '/' && !out.empty() && out.back() == '/')) out += c;
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

// udev writes label names with \xNN for blanks, slashes and the like.
std::string UnescapeUdevName(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16));
            i += 3;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string RealPath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return {};
    std::string out(resolved);
    free(resolved);
    return out;
}

QString LabelFor(const MountEntry& mount) {
    const QString label = VolumeLabelFor(mount);
    return label.isEmpty() ? QString::fromStdString(mount.fsType) : label;
}

struct TableState {
    std::vector<Drive> drives;
    char current = 'C';
};

TableState& State() {
    static TableState state;
    return state;
}

} // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> mounts;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = std::min(text.find('\n', pos), text.size());
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        const auto fields = SplitFields(line);
        // id parent major:minor root mount-point options [optional...] - type source super
        if (fields.size() < 10) continue;
        size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-")
            ++dash;
        if (dash + 2 >= fields.size()) continue;
        const std::string_view devField = fields[2];
        const size_t colon = devField.find(':');
        unsigned long devMajor = 0, devMinor = 0;
        if (colon == std::string_view::npos || !ParseNumber(devField.substr(0, colon), devMajor) ||
            !ParseNumber(devField.substr(colon + 1), devMinor))
            continue;
        MountEntry entry;
        entry.mountPoint = UnescapeOctal(fields[4]);
        entry.readOnly = HasOption(fields[5], "ro");
        entry.fsType = UnescapeOctal(fields[dash + 1]);
        entry.source = UnescapeOctal(fields[dash + 2]);
        entry.device = makedev(static_cast<unsigned>(devMajor), static_cast<unsigned>(devMinor));
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

std::vector<MountEntry> ReadMountInfo() {
    // /proc files report no size, so read until the end.
    std::string text;
    if (FILE* f = std::fopen("/proc/self/mountinfo", "rb")) {
        char buffer[16384];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            text.append(buffer, n);
        std::fclose(f);
    }
    return ParseMountInfo(text);
}

std::vector<MountEntry> SelectDiskMounts(const std::vector<MountEntry>& mounts) {
    // A later mount on the same point hides the earlier one.
    std::vector<MountEntry> visible;
    for (const MountEntry& m : mounts) {
        auto same = std::find_if(visible.begin(), visible.end(),
                                 [&](const MountEntry& v) { return v.mountPoint == m.mountPoint; });
        if (same != visible.end()) visible.erase(same);
        visible.push_back(m);
    }

    std::vector<MountEntry> disks;
    for (const MountEntry& m : visible)
        if (IsDiskMount(m)) disks.push_back(m);

    // A bind mount or a second mount of one device is the same disk: keep the
    // shortest mount point, the first one listed on a tie.
    std::stable_sort(disks.begin(), disks.end(), [](const MountEntry& a, const MountEntry& b) {
        return a.mountPoint.size() < b.mountPoint.size();
    });
    std::vector<MountEntry> unique;
    std::set<uint64_t> devices;
    for (const MountEntry& m : disks)
        if (devices.insert(m.device).second) unique.push_back(m);

    std::sort(unique.begin(), unique.end(), [](const MountEntry& a, const MountEntry& b) {
        return MountPointLess(a.mountPoint, b.mountPoint);
    });
    return unique;
}

QString VolumeLabelFor(const MountEntry& mount) {
    return VolumeLabelFor(mount, "/dev/disk/by-label");
}

QString VolumeLabelFor(const MountEntry& mount, const std::string& byLabelFolder) {
    if (mount.source.empty() || mount.source[0] != '/') return {};
    const std::string device = RealPath(mount.source);
    if (device.empty()) return {};
    DIR* dir = opendir(byLabelFolder.c_str());
    if (!dir) return {};
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (RealPath(byLabelFolder + "/" + name) == device)
            return QString::fromUtf8(UnescapeUdevName(name));
    }
    return {};
}

DriveAssignment AssignDriveLetters(const std::vector<MountEntry>& disks,
                                   const std::map<char, std::string>& known) {
    auto mountOf = [&](const std::string& root) -> const MountEntry* {
        for (const MountEntry& m : disks)
            if (NormaliseRoot(m.mountPoint) == root) return &m;
        return nullptr;
    };

    std::map<char, Drive> byLetter;
    std::set<std::string> placed;
    Drive system{'C', "/", {}};
    if (const MountEntry* m = mountOf("/")) system.label = LabelFor(*m);
    byLetter['C'] = system;
    placed.insert("/");

    // Known roots first, so a letter once given stays with its volume even
    // while that volume is not mounted.
    for (const auto& [rawLetter, rawRoot] : known) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(rawLetter)));
        if (letter < 'D' || letter > 'Z' || byLetter.count(letter)) continue;
        if (rawRoot.empty() || rawRoot[0] != '/') continue;
        const std::string root = NormaliseRoot(rawRoot);
        if (placed.count(root)) continue;
        Drive drive{letter, root, {}};
        if (const MountEntry* m = mountOf(root)) drive.label = LabelFor(*m);
        byLetter[letter] = drive;
        placed.insert(root);
    }

    char next = 'D';
    for (const MountEntry& m : disks) {
        const std::string root = NormaliseRoot(m.mountPoint);
        if (placed.count(root)) continue;
        while (next <= 'Z' && byLetter.count(next))
            ++next;
        if (next > 'Z') break;
        byLetter[next] = Drive{next, root, LabelFor(m)};
        placed.insert(root);
    }

    DriveAssignment result;
    for (const auto& [letter, drive] : byLetter) {
        result.drives.push_back(drive);
        result.letters[letter] = drive.root;
    }
    return result;
}

std::optional<std::vector<Drive>> DrivesFromOverride(const char* value) {
    if (!value || !*value) return std::nullopt;
    const std::string_view text(value);
    std::map<char, Drive> byLetter;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t end = std::min(text.find(';', pos), text.size());
        const std::string_view item = text.substr(pos, end - pos);
        pos = end + 1;
        const size_t eq = item.find('=');
        if (eq != 1) continue; // no '=' or not a single letter before it
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(item[0])));
        // A: and B: are never drives here either.
        if (letter < 'C' || letter > 'Z' || byLetter.count(letter)) continue;
        const std::string_view root = item.substr(eq + 1);
        if (root.empty() || root[0] != '/') continue;
        byLetter[letter] = Drive{letter, NormaliseRoot(std::string(root)), {}};
    }
    std::vector<Drive> drives;
    for (const auto& entry : byLetter)
        drives.push_back(entry.second);
    return drives;
}

void DriveTable::Set(std::vector<Drive> drives) {
    State().drives = std::move(drives);
    State().current = 'C';
}

const std::vector<Drive>& DriveTable::All() {
    return State().drives;
}

const Drive* DriveTable::ByLetter(char letter) {
    const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (const Drive& drive : State().drives)
        if (drive.letter == wanted) return &drive;
    return nullptr;
}

const Drive* DriveTable::ForPath(std::string_view path) {
    const Drive* best = nullptr;
    for (const Drive& drive : State().drives) {
        const std::string& root = drive.root;
        if (PathIsWithin(path, root) && (!best || root.size() > best->root.size())) best = &drive;
    }
    return best;
}

char DriveTable::CurrentLetter() {
    return State().current;
}

void DriveTable::SetCurrentLetter(char letter) {
    State().current = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
}

QString DriveRowText(const Drive& drive) {
    QString text = QString(QChar(drive.letter)) + QStringLiteral(": ") + DisplayPath(drive.root);
    if (!drive.label.isEmpty()) text += QStringLiteral("  [") + drive.label + QLatin1Char(']');
    return text;
}

bool DriveIsReady(const std::string& root) {
    struct stat st {};
    if (stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    struct statvfs vfs {};
    return statvfs(root.c_str(), &vfs) == 0;
}

DiskSpace QueryDiskSpace(const std::string& root) {
    DiskSpace space;
    struct statvfs vfs {};
    if (statvfs(root.c_str(), &vfs) != 0) return space;
    // A few file systems leave the fragment size at zero; the block size is then the unit.
    const unsigned long unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    space.ok = true;
    space.total = static_cast<double>(vfs.f_blocks) * static_cast<double>(unit);
    space.free = static_cast<double>(vfs.f_bfree) * static_cast<double>(unit);
    space.clusterSize = static_cast<int64_t>(unit);
    return space;
}

} // namespace quillon
