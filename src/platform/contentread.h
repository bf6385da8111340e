#pragma once
// Reading whole files, or their two ends, into a 128-bit content hash
// (XXH3-128 of the xxHash library, with a secret drawn for each run) for
// grouping files by their bytes.
//
// A file's folder is opened below its drive root without following a link
// anywhere on the way (openat2 with RESOLVE_NO_SYMLINKS, or folder by folder
// where that cannot be used) and kept open for the next file of the same
// folder; the file is opened in it with O_NOFOLLOW and O_NONBLOCK. A hash is
// only given when, after the last read, the open file is still the regular
// file that was seen: the same device, inode, size and modification time, so
// a file that changed while it was read is never hashed as if it had not.
// Reads of more than one buffer are checked before they begin as well. Reads
// go through one bounded buffer per reader; holes of sparse files are hashed
// as the zeros they read as, without reading them. Access times are left
// alone where the system allows it (O_NOATIME).
//
// One reader per thread: a reader is not shared, the files are.
#include "platform/resolver.h"
#include <atomic>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quillon {

struct ContentHash {
    uint64_t low = 0;
    uint64_t high = 0;
    auto operator<=>(const ContentHash&) const = default;
};

// The XXH3-128 of bytes in memory: what ContentReader::hashWhole gives for a
// file holding them.
ContentHash HashBytes(const void* data, size_t length);

enum class ContentRead {
    Done,       // the hash is of the bytes the file held
    Unreadable, // it could not be opened or read, or it has gone
    Changed,    // it is not the file that was seen, or it changed while being read
    Aborted,    // the abort flag was set while it was read
};

class ContentReader {
public:
    static constexpr size_t kDefaultBuffer = 256 * 1024;

    explicit ContentReader(size_t bufferBytes = kDefaultBuffer);
    ~ContentReader();
    ContentReader(const ContentReader&) = delete;
    ContentReader& operator=(const ContentReader&) = delete;

    // The hash of the whole file. `abort` is looked at before every buffer;
    // every byte hashed is added to `bytesRead` as it goes.
    ContentRead hashWhole(const std::string& path, const FileIdentity& seen, ContentHash* hash,
                          const std::atomic<bool>* abort = nullptr,
                          std::atomic<int64_t>* bytesRead = nullptr);

    // The hash of the first `endBytes` and the last `endBytes` of the file,
    // as one stream. A file of at most twice `endBytes` is read whole, and
    // its hash is then that of hashWhole.
    ContentRead hashEnds(const std::string& path, const FileIdentity& seen, int64_t endBytes,
                         ContentHash* hash, std::atomic<int64_t>* bytesRead = nullptr);

    // The bytes the last hashWhole or hashEnds hashed (also when it failed).
    int64_t lastBytes() const;

    // Whether `path` still names the regular file seen, reached as the reads
    // reach it: a file read a while ago may have gone or been replaced since.
    bool stillAsSeen(const std::string& path, const FileIdentity& seen);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// Where a test may step in: before a file is opened, and after every block
// read from it.
enum class ContentReadStep { Open, Read };

// Tests: asked at every step on the reading threads (so it must be safe
// there). An errno makes that open or read fail with it; 0 goes on. The hook
// may change the file it is asked about. Set it only while nothing reads.
void SetContentReadHookForTesting(
    std::function<int(const std::string& path, ContentReadStep step)> hook);

} // namespace quillon
