#include "platform/dirstack.h"
#include "platform/folderid.h"
#include "platform/eventpump.h"
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

namespace quillon {

namespace {

// Below the top: never through a symbolic link.
constexpr int kChildOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;
// Going back up through "..": the one open that must name a parent.
constexpr int kParentOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// How many folders stay open at once (see the header).
constexpr size_t kMaxOpenFolders = 64;

// getdents64 buffer; big enough that a typical folder takes one call.
constexpr size_t kEntryBufferBytes = 64 * 1024;


} // namespace

DirStack::DirStack() : buffer_(new unsigned char[kEntryBufferBytes]) {}

DirStack::~DirStack() = default; // the levels close their descriptors

bool DirStack::pushTop(int fd, std::string path) {
    UniqueFd top(fd);
    FolderId id;
    if (!FolderIdOf(fd, &id)) return false;
    top_ = id;
    path_ = std::move(path);
    push(top.release(), id.dev, id.ino);
    return true;
}

bool DirStack::pushChild(const char* name) {
    UniqueFd child(openat(fd(), name, kChildOpenFlags));
    // One look at the open folder serves the device and mount tests and the
    // identity used to find it again later.
    FolderId id;
    if (child && (!FolderIdOf(child.get(), &id) || !OnSameMount(top_, id))) {
        // Another file system, or another mount of this one (a bind mount
        // shows the same device): never entered.
        child.reset();
    }
    if (!child) return false;
    if (path_.back() != '/') path_.push_back('/');
    path_.append(name);
    push(child.release(), id.dev, id.ino);
    return true;
}

void DirStack::push(int fd, dev_t dev, ino_t ino) {
    if (depth_ == levels_.size()) levels_.emplace_back();
    Level& level = levels_[depth_++];
    level.fd.reset(fd);
    level.dev = dev;
    level.ino = ino;
    level.pathLength = path_.size();
    level.lost = false;
    if (++openCount_ > kMaxOpenFolders) releaseShallowest();
}

void DirStack::releaseShallowest() {
    // Open levels below the deepest form one run starting at releaseFrom_:
    // they are given back from the shallow end and taken again from the deep end.
    for (size_t i = std::max<size_t>(releaseFrom_, 1); i + 1 < depth_; ++i) {
        if (!levels_[i].fd) continue;
        levels_[i].fd.reset();
        --openCount_;
        releaseFrom_ = i + 1;
        return;
    }
}

bool DirStack::pop(std::string* name) {
    const size_t index = depth_ - 1;
    Level& level = levels_[index];
    if (index > 0) {
        const Level& parent = levels_[index - 1];
        if (!parent.fd && !parent.lost) reopen(index - 1, level.fd.get());
    }
    if (level.fd) {
        level.fd.reset();
        --openCount_;
    }
    bool parentMayAct = false;
    if (index > 0) {
        if (name) *name = nameOf(index);
        parentMayAct = static_cast<bool>(levels_[index - 1].fd) && !level.lost;
    }
    --depth_;
    if (depth_ > 0) path_.resize(levels_[depth_ - 1].pathLength);
    return parentMayAct;
}

std::string DirStack::nameOf(size_t index) const {
    const size_t parentLength = levels_[index - 1].pathLength;
    const size_t start = parentLength + (path_[parentLength - 1] == '/' ? 0 : 1);
    return path_.substr(start, levels_[index].pathLength - start);
}

void DirStack::reopen(size_t index, int childFd) {
    Level& target = levels_[index];
    if (childFd >= 0) {
        UniqueFd up(openat(childFd, "..", kParentOpenFlags));
        if (up && SameFolder(up.get(), target.dev, target.ino)) {
            target.fd = std::move(up);
            ++openCount_;
            releaseFrom_ = std::min(releaseFrom_, index);
            return;
        }
    }
    // The child was moved meanwhile: down from the top by name, every step checked.
    UniqueFd reached; // the step reached so far, once below the top
    int current = levels_[0].fd.get();
    for (size_t i = 1; i <= index; ++i) {
        Level& step = levels_[i];
        UniqueFd next(step.lost ? -1 : openat(current, nameOf(i).c_str(), kChildOpenFlags));
        if (next && !SameFolder(next.get(), step.dev, step.ino)) next.reset();
        if (!next) {
            for (size_t j = i; j <= index; ++j)
                levels_[j].lost = true;
            return;
        }
        reached = std::move(next);
        current = reached.get();
    }
    target.fd = std::move(reached);
    ++openCount_;
    releaseFrom_ = std::min(releaseFrom_, index);
}

void DirStack::readEntries(EntryFunction each, void* context) {
    const int dirfd = fd();
    for (;;) {
        const ssize_t got = getdents64(dirfd, buffer_.get(), kEntryBufferBytes);
        if (got <= 0) break; // the end; an error part-way keeps what was read
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer_.get() + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                // Some file systems leave the kind to a stat of their own.
                struct stat st {};
                if (fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                    type = static_cast<unsigned char>(IFTODT(st.st_mode));
            }
            each(context, name, type);
        }
        EventPump::Serve();
    }
}

} // namespace quillon
