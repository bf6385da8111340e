#pragma once
// Finding a file again by its path without ever following a symbolic link.
// A path handed over from a list is opened from its drive root one folder at
// a time (O_NOFOLLOW), so a folder swapped for a link after the list was made
// can never lead outside; whatever is done to the file is then done relative
// to the folder opened this way. Folders are opened O_PATH, so folders that
// can be entered but not listed are no obstacle.
#include "platform/folderid.h"
#include "platform/uniquefd.h"
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillon {

// What identifies one file as it was seen: the same device and inode, and the
// same size and modification time (to the nanosecond).
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t mtimeNs = 0; // nanoseconds since 1970
    bool operator==(const FileIdentity&) const = default;
};

// A file handed over by a list: its path and, when the list saw it, what it
// was then. A path without identity (a folder browser's file, say) can only
// be checked for being a regular file.
struct SeenFile {
    std::string path;
    std::optional<FileIdentity> seen;
};

// statx of `name` in `dirfd` without following a link: its identity and its
// mode. 0 or the errno.
int IdentityAt(int dirfd, const char* name, FileIdentity* identity, mode_t* mode);
// The same of an open file.
int IdentityOf(int fd, FileIdentity* identity, mode_t* mode);
bool IsRegularMode(mode_t mode);
bool IsFolderMode(mode_t mode);

// Opens `name` in `dirfd` for reading when it is still exactly `expected`: a
// regular file (not a link) with that identity. -1 and a reason otherwise;
// the reason is "changed" when something else stands there now.
int OpenSameFileAt(int dirfd, const char* name, const FileIdentity& expected, std::string* why);

class FolderResolver;

// Whether `file` is still what its list saw: reached as FolderResolver does
// (no link on the way), a regular file with exactly the identity seen. A
// file without a seen identity is never "still as seen".
bool StillAsSeen(FolderResolver& resolver, const SeenFile& file);

// The device and inode of the folder `path`, reached as FolderResolver
// reaches it (no link on the way, and not a link itself); nothing when no
// such folder is there.
std::optional<FolderId> FolderIdOfPath(const std::string& path);

class FolderResolver {
public:
    FolderResolver();
    ~FolderResolver();
    FolderResolver(const FolderResolver&) = delete;
    FolderResolver& operator=(const FolderResolver&) = delete;

    // The open folder holding `path` (an absolute path) and the path's last
    // element. The drive root (the drive table's longest root holding the
    // path, else "/") is opened as it is; every folder below it must be a
    // real folder, not a link. -1 with the errno (ELOOP or ENOTDIR for a link
    // on the way) when it cannot be opened. The descriptor stays owned here
    // and valid until the next call. Consecutive paths in one folder cost no
    // system call; at most about 48 descriptors are kept open however deep
    // the path.
    int openParent(const std::string& path, std::string* name, int* error);

    // The folder `path` itself, opened for reading its entries: reached as
    // openParent reaches its parent, and not a link itself. Owned by the
    // caller; empty with the errno when it cannot be opened.
    UniqueFd openFolder(const std::string& path, int* error);

    // Forgets every open folder (a run is over).
    void clear();

private:
    struct Level {
        std::string name;
        UniqueFd fd; // may be given back on a deep path; opened again when needed
    };
    int fdOf(size_t index, int* error);

    std::string root_;
    UniqueFd rootFd_;
    std::vector<Level> levels_;
};

} // namespace quillon
