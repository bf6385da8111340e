#include "platform/resolver.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace quillon {

namespace {

constexpr size_t kMaxOpenLevels = 48;
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

int IdentityFrom(int dirfd, const char* name, int flags, FileIdentity* identity, mode_t* mode) {
    struct statx sx {};
    if (statx(dirfd, name, flags | AT_NO_AUTOMOUNT, STATX_BASIC_STATS, &sx) != 0) return errno;
    identity->device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    identity->inode = sx.stx_ino;
    identity->size = static_cast<int64_t>(sx.stx_size);
    identity->mtimeNs = int64_t{sx.stx_mtime.tv_sec} * 1000000000 + sx.stx_mtime.tv_nsec;
    if (mode) *mode = sx.stx_mode;
    return 0;
}

// The path's elements below `root`; false for a path not below it or one
// holding "." or ".." (lists hold normalised paths only).
bool ElementsBelow(std::string_view path, std::string_view root, std::vector<std::string_view>* out) {
    if (root != "/") {
        if (path.size() <= root.size() || path.compare(0, root.size(), root) != 0 ||
            path[root.size()] != '/')
            return false;
        path.remove_prefix(root.size());
    }
    size_t start = 0;
    while (start < path.size()) {
        const size_t slash = path.find('/', start);
        const size_t end = slash == std::string_view::npos ? path.size() : slash;
        const std::string_view part = path.substr(start, end - start);
        if (part == "." || part == "..") return false;
        if (!part.empty()) out->push_back(part);
        start = end + 1;
    }
    return !out->empty();
}

} // namespace

int IdentityAt(int dirfd, const char* name, FileIdentity* identity, mode_t* mode) {
    return IdentityFrom(dirfd, name, AT_SYMLINK_NOFOLLOW, identity, mode);
}

int IdentityOf(int fd, FileIdentity* identity, mode_t* mode) {
    return IdentityFrom(fd, "", AT_EMPTY_PATH, identity, mode);
}

bool StillAsSeen(FolderResolver& resolver, const SeenFile& file) {
    if (!file.seen) return false;
    std::string name;
    int error = 0;
    const int dirfd = resolver.openParent(file.path, &name, &error);
    if (dirfd < 0) return false;
    FileIdentity now;
    mode_t mode = 0;
    return IdentityAt(dirfd, name.c_str(), &now, &mode) == 0 && S_ISREG(mode) && now == *file.seen;
}

bool IsRegularMode(mode_t mode) { return S_ISREG(mode); }
bool IsFolderMode(mode_t mode) { return S_ISDIR(mode); }

int OpenSameFileAt(int dirfd, const char* name, const FileIdentity& expected, std::string* why) {
    UniqueFd fd(openat(dirfd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        const int err = errno;
        *why = err == ELOOP ? std::string("changed") : ErrorText(err);
        return -1;
    }
    FileIdentity now;
    mode_t mode = 0;
    if (IdentityOf(fd.get(), &now, &mode) != 0 || !S_ISREG(mode) || now != expected) {
        *why = "changed";
        return -1;
    }
    return fd.release();
}

FolderResolver::FolderResolver() = default;
FolderResolver::~FolderResolver() = default;

void FolderResolver::clear() {
    levels_.clear();
    rootFd_.reset();
    root_.clear();
}

int FolderResolver::fdOf(size_t index, int* error) {
    // A level whose descriptor was given back is opened again from the
    // nearest open level above it, each step again without following links.
    size_t open = index + 1;
    while (open > 0 && !levels_[open - 1].fd)
        --open;
    for (size_t i = open; i <= index; ++i) {
        const int parent = i == 0 ? rootFd_.get() : levels_[i - 1].fd.get();
        levels_[i].fd.reset(openat(parent, levels_[i].name.c_str(), kFolderFlags));
        if (!levels_[i].fd) {
            *error = errno;
            levels_.resize(i);
            return -1;
        }
        if (i + 1 > kMaxOpenLevels) levels_[i + 1 - kMaxOpenLevels].fd.reset();
    }
    return levels_[index].fd.get();
}

int FolderResolver::openParent(const std::string& path, std::string* name, int* error) {
    int dummy = 0;
    if (!error) error = &dummy;
    const Drive* drive = DriveTable::ForPath(path);
    const std::string root = drive ? drive->root : std::string("/");
    std::vector<std::string_view> parts;
    if (path.empty() || path.front() != '/' || !ElementsBelow(path, root, &parts)) {
        *error = EINVAL;
        return -1;
    }
    if (root != root_ || !rootFd_) {
        clear();
        rootFd_.reset(open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!rootFd_) {
            *error = errno;
            return -1;
        }
        root_ = root;
    }
    name->assign(parts.back());
    parts.pop_back();

    size_t same = 0;
    while (same < parts.size() && same < levels_.size() && levels_[same].name == parts[same])
        ++same;
    levels_.resize(same);
    for (size_t i = same; i < parts.size(); ++i)
        levels_.push_back(Level{std::string(parts[i]), UniqueFd()});
    if (levels_.empty()) return rootFd_.get();
    return fdOf(levels_.size() - 1, error);
}

UniqueFd FolderResolver::openFolder(const std::string& path, int* error) {
    int dummy = 0;
    if (!error) error = &dummy;
    std::string name;
    const int parent = openParent(path, &name, error);
    if (parent < 0) return {};
    UniqueFd fd(openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) *error = errno;
    return fd;
}

std::optional<FolderId> FolderIdOfPath(const std::string& path) {
    FolderResolver resolver;
    std::string name;
    const int parent = resolver.openParent(path, &name, nullptr);
    if (parent < 0) return std::nullopt;
    FileIdentity identity;
    mode_t mode = 0;
    if (IdentityAt(parent, name.c_str(), &identity, &mode) != 0 || !S_ISDIR(mode)) return std::nullopt;
    FolderId id;
    id.dev = static_cast<dev_t>(identity.device);
    id.ino = static_cast<ino_t>(identity.inode);
    return id;
}


} // namespace quillon
