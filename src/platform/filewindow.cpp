#include "platform/filewindow.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {
std::function<int(const std::string&)>& openFailure() {
    static std::function<int(const std::string&)> fails;
    return fails;
}
} // namespace

void SetFileOpenFailureForTesting(std::function<int(const std::string& path)> fails) {
    openFailure() = std::move(fails);
}

ReadOnlyFile::~ReadOnlyFile() { close(); }

int ReadOnlyFile::open(const std::string& path) {
    close();
    if (openFailure())
        if (const int error = openFailure()(path)) return error;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return ENODEV;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno;
    // The name may have been replaced between stat and open.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        return error;
    }
    fd_ = fd;
    size_ = static_cast<int64_t>(st.st_size);
    return 0;
}

void ReadOnlyFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

int64_t ReadOnlyFile::read(int64_t offset, void* buffer, int64_t length) const {
    if (fd_ < 0 || offset < 0 || length <= 0) return 0;
    auto* out = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < length) {
        const ssize_t n = pread(fd_, out + done, static_cast<size_t>(length - done),
                                static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

void ReadOnlyFile::adviseSequential() const {
    if (fd_ >= 0) posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

} // namespace quillon
