#include "platform/folderid.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace quillon {

bool FolderIdOf(int fd, FolderId* id) {
    struct statx sx {};
    if (statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_MNT_ID, &sx) != 0) {
        struct stat st {};
        if (fstat(fd, &st) != 0) return false;
        *id = FolderId{st.st_dev, st.st_ino, 0, false};
        return true;
    }
    id->dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    id->ino = sx.stx_ino;
    id->hasMount = (sx.stx_mask & STATX_MNT_ID) != 0;
    id->mount = sx.stx_mnt_id;
    return true;
}

bool SameFolder(int fd, dev_t dev, ino_t ino) {
    struct stat st {};
    return fstat(fd, &st) == 0 && st.st_dev == dev && st.st_ino == ino;
}

bool IsSameFolder(const FolderId& a, const FolderId& b) { return a.dev == b.dev && a.ino == b.ino; }

bool OnSameMount(const FolderId& top, const FolderId& child) {
    return child.dev == top.dev && (!top.hasMount || !child.hasMount || child.mount == top.mount);
}

} // namespace quillon
