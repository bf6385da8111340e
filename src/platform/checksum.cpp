#include "platform/checksum.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <zlib.h>

namespace quillon {

namespace {

constexpr size_t kBlock = 1 << 20;

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)) {
        if (fd_ >= 0) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    ~ReadOnlyFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    bool ok() const { return fd_ >= 0; }
    // Fills as much of the buffer as the file has left: the count read, 0 at
    // the end, -1 on a read error.
    ssize_t fill(unsigned char* buffer, size_t size) {
        size_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(fd_, buffer + got, size - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return got > 0 ? static_cast<ssize_t>(got) : -1;
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        return static_cast<ssize_t>(got);
    }

private:
    int fd_;
};

} // namespace

uint32_t FileChecksum(const std::string& path) {
    ReadOnlyFile file(path);
    if (!file.ok()) return 0;
    const auto buffer = std::make_unique<unsigned char[]>(kBlock);
    uLong crc = crc32(0L, Z_NULL, 0);
    for (;;) {
        const ssize_t n = file.fill(buffer.get(), kBlock);
        if (n <= 0) break;
        crc = crc32(crc, buffer.get(), static_cast<uInt>(n));
    }
    return static_cast<uint32_t>(crc);
}

bool SameFileContents(const std::string& first, const std::string& second) {
    ReadOnlyFile a(first), b(second);
    if (!a.ok() || !b.ok()) return false;
    const auto bufferA = std::make_unique<unsigned char[]>(kBlock);
    const auto bufferB = std::make_unique<unsigned char[]>(kBlock);
    for (;;) {
        const ssize_t na = a.fill(bufferA.get(), kBlock);
        const ssize_t nb = b.fill(bufferB.get(), kBlock);
        if (na < 0 || nb < 0 || na != nb) return false;
        if (na == 0) return true;
        if (std::memcmp(bufferA.get(), bufferB.get(), static_cast<size_t>(na)) != 0) return false;
    }
}

} // namespace quillon
