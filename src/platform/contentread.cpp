#include "platform/contentread.h"
#include "platform/drives.h"
#include "platform/uniquefd.h"
#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <random>
#include <sys/random.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <xxhash.h>

namespace quillon {

namespace {

std::function<int(const std::string&, ContentReadStep)>& readHook() {
    static std::function<int(const std::string&, ContentReadStep)> hook;
    return hook;
}

int askHook(const std::string& path, ContentReadStep step) {
    return readHook() ? readHook()(path, step) : 0;
}

// Holes are hashed from here: never written, so it stays in the zero page.
constexpr size_t kZeroBytes = 64 * 1024;
alignas(64) unsigned char gZeros[kZeroBytes];

ContentHash FromXxh(XXH128_hash_t h) { return ContentHash{h.low64, h.high64}; }

// The hash's secret, drawn once per run. With the library's published default
// secret two files of one size could be made to collide on purpose, and one
// of them offered for removal as a copy of the other; a secret nobody knows
// in advance leaves that to chance, at no cost in speed.
constexpr size_t kSecretBytes = 192; // the size of the library's own secret
static_assert(kSecretBytes >= XXH3_SECRET_SIZE_MIN);
const unsigned char* RunSecret() {
    static const std::array<unsigned char, kSecretBytes> secret = [] {
        std::array<unsigned char, kSecretBytes> s{};
        size_t filled = 0;
        while (filled < s.size()) {
            const ssize_t got = getrandom(s.data() + filled, s.size() - filled, 0);
            if (got > 0) {
                filled += static_cast<size_t>(got);
            } else if (got < 0 && errno != EINTR) {
                break;
            }
        }
        if (filled < s.size()) { // no getrandom: the standard library's source
            std::random_device device;
            for (size_t i = filled; i < s.size(); ++i) s[i] = static_cast<unsigned char>(device());
        }
        return s;
    }();
    return secret.data();
}

constexpr int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

} // namespace

ContentHash HashBytes(const void* data, size_t length) {
    return FromXxh(XXH3_128bits_withSecret(data, length, RunSecret(), kSecretBytes));
}

void SetContentReadHookForTesting(
    std::function<int(const std::string& path, ContentReadStep step)> hook) {
    readHook() = std::move(hook);
}

class ContentReader::Impl {
public:
    explicit Impl(size_t bufferBytes)
        : bufferBytes_(std::max<size_t>(bufferBytes, 4096)),
          buffer_(new unsigned char[bufferBytes_]), state_(XXH3_createState()) {
        if (!state_) throw std::bad_alloc();
    }
    ~Impl() { XXH3_freeState(state_); }

    ContentRead hashWhole(const std::string& path, const FileIdentity& seen, ContentHash* hash,
                          const std::atomic<bool>* abort, std::atomic<int64_t>* bytesRead);
    ContentRead hashEnds(const std::string& path, const FileIdentity& seen, int64_t endBytes,
                         ContentHash* hash, std::atomic<int64_t>* bytesRead);
    int64_t lastBytes() const { return lastBytes_; }
    bool stillAsSeen(const std::string& path, const FileIdentity& seen);

private:
    // Opens the file and checks it is the one seen: Done with the descriptor
    // in `fd`, or why not.
    // With `checkFirst` false the file is only checked after it was read
    // (checkAfter): for a read of one buffer or two, a check before it costs
    // as much again and decides nothing the later one does not.
    ContentRead openSeen(const std::string& path, const FileIdentity& seen, UniqueFd* fd,
                         bool checkFirst);
    // The file's folder is opened below the drive root without following a
    // link (openat2), the file in it with O_NOFOLLOW.
    int openBelowRoot(const std::string& path);
    // The open folder of `path` (kept for the next file of that folder) and
    // the file's name in it; -1 with errno.
    int folderOf(const std::string& path, const char** name);
    int openFolder(const std::string& folder);
    int rootFor(const std::string& folder, std::string* below);
    // Reads [offset, offset + length) into the hash, buffer by buffer.
    ContentRead readRange(const std::string& path, int fd, int64_t offset, int64_t length,
                          const std::atomic<bool>* abort, std::atomic<int64_t>* bytesRead);
    void hashZeros(int64_t length, std::atomic<int64_t>* bytesRead);
    // After the last read: still the same file, no larger and no newer.
    static ContentRead checkAfter(int fd, const FileIdentity& seen);

    const size_t bufferBytes_;
    std::unique_ptr<unsigned char[]> buffer_;
    XXH3_state_t* state_;
    std::string root_;
    UniqueFd rootFd_;
    bool openat2Works_ = true;
    int64_t lastBytes_ = 0;
    std::string folder_; // the folder of the last file opened, kept open
    UniqueFd folderFd_;
    FolderResolver resolver_; // where openat2 cannot be used
};

int ContentReader::Impl::rootFor(const std::string& folder, std::string* below) {
    // Files are read below the drive they were found on; a path outside every
    // drive is read below "/".
    const Drive* drive = DriveTable::ForPath(folder);
    const std::string root = drive ? drive->root : std::string("/");
    if (root != root_ || !rootFd_) {
        rootFd_.reset(::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!rootFd_) {
            root_.clear();
            return -1;
        }
        root_ = root;
    }
    const size_t skip = root == "/" ? 1 : root.size() + 1;
    *below = folder.size() <= skip ? std::string(".") : folder.substr(skip);
    return rootFd_.get();
}

int ContentReader::Impl::openFolder(const std::string& folder) {
    if (!openat2Works_) {
        errno = ENOSYS;
        return -1;
    }
    std::string below;
    const int root = rootFor(folder, &below);
    if (root < 0) return -1;
    for (;;) {
        open_how how{};
        how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
        // No link anywhere on the way, nothing outside the drive, no other mount.
        how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_BENEATH | RESOLVE_NO_XDEV;
        const int fd = static_cast<int>(syscall(SYS_openat2, root, below.c_str(), &how, sizeof how));
        if (fd >= 0) return fd;
        if (errno == EAGAIN) continue; // a rename raced the lookup
        // EPERM: a sandbox that refuses system calls it does not know.
        if (errno == ENOSYS || errno == E2BIG || errno == EPERM) openat2Works_ = false;
        return -1;
    }
}

int ContentReader::Impl::folderOf(const std::string& path, const char** name) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 >= path.size()) {
        errno = EINVAL;
        return -1;
    }
    const std::string_view folder(path.data(), slash == 0 ? 1 : slash);
    *name = path.c_str() + slash + 1;
    // Files read one after another mostly share their folder: it stays open.
    int dirfd = -1;
    if (folderFd_ && folder == folder_) {
        dirfd = folderFd_.get();
    } else {
        folderFd_.reset();
        folder_.assign(folder);
        folderFd_.reset(openFolder(folder_));
        if (folderFd_) {
            dirfd = folderFd_.get();
        } else if (errno == ENAMETOOLONG || errno == ENOSYS || errno == E2BIG || errno == EPERM) {
            // Deeper than the system resolves at once: folder by folder.
            std::string leaf;
            int error = 0;
            dirfd = resolver_.openParent(path, &leaf, &error);
            if (dirfd < 0) {
                errno = error;
                return -1;
            }
        } else {
            return -1;
        }
    }
    return dirfd;
}

int ContentReader::Impl::openBelowRoot(const std::string& path) {
    const char* name = nullptr;
    const int dirfd = folderOf(path, &name);
    if (dirfd < 0) return -1;
    // The owner keeps the access time as it was; others read as usual.
    int fd = ::openat(dirfd, name, kOpenFlags | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = ::openat(dirfd, name, kOpenFlags);
    return fd;
}

ContentRead ContentReader::Impl::openSeen(const std::string& path, const FileIdentity& seen,
                                         UniqueFd* fd, bool checkFirst) {
    if (const int error = askHook(path, ContentReadStep::Open)) {
        errno = error;
        return ContentRead::Unreadable;
    }
    // O_NONBLOCK: whatever stands there now, opening it cannot hang.
    fd->reset(openBelowRoot(path));
    if (!*fd) return errno == ELOOP || errno == EXDEV ? ContentRead::Changed : ContentRead::Unreadable;
    if (!checkFirst) return ContentRead::Done;
    FileIdentity now;
    mode_t mode = 0;
    if (IdentityOf(fd->get(), &now, &mode) != 0) return ContentRead::Unreadable;
    if (!IsRegularMode(mode) || now != seen) return ContentRead::Changed;
    return ContentRead::Done;
}

ContentRead ContentReader::Impl::checkAfter(int fd, const FileIdentity& seen) {
    FileIdentity now;
    mode_t mode = 0;
    if (IdentityOf(fd, &now, &mode) != 0) return ContentRead::Unreadable;
    return IsRegularMode(mode) && now == seen ? ContentRead::Done : ContentRead::Changed;
}

void ContentReader::Impl::hashZeros(int64_t length, std::atomic<int64_t>* bytesRead) {
    while (length > 0) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(length, kZeroBytes));
        XXH3_128bits_update(state_, gZeros, n);
        lastBytes_ += static_cast<int64_t>(n);
        length -= static_cast<int64_t>(n);
        if (bytesRead) bytesRead->fetch_add(static_cast<int64_t>(n), std::memory_order_relaxed);
    }
}

ContentRead ContentReader::Impl::readRange(const std::string& path, int fd, int64_t offset,
                                           int64_t length, const std::atomic<bool>* abort,
                                           std::atomic<int64_t>* bytesRead) {
    while (length > 0) {
        if (abort && abort->load(std::memory_order_relaxed)) return ContentRead::Aborted;
        const size_t want = static_cast<size_t>(std::min<int64_t>(length, bufferBytes_));
        size_t got = 0;
        while (got < want) {
            const ssize_t n = pread(fd, buffer_.get() + got, want - got,
                                    static_cast<off_t>(offset) + static_cast<off_t>(got));
            if (n < 0) {
                if (errno == EINTR) continue;
                return ContentRead::Unreadable;
            }
            if (n == 0) return ContentRead::Changed; // shorter than it was
            got += static_cast<size_t>(n);
        }
        if (const int error = askHook(path, ContentReadStep::Read)) {
            errno = error;
            return ContentRead::Unreadable;
        }
        XXH3_128bits_update(state_, buffer_.get(), got);
        lastBytes_ += static_cast<int64_t>(got);
        if (bytesRead) bytesRead->fetch_add(static_cast<int64_t>(got), std::memory_order_relaxed);
        offset += static_cast<int64_t>(got);
        length -= static_cast<int64_t>(got);
    }
    return ContentRead::Done;
}

ContentRead ContentReader::Impl::hashWhole(const std::string& path, const FileIdentity& seen,
                                           ContentHash* hash, const std::atomic<bool>* abort,
                                           std::atomic<int64_t>* bytesRead) {
    lastBytes_ = 0;
    const int64_t size = seen.size;
    const bool oneRead = size <= static_cast<int64_t>(bufferBytes_);
    UniqueFd fd;
    if (const ContentRead opened = openSeen(path, seen, &fd, !oneRead); opened != ContentRead::Done)
        return opened;
    XXH3_128bits_reset_withSecret(state_, RunSecret(), kSecretBytes);
    // Larger files may be sparse: their holes read as zeros, and are hashed
    // as zeros without asking the system for them.
    bool sparseAware = !oneRead;
    if (sparseAware) posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    int64_t offset = 0;
    while (offset < size) {
        if (abort && abort->load(std::memory_order_relaxed)) return ContentRead::Aborted;
        int64_t dataEnd = size;
        if (sparseAware) {
            const off_t data = lseek(fd.get(), static_cast<off_t>(offset), SEEK_DATA);
            if (data < 0 && errno == ENXIO) {
                hashZeros(size - offset, bytesRead); // a hole to the end
                offset = size;
                break;
            }
            if (data < 0) {
                sparseAware = false; // the file system cannot tell: read it all
            } else {
                const int64_t start = std::min<int64_t>(data, size);
                hashZeros(start - offset, bytesRead);
                offset = start;
                const off_t hole = lseek(fd.get(), static_cast<off_t>(offset), SEEK_HOLE);
                dataEnd = hole < 0 ? size : std::min<int64_t>(hole, size);
            }
        }
        if (offset >= size) break;
        if (dataEnd <= offset) dataEnd = size;
        const ContentRead read = readRange(path, fd.get(), offset, dataEnd - offset, abort, bytesRead);
        if (read != ContentRead::Done) return read;
        offset = dataEnd;
    }
    const ContentRead after = checkAfter(fd.get(), seen);
    if (after != ContentRead::Done) return after;
    *hash = FromXxh(XXH3_128bits_digest(state_));
    return ContentRead::Done;
}

ContentRead ContentReader::Impl::hashEnds(const std::string& path, const FileIdentity& seen,
                                          int64_t endBytes, ContentHash* hash,
                                          std::atomic<int64_t>* bytesRead) {
    lastBytes_ = 0;
    UniqueFd fd;
    if (const ContentRead opened = openSeen(path, seen, &fd, false); opened != ContentRead::Done)
        return opened;
    XXH3_128bits_reset_withSecret(state_, RunSecret(), kSecretBytes);
    const int64_t size = seen.size;
    const int64_t head = std::min(size, std::max<int64_t>(endBytes, 1));
    const int64_t tailFrom = std::max(head, size - endBytes);
    ContentRead read = readRange(path, fd.get(), 0, head, nullptr, bytesRead);
    if (read == ContentRead::Done && tailFrom < size)
        read = readRange(path, fd.get(), tailFrom, size - tailFrom, nullptr, bytesRead);
    if (read != ContentRead::Done) return read;
    const ContentRead after = checkAfter(fd.get(), seen);
    if (after != ContentRead::Done) return after;
    *hash = FromXxh(XXH3_128bits_digest(state_));
    return ContentRead::Done;
}

bool ContentReader::Impl::stillAsSeen(const std::string& path, const FileIdentity& seen) {
    const char* name = nullptr;
    const int dirfd = folderOf(path, &name);
    if (dirfd < 0) return false;
    FileIdentity now;
    mode_t mode = 0;
    return IdentityAt(dirfd, name, &now, &mode) == 0 && IsRegularMode(mode) && now == seen;
}

ContentReader::ContentReader(size_t bufferBytes) : impl_(std::make_unique<Impl>(bufferBytes)) {}
ContentReader::~ContentReader() = default;

ContentRead ContentReader::hashWhole(const std::string& path, const FileIdentity& seen,
                                     ContentHash* hash, const std::atomic<bool>* abort,
                                     std::atomic<int64_t>* bytesRead) {
    return impl_->hashWhole(path, seen, hash, abort, bytesRead);
}

ContentRead ContentReader::hashEnds(const std::string& path, const FileIdentity& seen,
                                    int64_t endBytes, ContentHash* hash,
                                    std::atomic<int64_t>* bytesRead) {
    return impl_->hashEnds(path, seen, endBytes, hash, bytesRead);
}


int64_t ContentReader::lastBytes() const { return impl_->lastBytes(); }

bool ContentReader::stillAsSeen(const std::string& path, const FileIdentity& seen) {
    return impl_->stillAsSeen(path, seen);
}

} // namespace quillon
