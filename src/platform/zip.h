#pragma once
// Writing the backup archives through libzip: open or create, comment, add
// files under stored names with deflate, commit with progress and abort.
// Reading is in zipreader.h.
//
// The archive file itself is written by our own libzip source: a commit
// writes a new archive into a private temporary file (0600, ".quillon-*.part",
// locked while in use) in the archive's folder, flushes it, renames it over
// the archive and then flushes the folder. Only when all of that has
// succeeded does commit() report success, so a caller may delete the sources.
// A temporary file left by a run that was killed is removed the next time an
// archive in that folder is opened for writing.
//
// Several writers may add to one archive at once (two runs in the same
// minute, in this process or in two): a commit takes turns with the others
// through a lock beside the archive, and once it holds it works on the
// archive as it is then, so what another writer committed since this one read
// it is kept. A new archive never replaces one that changed after it was read.
#include "platform/resolver.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillon {

// One file to archive. `open` is called while the archive is written and
// returns a descriptor of the file to read (the caller decides how it is
// found and checked), or -1 with a reason; the writer closes it.
struct ZipSource {
    std::string storedName;
    std::function<int(std::string* why)> open;
    int64_t mtime = 0; // seconds, stored with the item
    mode_t mode = 0644;
};

// What was read of one item during the last successful commit: the file's
// identity when it was opened and when reading ended. They differ when the
// file changed while it was being archived.
struct ZipReadRecord {
    bool read = false;
    FileIdentity opened;
    FileIdentity closed;
};

class ZipWriter {
public:
    ~ZipWriter();
    // Opens the archive for adding, or starts a new one when no file of that
    // name exists (it is created by the first commit). nullptr and a reason
    // when the file exists but is no readable archive, is a link, or cannot be
    // opened.
    static std::unique_ptr<ZipWriter> Open(const std::string& archivePath, std::string* error);

    void setComment(const std::string& comment);
    // Queues one item. False when the stored name is not usable or is
    // already in the archive.
    bool add(ZipSource source, std::string* error);
    // Queues a file by its path: it must be a regular file, not a link, when
    // it is read.
    bool add(const std::string& sourcePath, const std::string& storedName, std::string* error);
    size_t pending() const;

    // Writes everything queued (see above). progress(0..100) is called while
    // it writes, and with 0 while it waits for another writer of the archive;
    // returning false aborts ("Cancelled"). False with a reason when aborted
    // or when it could not be written; the archive on disk is then as it was
    // before, and nothing queued is in it. The writer stays usable either way.
    bool commit(const std::function<bool(int percent)>& progress, std::string* error);
    // After a failed commit: the queued item (in add order) whose file could
    // not be opened, or whose name another writer stored meanwhile (the reason
    // is then kZipDuplicateName); -1 when the failure was not one item's.
    int failedItem() const;
    // After a successful commit: one record per item it wrote, in add order.
    const std::vector<ZipReadRecord>& committed() const;

    const std::string& path() const;
    // Device and inode of the archive file as it stands (false while it does
    // not exist yet).
    bool archiveIdentity(FileIdentity* identity) const;

    // Tests: make every commit fail as if the disk were full.
    static void SetWriteFailureForTesting(bool fail);

    struct Impl;

private:
    explicit ZipWriter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Engine messages shown for item failures.
extern const char* const kZipInvalidPassword; // "Cannot extract file - invalid password"
extern const char* const kZipCrcFailed;       // "Failed CRC Check"
extern const char* const kZipDuplicateName;   // "Cannot insert file - duplicates stored name"

} // namespace quillon
