#include "platform/trash.h"
#include "platform/uniquefd.h"
#include "platform/paths.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillon {

namespace {

std::function<bool(const std::string&)>& FailureHook() {
    static std::function<bool(const std::string&)> hook;
    return hook;
}

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

bool Fail(std::string* error, std::string text) {
    if (error) *error = std::move(text);
    return false;
}

// The device a folder has, or would have once it is created: that of its
// nearest existing ancestor.
bool DeviceOfNearest(std::string folder, dev_t& device) {
    for (;;) {
        struct stat st {};
        if (stat(folder.c_str(), &st) == 0) {
            device = st.st_dev;
            return true;
        }
        if (folder == "/" || folder.empty()) return false;
        folder = ParentFolder(folder);
    }
}

// mkdir -p with 0700 for what is missing: the trash and the XDG folders
// above it are private to the user.
bool MakePrivateFolders(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (folder == "/" || folder.empty()) return false;
    if (!MakePrivateFolders(ParentFolder(folder))) return false;
    return mkdir(folder.c_str(), 0700) == 0 || (errno == EEXIST && FolderExists(folder));
}

// The absolute path of the entry with its folder part resolved, so that the
// mount search and the recorded Path= see the real location; the last
// element stays as it is (a link is trashed as the link).
std::string EntryPath(const std::string& path) {
    std::string absolute = path;
    if (absolute.empty() || absolute.front() != '/') {
        char cwd[4096];
        if (!getcwd(cwd, sizeof cwd)) return {};
        absolute = std::string(cwd) + "/" + absolute;
    }
    absolute = LexicalNormalise(absolute);
    if (absolute == "/") return {};
    return JoinPath(CanonicalPath(ParentFolder(absolute)), BaseName(absolute));
}

// Where one entry goes: the trash folder and the text Path= records.
struct Destination {
    std::string trash;     // holds files/ and info/
    std::string infoPath;  // absolute for the home trash, relative to topdir otherwise
    bool homeTrash = false;
};

bool IsPrivateFolder(const struct stat& st) {
    return S_ISDIR(st.st_mode) && st.st_uid == getuid();
}

// $topdir/.Trash may hold per-user trashes when an administrator made it
// sticky; it is ignored when it is a link or lacks the sticky bit.
bool SharedTrashUsable(const std::string& topdir) {
    struct stat st {};
    return lstat(JoinPath(topdir, ".Trash").c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           (st.st_mode & S_ISVTX);
}

bool Locate(const std::string& entry, dev_t device, Destination& out, std::string* error) {
    const std::string homeTrash = HomeTrashFolder();
    dev_t homeDevice = 0;
    if (DeviceOfNearest(homeTrash, homeDevice) && homeDevice == device) {
        out.trash = homeTrash;
        out.homeTrash = true;
        out.infoPath = entry;
        return true;
    }
    // The top of the entry's mount: go up while the device stays the same.
    std::string top = entry;
    while (top != "/") {
        const std::string up = ParentFolder(top);
        struct stat st {};
        if (stat(up.c_str(), &st) != 0 || st.st_dev != device) break;
        top = up;
    }
    if (top == entry) return Fail(error, "a mount point cannot be moved to the trash");
    out.infoPath = entry.substr(top == "/" ? 1 : top.size() + 1);
    const std::string uid = std::to_string(getuid());
    if (SharedTrashUsable(top)) {
        const std::string mine = JoinPath(top, ".Trash/" + uid);
        struct stat st {};
        const bool present = lstat(mine.c_str(), &st) == 0;
        if (!present || IsPrivateFolder(st)) {
            out.trash = mine;
            return true;
        }
    }
    out.trash = JoinPath(top, ".Trash-" + uid);
    return true;
}

// Opens files/ and info/ of the trash, creating what is missing.
bool OpenTrash(const Destination& where, UniqueFd& files, UniqueFd& info, std::string* error) {
    UniqueFd trash;
    if (where.homeTrash) {
        // Usual case first: everything is there already.
        info = UniqueFd(open((where.trash + "/info").c_str(), kDirFlags));
        files = UniqueFd(open((where.trash + "/files").c_str(), kDirFlags));
        if (info && files) return true;
        if (!MakePrivateFolders(where.trash))
            return Fail(error, "cannot create the trash folder " + where.trash + ": " + ErrorText(errno));
        trash = UniqueFd(open(where.trash.c_str(), kDirFlags));
    } else {
        // On a shared mount the trash must be ours and not a link someone placed there.
        trash = UniqueFd(open(where.trash.c_str(), kDirFlags | O_NOFOLLOW));
        if (!trash && errno == ENOENT) {
            if (mkdir(where.trash.c_str(), 0700) != 0 && errno != EEXIST)
                return Fail(error, "cannot create the trash folder " + where.trash + ": " + ErrorText(errno));
            trash = UniqueFd(open(where.trash.c_str(), kDirFlags | O_NOFOLLOW));
        }
        struct stat st {};
        if (trash && (fstat(trash.get(), &st) != 0 || !IsPrivateFolder(st)))
            return Fail(error, "the trash folder " + where.trash + " does not belong to this user");
    }
    if (!trash) return Fail(error, "cannot open the trash folder " + where.trash + ": " + ErrorText(errno));
    for (const char* name : {"files", "info"}) {
        if (mkdirat(trash.get(), name, 0700) != 0 && errno != EEXIST)
            return Fail(error, "cannot create " + where.trash + "/" + name + ": " + ErrorText(errno));
    }
    info = UniqueFd(openat(trash.get(), "info", kDirFlags | O_NOFOLLOW));
    files = UniqueFd(openat(trash.get(), "files", kDirFlags | O_NOFOLLOW));
    if (!info || !files)
        return Fail(error, "cannot open the trash folder " + where.trash + ": " + ErrorText(errno));
    return true;
}

// Path= as URI escaping does it: unreserved characters and '/' stay, every
// other byte (also bytes that are not UTF-8) becomes %XX.
std::string PercentEncode(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size() + 16);
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        const bool keep = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                          (u >= '0' && u <= '9') || u == '-' || u == '.' || u == '_' ||
                          u == '~' || u == '/';
        if (keep) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[u >> 4]);
            out.push_back(kHex[u & 0x0F]);
        }
    }
    return out;
}

std::string DeletionDate() {
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Names in the trash: the entry's own name, then "name.2", "name.3", ...
// Cut so that "<name>.trashinfo" still fits in one directory entry (the
// original name is kept in Path=); a cut never splits a UTF-8 character.
constexpr size_t kNameMax = 255;
constexpr std::string_view kInfoSuffix = ".trashinfo";

std::string TrashName(const std::string& base, unsigned attempt) {
    const std::string suffix = attempt < 2 ? std::string() : "." + std::to_string(attempt);
    const size_t room = kNameMax - kInfoSuffix.size() - suffix.size();
    if (base.size() <= room) return base + suffix;
    size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80)
        --cut;
    return base.substr(0, cut) + suffix;
}

// rename() without replacing: a stray file in files/ that has no .trashinfo
// must not be overwritten. File systems without RENAME_NOREPLACE get a look first.
int RenameNoReplace(int fromDir, const std::string& from, int filesFd, const std::string& name) {
    if (renameat2(fromDir, from.c_str(), filesFd, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    struct stat st {};
    if (fstatat(filesFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
    return renameat(fromDir, from.c_str(), filesFd, name.c_str()) == 0 ? 0 : errno;
}

// Moves `from` (in `fromDir`) whose absolute location is `entry`.
bool TrashEntry(int fromDir, const std::string& from, const std::string& entry,
                const std::string& path, std::string* error) {
    struct stat st {};
    if (fstatat(fromDir, from.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Fail(error, ErrorText(errno));

    Destination where;
    if (!Locate(entry, st.st_dev, where, error)) return false;
    const std::string trashPrefix = where.trash + "/";
    if (entry == where.trash || entry.compare(0, trashPrefix.size(), trashPrefix) == 0)
        return Fail(error, "it is in the trash already");
    if (where.trash.compare(0, entry.size() + 1, entry + "/") == 0)
        return Fail(error, "the trash lies inside it");

    UniqueFd files;
    UniqueFd info;
    if (!OpenTrash(where, files, info, error)) return false;

    const std::string contents = "[Trash Info]\nPath=" + PercentEncode(where.infoPath) +
                                 "\nDeletionDate=" + DeletionDate() + "\n";
    const std::string base = BaseName(entry);
    for (unsigned attempt = 1;; ++attempt) {
        const std::string name = TrashName(base, attempt);
        const std::string infoName = name + std::string(kInfoSuffix);
        // Creating the .trashinfo exclusively reserves the name among all
        // programs that follow the same rules.
        UniqueFd infoFile(openat(info.get(), infoName.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!infoFile) {
            const int err = errno;
            if (err == EEXIST) continue;
            return Fail(error, "cannot write " + where.trash + "/info/" + infoName + ": " + ErrorText(err));
        }
        // Written completely before the move, but not flushed (as other
        // desktop trash programs do): a flush per entry made trashing several
        // times slower. A crash can at worst leave a restore note incomplete;
        // the entry itself is only renamed, never lost.
        if (!WriteAll(infoFile.get(), contents) || close(infoFile.release()) != 0) {
            const int err = errno;
            unlinkat(info.get(), infoName.c_str(), 0);
            return Fail(error, "cannot write " + where.trash + "/info/" + infoName + ": " + ErrorText(err));
        }

        const auto& hook = FailureHook();
        const int err = hook && hook(path) ? EXDEV : RenameNoReplace(fromDir, from, files.get(), name);
        if (err == 0) return true;
        unlinkat(info.get(), infoName.c_str(), 0);
        if (err == EEXIST) continue; // files/ holds a stray entry of that name
        // Never a copy: an entry that cannot be renamed stays where it is.
        return Fail(error, ErrorText(err));
    }
}

} // namespace

bool MoveToTrash(const std::string& path, std::string* error) {
    const std::string entry = EntryPath(path);
    if (entry.empty()) return Fail(error, "cannot move " + path + " to the trash");
    return TrashEntry(AT_FDCWD, entry, entry, path, error);
}

bool MoveToTrashAt(int dirfd, const std::string& name, const std::string& path, std::string* error) {
    const std::string entry = LexicalNormalise(path);
    if (entry.empty() || entry.front() != '/' || entry == "/" || name.empty())
        return Fail(error, "cannot move " + path + " to the trash");
    return TrashEntry(dirfd, name, entry, path, error);
}

std::string HomeTrashFolder() { return DataHome() + "/Trash"; }

bool IsInsideTrash(std::string_view folder, std::string_view homeTrash) {
    if (!homeTrash.empty() && PathIsWithin(folder, homeTrash)) return true;
    // Any element ".Trash" or ".Trash-" followed by digits.
    size_t at = 0;
    while (at < folder.size()) {
        size_t end = folder.find('/', at);
        if (end == std::string_view::npos) end = folder.size();
        const std::string_view element = folder.substr(at, end - at);
        if (element == ".Trash") return true;
        if (element.size() > 7 && element.starts_with(".Trash-") &&
            element.find_first_not_of("0123456789", 7) == std::string_view::npos)
            return true;
        at = end + 1;
    }
    return false;
}

std::string TrashFolderFor(const std::string& path) {
    const std::string entry = EntryPath(path);
    struct stat st {};
    if (entry.empty() || lstat(entry.c_str(), &st) != 0) return {};
    Destination where;
    if (!Locate(entry, st.st_dev, where, nullptr)) return {};
    return where.trash;
}

void SetTrashFailureForTesting(std::function<bool(const std::string& path)> fails) {
    FailureHook() = std::move(fails);
}

} // namespace quillon
