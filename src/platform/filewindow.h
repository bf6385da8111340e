#pragma once
// Read-only random access to a file through pread. Nothing is mapped, so a file
// that shrinks while it is open gives short reads instead of a bus error, and a
// file of any size costs only the buffers its reader chooses.
#include <cstdint>
#include <functional>
#include <string>

namespace quillon {

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens a regular file (a link to one is followed) for reading. 0 or an
    // errno: EISDIR for a folder, ENODEV for a device, FIFO or socket (never
    // opened, so a FIFO cannot block the caller).
    int open(const std::string& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    // The size when the file was opened.
    int64_t size() const { return size_; }
    // Reads up to `length` bytes at `offset`: fewer at the end of the file,
    // 0 past it or on a read error. EINTR is retried and short reads continued.
    int64_t read(int64_t offset, void* buffer, int64_t length) const;
    // Tells the kernel the file will be read front to back.
    void adviseSequential() const;

private:
    int fd_ = -1;
    int64_t size_ = 0;
};

// Tests: `fails(path)` returns an errno that ReadOnlyFile::open fails with, or 0
// (root reads everything, so "cannot read" needs an injected failure).
void SetFileOpenFailureForTesting(std::function<int(const std::string& path)> fails);

} // namespace quillon
