#include "platform/checksum.h"
#include "platform/filewindow.h"
#include <cstring>
#include <memory>
#include <zlib.h>

namespace quillon {

namespace {

constexpr int64_t kBlock = 1 << 20;

// One file read front to back in blocks, its CRC kept as it goes.
class ChecksumReader {
public:
    explicit ChecksumReader(const std::string& path)
        : opened_(file_.open(path) == 0), buffer_(std::make_unique<unsigned char[]>(kBlock)) {
        if (opened_) file_.adviseSequential();
    }
    bool opened() const { return opened_; }
    // Reads the next block and adds it to the checksum; the count read, 0 once
    // a read gives nothing (the end of the file, or a read error).
    int64_t next() {
        if (!opened_ || done_) return 0;
        const int64_t got = file_.read(offset_, buffer_.get(), kBlock);
        if (got <= 0) {
            done_ = true;
            return 0;
        }
        offset_ += got;
        crc_ = crc32(crc_, buffer_.get(), static_cast<uInt>(got));
        return got;
    }
    const unsigned char* data() const { return buffer_.get(); }
    uint32_t checksum() const { return opened_ ? static_cast<uint32_t>(crc_) : 0; }
    // Read to the end: at least as far as the size the file had when opened.
    bool readWhole() const { return opened_ && done_ && offset_ >= file_.size(); }

private:
    ReadOnlyFile file_;
    bool opened_;
    std::unique_ptr<unsigned char[]> buffer_;
    int64_t offset_ = 0;
    bool done_ = false;
    uLong crc_ = crc32(0L, Z_NULL, 0);
};

} // namespace

uint32_t FileChecksum(const std::string& path) {
    ChecksumReader reader(path);
    while (reader.next() > 0) {
    }
    return reader.checksum();
}

PairChecksums ChecksumPair(const std::string& first, const std::string& second) {
    ChecksumReader a(first), b(second);
    bool same = a.opened() && b.opened();
    for (;;) {
        const int64_t na = a.next();
        const int64_t nb = b.next();
        if (na == 0 && nb == 0) break;
        if (same && (na != nb || std::memcmp(a.data(), b.data(), static_cast<size_t>(na)) != 0))
            same = false;
    }
    return {a.checksum(), b.checksum(), same && a.readWhole() && b.readWhole()};
}

bool SameFileContents(const std::string& first, const std::string& second) {
    return ChecksumPair(first, second).same;
}

} // namespace quillon
