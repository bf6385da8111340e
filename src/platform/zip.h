#pragma once
// Writing the backup archives through libzip (open or create,
// comment, add files under stored names with deflate, commit with progress and
// abort, flushed to disk). Reading is in zipreader.h.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

class ZipWriter {
public:
    ~ZipWriter();
    // Opens the archive for adding, or starts a new one when no file of that
    // name exists (it is created by the first commit). nullptr and a reason
    // when the file exists but is no readable archive, or cannot be opened.
    static std::unique_ptr<ZipWriter> Open(const std::string& archivePath, std::string* error);

    void setComment(const std::string& comment);
    // Queues a file under its stored name, deflated. False when the source
    // cannot be opened or the stored name is already in the archive.
    bool add(const std::string& sourcePath, const std::string& storedName, std::string* error);
    size_t pending() const;

    // Writes everything queued: the archive is written to a temporary file,
    // renamed over the old one and flushed (fsync of the file and its folder).
    // progress(0..100) is called while it writes; returning false aborts.
    // False with a reason when aborted or when it could not be written; the
    // archive on disk is then as it was before, and nothing queued is in it.
    // The writer stays usable (reopened) after a commit either way.
    bool commit(const std::function<bool(int percent)>& progress, std::string* error);

    const std::string& path() const;

    // Tests: make every commit fail as if the disk were full.
    static void SetWriteFailureForTesting(bool fail);

private:
    struct Impl;
    explicit ZipWriter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Engine messages shown for item failures.
extern const char* const kZipInvalidPassword; // "Cannot extract file - invalid password"
extern const char* const kZipCrcFailed;       // "Failed CRC Check"
extern const char* const kZipDuplicateName;   // "Cannot insert file - duplicates stored name"

} // namespace quillon
