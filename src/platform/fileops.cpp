#include "platform/fileops.h"
#include "platform/eventpump.h"
#include "platform/paths.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillon {

namespace {

using FailureFunction = std::function<int(std::string_view, const std::string&)>;

FailureFunction& FailureHook() {
    static FailureFunction hook;
    return hook;
}

int InjectedFailure(std::string_view operation, const std::string& path) {
    const auto& hook = FailureHook();
    return hook ? hook(operation, path) : 0;
}

int InjectedFailureAt(std::string_view operation, const std::string& folder, const char* name) {
    const auto& hook = FailureHook();
    if (!hook) return 0; // no path text built per file unless a test asks
    std::string path = folder;
    if (path.empty() || path.back() != '/') path.push_back('/');
    path.append(name);
    return hook(operation, path);
}

int Result(int rc) { return rc == 0 ? 0 : errno; }

// chmod u+w of `name` in `dirfd` without following a link. Linux has no
// lchmod: fchmodat(AT_SYMLINK_NOFOLLOW) in glibc goes through an O_PATH
// descriptor and /proc/self/fd and refuses a link, which also covers a link
// swapped in after the look. A link itself has no write bit to clear.
int ClearReadOnly(int dirfd, const char* name) {
    struct stat st {};
    if (fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    if (S_ISLNK(st.st_mode) || (st.st_mode & S_IWUSR)) return 0;
    const mode_t mode = (st.st_mode & 07777) | S_IWUSR;
    if (fchmodat(dirfd, name, mode, AT_SYMLINK_NOFOLLOW) == 0) return 0;
    if (errno != EOPNOTSUPP && errno != ENOTSUP) return errno;
    // Either a link now, or /proc is not mounted: look again.
    if (fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    if (S_ISLNK(st.st_mode)) return 0;
    return Result(fchmodat(dirfd, name, mode, 0));
}

} // namespace

int DeleteFilePath(const std::string& path) {
    if (const int err = InjectedFailure("unlink", path)) return err;
    return Result(unlink(path.c_str()));
}

int RemoveFolderPath(const std::string& path) {
    if (const int err = InjectedFailure("rmdir", path)) return err;
    return Result(rmdir(path.c_str()));
}

int ClearReadOnlyPath(const std::string& path) {
    if (const int err = InjectedFailure("chmod", path)) return err;
    return ClearReadOnly(AT_FDCWD, path.c_str());
}

int DeleteFileAt(int dirfd, const std::string& folder, const char* name) {
    if (const int err = InjectedFailureAt("unlink", folder, name)) return err;
    return Result(unlinkat(dirfd, name, 0));
}

int RemoveFolderAt(int dirfd, const std::string& folder, const char* name) {
    if (const int err = InjectedFailureAt("rmdir", folder, name)) return err;
    return Result(unlinkat(dirfd, name, AT_REMOVEDIR));
}

int ClearReadOnlyAt(int dirfd, const std::string& folder, const char* name) {
    if (const int err = InjectedFailureAt("chmod", folder, name)) return err;
    return ClearReadOnly(dirfd, name);
}

void SetFileOpFailureForTesting(FailureFunction fails) { FailureHook() = std::move(fails); }

namespace {

constexpr int kTopOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;
constexpr int kChildOpenFlags = kTopOpenFlags;
// Going back up through ".." is the one open that must follow nothing and
// still be allowed to name a parent.
constexpr int kParentOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Folders open at once. Deeper than this the walk gives back the descriptor
// of the shallowest open folder (never the top's) and takes it again through
// ".." of its child on the way back up, so depth costs no descriptors and
// paths longer than PATH_MAX are no problem (nothing is opened by full path).
constexpr size_t kMaxOpenFolders = 64;

constexpr size_t kEntryBufferBytes = 64 * 1024;

bool SameFolder(int fd, dev_t dev, ino_t ino) {
    struct stat st {};
    return fstat(fd, &st) == 0 && st.st_dev == dev && st.st_ino == ino;
}

// One folder of the current branch. Its entries are read completely when it
// is entered, before any is handed out: the visitor removes them as it goes,
// and a folder that changes under readdir may skip or repeat names.
struct Frame {
    int fd = -1; // -1 while given back (see kMaxOpenFolders)
    dev_t dev = 0;
    ino_t ino = 0;
    size_t pathLength = 0;       // length of this folder's text in path_
    std::string names;           // NUL-terminated names back to back
    std::vector<size_t> entries; // offsets into names: non-folders
    std::vector<size_t> folders; // offsets into names: sub-folders
    size_t next = 0;             // entries are handled first, then folders
    bool lost = false;           // moved away while given back: the rest is skipped
};

class RemovalWalker {
public:
    explicit RemovalWalker(RemovalVisitor& visitor)
        : visitor_(visitor), buffer_(new unsigned char[kEntryBufferBytes]) {}
    ~RemovalWalker() {
        for (size_t i = 0; i < depth_; ++i)
            if (frames_[i].fd >= 0) close(frames_[i].fd);
    }
    RemovalWalker(const RemovalWalker&) = delete;
    RemovalWalker& operator=(const RemovalWalker&) = delete;

    bool run(const std::string& top);

private:
    void appendName(const char* name) {
        if (path_.back() != '/') path_.push_back('/');
        path_.append(name);
    }
    std::string nameOf(size_t index) const {
        const size_t parentLength = frames_[index - 1].pathLength;
        const size_t start = parentLength + (path_[parentLength - 1] == '/' ? 0 : 1);
        return path_.substr(start, frames_[index].pathLength - start);
    }
    void pushFrame(int fd, const struct stat& st);
    void popFrame();
    void readFolder(Frame& frame);
    void visitEntry(Frame& frame, size_t offset);
    void releaseShallowest();
    void reopen(size_t index, int childFd);

    RemovalVisitor& visitor_;
    std::unique_ptr<unsigned char[]> buffer_;
    std::vector<Frame> frames_; // [0, depth_) is the current branch
    size_t depth_ = 0;
    size_t openCount_ = 0;
    size_t releaseFrom_ = 1;
    dev_t topDevice_ = 0;
    std::string path_;
};

bool RemovalWalker::run(const std::string& top) {
    if (top.empty()) return false;
    path_ = LexicalNormalise(top);
    // The top as well: removing a tree through a link to it would empty the
    // link's target.
    const int fd = open(path_.c_str(), kTopOpenFlags);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        close(fd);
        return false;
    }
    topDevice_ = st.st_dev;
    pushFrame(fd, st);
    readFolder(frames_[0]);

    while (depth_ > 0) {
        Frame& frame = frames_[depth_ - 1];
        const size_t total = frame.entries.size() + frame.folders.size();
        if (frame.lost || frame.next >= total) {
            popFrame();
            continue;
        }
        if (visitor_.aborted()) return true;
        const size_t index = frame.next++;
        if (index < frame.entries.size()) {
            visitEntry(frame, frame.entries[index]);
            continue;
        }
        const char* name = frame.names.data() + frame.folders[index - frame.entries.size()];
        int child = openat(frame.fd, name, kChildOpenFlags);
        if (child >= 0 && (fstat(child, &st) != 0 || st.st_dev != topDevice_)) {
            close(child); // another file system: not ours to empty
            child = -1;
        }
        EventPump::Serve();
        if (child < 0) continue; // gone, a link by now, unreadable, or another device
        appendName(name);
        pushFrame(child, st); // may move frames_: `frame` is not used below
        readFolder(frames_[depth_ - 1]);
    }
    return true;
}

void RemovalWalker::visitEntry(Frame& frame, size_t offset) {
    const char* name = frame.names.data() + offset;
    FileFacts facts;
    // The entry may have gone since the folder was read.
    if (ReadFileFactsAt(frame.fd, name, facts)) {
        if (S_ISDIR(facts.mode)) {
            frame.folders.push_back(offset); // became a folder meanwhile: walk it
        } else {
            visitor_.entry(frame.fd, path_, std::string(name), facts);
        }
    }
    EventPump::Serve();
}

void RemovalWalker::pushFrame(int fd, const struct stat& st) {
    if (depth_ == frames_.size()) frames_.emplace_back();
    Frame& frame = frames_[depth_++];
    frame.fd = fd;
    frame.dev = st.st_dev;
    frame.ino = st.st_ino;
    frame.pathLength = path_.size();
    frame.names.clear();
    frame.entries.clear();
    frame.folders.clear();
    frame.next = 0;
    frame.lost = false;
    if (++openCount_ > kMaxOpenFolders) releaseShallowest();
}

void RemovalWalker::releaseShallowest() {
    // Open frames below the deepest form one run starting at releaseFrom_:
    // they are given back from the shallow end and taken again from the deep end.
    for (size_t i = std::max<size_t>(releaseFrom_, 1); i + 1 < depth_; ++i) {
        if (frames_[i].fd < 0) continue;
        close(frames_[i].fd);
        frames_[i].fd = -1;
        --openCount_;
        releaseFrom_ = i + 1;
        return;
    }
}

void RemovalWalker::popFrame() {
    const size_t index = depth_ - 1;
    Frame& frame = frames_[index];
    if (index > 0) {
        Frame& parent = frames_[index - 1];
        if (parent.fd < 0 && !parent.lost) reopen(index - 1, frame.fd);
    }
    if (frame.fd >= 0) {
        close(frame.fd);
        frame.fd = -1;
        --openCount_;
    }
    if (index > 0) {
        Frame& parent = frames_[index - 1];
        const std::string name = nameOf(index);
        path_.resize(parent.pathLength);
        // Closed first, so the visitor may remove it at once.
        if (parent.fd >= 0 && !frame.lost) visitor_.folderDone(parent.fd, path_, name);
    }
    --depth_;
}

// Takes a given-back folder again: through ".." of its child, checked against
// the device and inode it had; when the child was moved meanwhile, by its
// names from the top, checking every step. A folder not found again either
// way is lost: the rest of it is left alone.
void RemovalWalker::reopen(size_t index, int childFd) {
    Frame& target = frames_[index];
    if (childFd >= 0) {
        const int fd = openat(childFd, "..", kParentOpenFlags);
        if (fd >= 0 && SameFolder(fd, target.dev, target.ino)) {
            target.fd = fd;
            ++openCount_;
            releaseFrom_ = std::min(releaseFrom_, index);
            return;
        }
        if (fd >= 0) close(fd);
    }
    int current = frames_[0].fd;
    for (size_t i = 1; i <= index; ++i) {
        Frame& step = frames_[i];
        int next = step.lost ? -1 : openat(current, nameOf(i).c_str(), kChildOpenFlags);
        if (current != frames_[0].fd) close(current);
        if (next >= 0 && !SameFolder(next, step.dev, step.ino)) {
            close(next);
            next = -1;
        }
        if (next < 0) {
            for (size_t j = i; j <= index; ++j)
                frames_[j].lost = true;
            return;
        }
        current = next;
    }
    target.fd = current;
    ++openCount_;
    releaseFrom_ = std::min(releaseFrom_, index);
}

void RemovalWalker::readFolder(Frame& frame) {
    for (;;) {
        const ssize_t got = getdents64(frame.fd, buffer_.get(), kEntryBufferBytes);
        if (got <= 0) break; // the end; an error part-way keeps what was read
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer_.get() + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (fstatat(frame.fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
                type = static_cast<unsigned char>(IFTODT(st.st_mode));
            }
            (type == DT_DIR ? frame.folders : frame.entries).push_back(frame.names.size());
            frame.names.append(name, std::strlen(name) + 1);
        }
        EventPump::Serve();
    }
}

} // namespace

bool WalkTreeForRemoval(const std::string& top, RemovalVisitor& visitor) {
    RemovalWalker walker(visitor);
    return walker.run(top);
}

} // namespace quillon
