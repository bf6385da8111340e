#include "platform/walker.h"
#include "platform/eventpump.h"
#include "platform/paths.h"
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillon {

namespace {

std::function<bool(const std::string&)>& OpenFailureHook() {
    static std::function<bool(const std::string&)> hook;
    return hook;
}

unsigned char LowerAscii(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

// Where the character that starts at name[i] ends. '?' stands for one
// character, and a UTF-8 character is several bytes; bytes that are not valid
// UTF-8 count one each.
size_t CharacterEnd(std::string_view name, size_t i) {
    const auto lead = static_cast<unsigned char>(name[i++]);
    if (lead >= 0xC0)
        while (i < name.size() && (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80)
            ++i;
    return i;
}

// '*' and '?' only. Two pointers; on a mismatch the last star takes one more
// character and matching resumes after it, so the cost stays near
// name length x mask length in the worst case and linear in the usual one.
bool WildcardMatch(std::string_view name, std::string_view mask) {
    constexpr size_t kNone = std::string_view::npos;
    size_t n = 0;
    size_t m = 0;
    size_t starMask = kNone; // mask position just after the last star
    size_t starName = 0;     // where the text taken by that star ends
    while (n < name.size()) {
        if (m < mask.size()) {
            const char c = mask[m];
            if (c == '*') {
                starMask = ++m;
                starName = n;
                continue;
            }
            if (c == '?') {
                n = CharacterEnd(name, n);
                ++m;
                continue;
            }
            if (LowerAscii(c) == LowerAscii(name[n])) {
                ++n;
                ++m;
                continue;
            }
        }
        if (starMask == kNone) return false;
        starName = CharacterEnd(name, starName);
        n = starName;
        m = starMask;
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

constexpr int kFolderOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// Folders below the root: never through a symbolic link.
constexpr int kChildOpenFlags = kFolderOpenFlags | O_NOFOLLOW;

// How many folders stay open at once. Deeper than this, the walk gives back
// the descriptor of the shallowest open folder (never the root's) and opens it
// again through ".." of its child on the way back up (see Walker::reopen).
// Trees thousands of levels deep therefore never run out of descriptors.
constexpr size_t kMaxOpenFolders = 64;

// getdents64 buffer; big enough that a typical folder takes one call.
constexpr size_t kEntryBufferBytes = 64 * 1024;

bool SameFolder(int fd, dev_t dev, ino_t ino) {
    struct stat st {};
    return fstat(fd, &st) == 0 && st.st_dev == dev && st.st_ino == ino;
}

// One folder of the current branch. The folder is read completely when it is
// entered (one pass over its entries), so afterwards only the names of what is
// still to be walked or examined are kept.
struct Frame {
    int fd = -1; // -1 while given back (see kMaxOpenFolders) or lost
    dev_t dev = 0;
    ino_t ino = 0;
    size_t pathLength = 0;       // length of this folder's text in the path buffer
    std::string names;           // NUL-terminated names back to back
    std::vector<size_t> folders; // offsets into names: sub-folders to walk
    std::vector<size_t> files;   // offsets into names: files to examine
    size_t nextFolder = 0;
    bool empty = false; // no entry at all besides "." and ".."
    // It could not be found again after its descriptor was given back (moved
    // or replaced meanwhile): the rest of it is skipped.
    bool lost = false;
};

class Walker {
public:
    Walker(const WalkOptions& options, WalkVisitor& visitor)
        : options_(options), visitor_(visitor),
          matchAll_(options.mask == "*.*" || options.mask == "*"),
          buffer_(new unsigned char[kEntryBufferBytes]) {}

    ~Walker() {
        for (size_t i = 0; i < depth_; ++i)
            if (frames_[i].fd >= 0) close(frames_[i].fd);
    }

    Walker(const Walker&) = delete;
    Walker& operator=(const Walker&) = delete;

    bool run(const std::string& root);

private:
    bool openFails() const {
        const auto& hook = OpenFailureHook();
        return hook && hook(path_);
    }
    void appendName(const char* name) {
        if (path_.back() != '/') path_.push_back('/');
        path_.append(name);
    }
    void pushFrame(int fd, const struct stat& st);
    void popFrame();
    void enter(size_t index);
    void readFolder(Frame& frame);
    bool examineFiles(Frame& frame);
    bool wanted(mode_t mode) const {
        if (S_ISREG(mode)) return true;
        return !S_ISDIR(mode) && options_.systemFiles;
    }
    void releaseShallowest();
    void reopen(size_t index, int childFd);

    const WalkOptions& options_;
    WalkVisitor& visitor_;
    const bool matchAll_;
    std::unique_ptr<unsigned char[]> buffer_;
    std::vector<Frame> frames_; // reused from folder to folder: [0, depth_) is the branch
    size_t depth_ = 0;
    size_t openCount_ = 0;
    size_t releaseFrom_ = 1; // no frame below this (except the root) holds a descriptor
    dev_t rootDevice_ = 0;
    std::string path_; // the current folder's text; children appended and cut off again
};

bool Walker::run(const std::string& root) {
    if (root.empty()) return false;
    path_ = LexicalNormalise(root);
    if (openFails()) return false;
    // The root itself may be reached through a link: it is the drive.
    const int fd = open(root.c_str(), kFolderOpenFlags);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        close(fd);
        return false;
    }
    rootDevice_ = st.st_dev;
    pushFrame(fd, st);
    if (visitor_.aborted()) return true;
    enter(0);

    while (depth_ > 0) {
        Frame& frame = frames_[depth_ - 1];
        if (!frame.lost && frame.nextFolder < frame.folders.size()) {
            const size_t offset = frame.folders[frame.nextFolder++];
            if (visitor_.aborted()) return true;
            const int parentFd = frame.fd;
            const size_t parentLength = path_.size();
            appendName(frame.names.data() + offset);
            int child = -1;
            if (!openFails())
                child = openat(parentFd, frame.names.data() + offset, kChildOpenFlags);
            // fstat of the open folder serves both the device test and the
            // identity used to find it again later; no separate stat.
            if (child >= 0 && (fstat(child, &st) != 0 || st.st_dev != rootDevice_)) {
                close(child);
                child = -1;
            }
            if (child < 0) {
                path_.resize(parentLength); // gone, unreadable or another drive: skipped
                continue;
            }
            pushFrame(child, st); // may move frames_: `frame` is not used below
            enter(depth_ - 1);
            continue;
        }
        if (!frame.lost && !(options_.skipEmptyFolders && frame.empty))
            if (!examineFiles(frame)) return true;
        popFrame();
    }
    return true;
}

void Walker::pushFrame(int fd, const struct stat& st) {
    if (depth_ == frames_.size()) frames_.emplace_back();
    Frame& frame = frames_[depth_++];
    frame.fd = fd;
    frame.dev = st.st_dev;
    frame.ino = st.st_ino;
    frame.pathLength = path_.size();
    frame.names.clear();
    frame.folders.clear();
    frame.files.clear();
    frame.nextFolder = 0;
    frame.empty = false;
    frame.lost = false;
    if (++openCount_ > kMaxOpenFolders) releaseShallowest();
}

void Walker::releaseShallowest() {
    // Open frames below the top form one run starting at releaseFrom_ (frames
    // are given back from the shallow end and taken again only from the top).
    for (size_t i = std::max<size_t>(releaseFrom_, 1); i + 1 < depth_; ++i) {
        if (frames_[i].fd < 0) continue;
        close(frames_[i].fd);
        frames_[i].fd = -1;
        --openCount_;
        releaseFrom_ = i + 1;
        return;
    }
}

void Walker::popFrame() {
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
    --depth_;
    if (depth_ > 0) path_.resize(frames_[depth_ - 1].pathLength);
}

// Takes a given-back folder again. Normally through ".." of its child, checked
// against the device and inode it had; when the child was moved meanwhile, by
// its names from the root, checking every step. A folder that cannot be found
// again that way is lost, and the rest of it is skipped.
void Walker::reopen(size_t index, int childFd) {
    Frame& target = frames_[index];
    if (childFd >= 0) {
        const int fd = openat(childFd, "..", kFolderOpenFlags);
        if (fd >= 0 && SameFolder(fd, target.dev, target.ino)) {
            target.fd = fd;
            ++openCount_;
            releaseFrom_ = std::min(releaseFrom_, index);
            return;
        }
        if (fd >= 0) close(fd);
    }
    int current = frames_[0].fd;
    std::string name;
    for (size_t i = 1; i <= index; ++i) {
        Frame& step = frames_[i];
        const size_t parentLength = frames_[i - 1].pathLength;
        const size_t start = parentLength + (path_[parentLength - 1] == '/' ? 0 : 1);
        name.assign(path_, start, step.pathLength - start);
        int next = step.lost ? -1 : openat(current, name.c_str(), kChildOpenFlags);
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

void Walker::enter(size_t index) {
    visitor_.enterFolder(path_);
    readFolder(frames_[index]);
}

void Walker::readFolder(Frame& frame) {
    frame.empty = true;
    for (;;) {
        const ssize_t got = getdents64(frame.fd, buffer_.get(), kEntryBufferBytes);
        // 0 is the end; an error part-way keeps what was read so far.
        if (got <= 0) break;
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer_.get() + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            frame.empty = false;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                // Some file systems leave the type to a stat of their own.
                struct stat st {};
                if (fstatat(frame.fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
                type = static_cast<unsigned char>(IFTODT(st.st_mode));
            }
            const bool hidden = name[0] == '.';
            if (type == DT_DIR) {
                if (!hidden) {
                    frame.folders.push_back(frame.names.size());
                    frame.names.append(name, std::strlen(name) + 1);
                }
                continue;
            }
            if (hidden && !options_.hiddenFiles) continue;
            if (type != DT_REG && !options_.systemFiles) continue;
            if (!matchAll_ && !MatchesMask(name, options_.mask)) continue;
            frame.files.push_back(frame.names.size());
            frame.names.append(name, std::strlen(name) + 1);
        }
        EventPump::Serve();
    }
}

bool Walker::examineFiles(Frame& frame) {
    if (visitor_.aborted()) return false;
    visitor_.filesOf(path_);
    bool first = true;
    FileFacts facts;
    for (const size_t offset : frame.files) {
        if (!first && visitor_.aborted()) return false;
        first = false;
        const char* name = frame.names.data() + offset;
        // The entry may have gone or changed kind since the folder was read.
        if (ReadFileFactsAt(frame.fd, name, facts) && wanted(facts.mode))
            visitor_.file(path_, std::string_view(name), facts);
        EventPump::Serve();
    }
    return true;
}

} // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask == "*.*") return true;
    if (WildcardMatch(name, mask)) return true;
    // As on Windows, a pattern ending in ".*" also takes names without an
    // extension ("a*.*" matches "abc"), and one ending in "." takes only names
    // without a dot ("*." matches "README", not "a.txt").
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*")
        return WildcardMatch(name, mask.substr(0, mask.size() - 2));
    if (!mask.empty() && mask.back() == '.' && name.find('.') == std::string_view::npos)
        return WildcardMatch(name, mask.substr(0, mask.size() - 1));
    return false;
}

bool WalkTree(const std::string& root, const WalkOptions& options, WalkVisitor& visitor) {
    Walker walker(options, visitor);
    return walker.run(root);
}

void SetWalkOpenFailureForTesting(std::function<bool(const std::string& folder)> fails) {
    OpenFailureHook() = std::move(fails);
}

} // namespace quillon
