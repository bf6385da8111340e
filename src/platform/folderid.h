#pragma once
// What identifies an open folder for the walks: its device and inode, and the
// mount it belongs to where the kernel tells it (a bind mount shows the same
// device as its source, but another mount id).
#include <cstdint>
#include <sys/types.h>

namespace quillon {

struct FolderId {
    dev_t dev = 0;
    ino_t ino = 0;
    uint64_t mount = 0;
    bool hasMount = false;
};

// statx of an open folder (fstat where statx is missing); false when neither works.
bool FolderIdOf(int fd, FolderId* id);
// The open folder is still the one with that device and inode.
bool SameFolder(int fd, dev_t dev, ino_t ino);
// Both name the same folder: the same device and inode (the mount is not
// compared; a folder keeps its identity when mounted again).
bool IsSameFolder(const FolderId& a, const FolderId& b);
// `child` lies on the file system and mount of `top`: a walk may enter it.
bool OnSameMount(const FolderId& top, const FolderId& child);

} // namespace quillon
