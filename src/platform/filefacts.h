#pragma once
// What the program knows about one directory entry. Symbolic links are never
// followed: a link is a "system" entry of its own.
#include "platform/clock.h"
#include "platform/resolver.h"
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace quillon {

enum FileAttribute : uint32_t {
    faReadOnly = 0x01,  // owner write bit clear
    faHidden = 0x02,    // name begins with '.'
    faSysFile = 0x04,   // neither a regular file nor a folder
    faVolumeID = 0x08,  // never set on Linux
    faDirectory = 0x10, // a folder
    faArchive = 0x20,   // never set on Linux
};

struct FileFacts {
    int64_t size = 0;
    DateTime modified = kNoDate;
    DateTime accessed = kNoDate;
    DateTime created = kNoDate; // birth time from statx, kNoDate when not recorded
    uint32_t attributes = 0;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t mtimeNs = 0; // the modification time as recorded, nanoseconds since 1970
    mode_t mode = 0;
    uint32_t links = 1; // hard links to the file (several names, one file)
};

// What identifies the file these facts were read from.
inline FileIdentity SeenIdentity(const FileFacts& facts) {
    return FileIdentity{facts.device, facts.inode, facts.size, facts.mtimeNs};
}

uint32_t AttributesFor(std::string_view name, mode_t mode);

// statx(AT_SYMLINK_NOFOLLOW) of a path; false when it cannot be read. A path
// longer than the system takes whole is looked up folder by folder.
bool ReadFileFacts(const std::string& path, FileFacts& facts);
// The same, relative to an open folder.
bool ReadFileFactsAt(int dirfd, const char* name, FileFacts& facts);

} // namespace quillon
