#include "platform/filefacts.h"
#include "platform/resolver.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace quillon {

namespace {

std::string_view LastElement(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

DateTime TimeOf(const statx_timestamp& t) {
    return FromUnixTime(t.tv_sec, t.tv_nsec);
}

bool FactsFromStatx(int dirfd, const char* name, FileFacts& facts) {
    // No automount: looking at an autofs trigger must not mount a share.
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
    struct statx sx {};
    if (statx(dirfd, name, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        if (errno != ENOSYS) return false;
        // Kernels or sandboxes without statx: the same facts, minus the birth time.
        struct stat st {};
        if (fstatat(dirfd, name, &st, flags) != 0) return false;
        facts = FileFacts{};
        facts.size = static_cast<int64_t>(st.st_size);
        facts.modified = FromUnixTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
        facts.mtimeNs = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
        facts.accessed = FromUnixTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
        facts.device = st.st_dev;
        facts.inode = st.st_ino;
        facts.mode = st.st_mode;
        facts.links = static_cast<uint32_t>(st.st_nlink);
        facts.attributes = AttributesFor(LastElement(name), st.st_mode);
        return true;
    }
    facts = FileFacts{};
    facts.size = static_cast<int64_t>(sx.stx_size);
    if (sx.stx_mask & STATX_MTIME) {
        facts.modified = TimeOf(sx.stx_mtime);
        facts.mtimeNs = int64_t{sx.stx_mtime.tv_sec} * 1000000000 + sx.stx_mtime.tv_nsec;
    }
    if (sx.stx_mask & STATX_ATIME) facts.accessed = TimeOf(sx.stx_atime);
    // Many file systems do not record a birth time; then there is none.
    if (sx.stx_mask & STATX_BTIME) facts.created = TimeOf(sx.stx_btime);
    facts.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    facts.inode = sx.stx_ino;
    facts.mode = sx.stx_mode;
    if (sx.stx_mask & STATX_NLINK) facts.links = sx.stx_nlink;
    facts.attributes = AttributesFor(LastElement(name), sx.stx_mode);
    return true;
}

} // namespace

uint32_t AttributesFor(std::string_view name, mode_t mode) {
    uint32_t attributes = 0;
    // "." and ".." stand for a folder itself, not for a hidden entry.
    name = LastElement(name);
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= faHidden;
    if (S_ISDIR(mode))
        attributes |= faDirectory;
    else if (!S_ISREG(mode))
        attributes |= faSysFile;
    if (!(mode & S_IWUSR)) attributes |= faReadOnly;
    return attributes;
}

bool ReadFileFacts(const std::string& path, FileFacts& facts) {
    if (path.empty()) return false;
    if (FactsFromStatx(AT_FDCWD, path.c_str(), facts)) return true;
    if (errno != ENAMETOOLONG) return false;
    // The walk lists files below PATH_MAX-long paths (it works relative to
    // open folders); they are looked at the same way.
    FolderResolver resolver;
    std::string name;
    const int dirfd = resolver.openParent(path, &name, nullptr);
    return dirfd >= 0 && FactsFromStatx(dirfd, name.c_str(), facts);
}

bool ReadFileFactsAt(int dirfd, const char* name, FileFacts& facts) {
    if (!name || !*name) return false;
    return FactsFromStatx(dirfd, name, facts);
}

} // namespace quillon
