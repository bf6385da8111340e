#include "platform/zip.h"
#include "platform/paths.h"
#include "platform/uniquefd.h"
#include "platform/zipcommon.h"
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <zip.h>

namespace quillon {

const char* const kZipInvalidPassword = "Cannot extract file - invalid password";
const char* const kZipCrcFailed = "Failed CRC Check";
const char* const kZipDuplicateName = "Cannot insert file - duplicates stored name";

std::string ZipCodeText(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    std::string text = zip_error_strerror(&e);
    zip_error_fini(&e);
    return text;
}

namespace {

std::atomic<bool> gFailWrites{false};

constexpr const char* kTempPrefix = ".quillon-";
constexpr const char* kTempSuffix = ".part";

bool IsTempName(const char* name) {
    const size_t length = std::strlen(name);
    const size_t prefix = std::strlen(kTempPrefix);
    const size_t suffix = std::strlen(kTempSuffix);
    return length > prefix + suffix && std::strncmp(name, kTempPrefix, prefix) == 0 &&
           std::strcmp(name + length - suffix, kTempSuffix) == 0;
}

// Temporary archives of runs that ended without cleaning up (killed, power
// lost). One still being written by a running program holds its lock and is
// left alone.
void RemoveStaleTemporaries(int dirfd) {
    const int listFd = openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DIR* dir = fdopendir(listFd);
    if (!dir) {
        close(listFd);
        return;
    }
    std::vector<std::string> stale;
    while (const dirent* entry = readdir(dir))
        if (IsTempName(entry->d_name)) stale.emplace_back(entry->d_name);
    closedir(dir);
    for (const std::string& name : stale) {
        UniqueFd fd(openat(dirfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!fd) continue;
        struct stat st {};
        if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (flock(fd.get(), LOCK_EX | LOCK_NB) == 0) unlinkat(dirfd, name.c_str(), 0);
    }
}

bool WriteAllFd(int fd, const void* data, size_t length) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t n = write(fd, p, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// What stands under `name` in `dirfd` now; nullopt when nothing does (or it
// cannot be looked at, which no writer can then rely on either).
std::optional<FileIdentity> NamedIdentity(int dirfd, const std::string& name) {
    FileIdentity identity;
    if (IdentityAt(dirfd, name.c_str(), &identity, nullptr) != 0) return std::nullopt;
    return identity;
}

// Writers of one archive, in this process or in others, take turns: a commit
// holds this lock from looking at the archive as it is, through writing the
// new one, to renaming it over the old one.
//
// The lock is an flock on ".<archive>.lock" beside the archive, not on the
// archive: every commit puts a new inode under the archive's name, and a lock
// on the old inode would keep out nobody who opens the name afterwards. (The
// folder itself cannot be locked exclusively over NFS, where flock becomes a
// byte-range lock that needs a file open for writing.) The holder removes the
// lock file before it lets go, so none are left behind; one that waited on the
// removed file finds that the name no longer leads to the file it locked and
// tries again with whatever the name leads to now. A lock file left by a
// killed writer holds no lock and is simply used and removed by the next one.
class ArchiveLock {
  public:
    ~ArchiveLock() {
        if (fd_) unlinkat(dirfd_, name_.c_str(), 0);
    }
    // Waits for the writer that holds the lock, calling `progress` with 0
    // between looks: false from it gives up ("Cancelled").
    bool acquire(int dirfd, const std::string& archiveName,
                 const std::function<bool(int)>& progress, std::string* why) {
        dirfd_ = dirfd;
        name_ = "." + archiveName + ".lock";
        for (;;) {
            UniqueFd fd(
                openat(dirfd, name_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (!fd) {
                *why = "Cannot lock the archive: " + ErrorText(errno);
                return false;
            }
            while (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
                if (errno != EWOULDBLOCK && errno != EINTR) {
                    *why = "Cannot lock the archive: " + ErrorText(errno);
                    return false;
                }
                // Another writer is committing to this archive: wait for it,
                // and keep the caller's window answering (and able to cancel).
                if (progress && !progress(0)) {
                    *why = "Cancelled";
                    return false;
                }
                poll(nullptr, 0, kLockPollMs);
            }
            FileIdentity held;
            const std::optional<FileIdentity> named = NamedIdentity(dirfd, name_);
            if (IdentityOf(fd.get(), &held, nullptr) == 0 && named &&
                named->device == held.device && named->inode == held.inode) {
                fd_ = std::move(fd);
                return true;
            }
            // Removed by the writer before us as it let go: start over.
        }
    }

  private:
    static constexpr int kLockPollMs = 20;
    int dirfd_ = -1;
    std::string name_;
    UniqueFd fd_;
};

// ------------------------------------------------ the archive file as a source

struct ArchiveFile {
    int dirfd = -1;           // the archive's folder (owned by the writer)
    std::string name;         // the archive's name in it
    UniqueFd readFd;          // the archive as it stands; empty while there is none
    // What stood under the archive's name when it was read (nullopt: nothing).
    std::optional<FileIdentity> readIdentity;
    off_t readPos = 0;
    UniqueFd tempFd;          // the archive being written
    std::string tempName;
    zip_error_t error;
    bool failWrites = false;
    std::string refused; // why the new archive did not take the name

    ArchiveFile() { zip_error_init(&error); }
    ~ArchiveFile() {
        dropTemp();
        zip_error_fini(&error);
    }
    zip_int64_t fail(int zipCode, int systemCode) {
        zip_error_set(&error, zipCode, systemCode);
        return -1;
    }
    void dropTemp() {
        if (!tempName.empty()) unlinkat(dirfd, tempName.c_str(), 0);
        tempName.clear();
        tempFd.reset();
    }
    bool beginWrite() {
        static std::mt19937_64 random{std::random_device{}()};
        for (int attempt = 0; attempt < 100; ++attempt) {
            char suffix[17];
            std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
            const std::string candidate = kTempPrefix + std::string(suffix, 8) + kTempSuffix;
            // Owner-only: the archive holds copies of files that may have been private.
            tempFd.reset(openat(dirfd, candidate.c_str(),
                                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (tempFd) {
                tempName = candidate;
                // Held until the file is renamed or removed: marks it as in use.
                flock(tempFd.get(), LOCK_EX | LOCK_NB);
                return true;
            }
            if (errno != EEXIST) break;
        }
        fail(ZIP_ER_TMPOPEN, errno);
        return false;
    }
    // Whether the name still leads to the archive that was read.
    bool unchanged() const { return NamedIdentity(dirfd, name) == readIdentity; }
    // The archive's data is on disk before it takes the archive's name, and
    // the name is on disk before anything relies on it.
    bool commitWrite() {
        if (fsync(tempFd.get()) != 0) {
            const int err = errno;
            dropTemp();
            return fail(ZIP_ER_WRITE, err), false;
        }
        // The new archive is the old one plus this batch: it may only replace
        // exactly the archive it was made from. Writers of this program take
        // turns (ArchiveLock), so only another program can have changed it.
        if (!unchanged()) {
            refused = "The archive was changed by another program while it was being written";
            dropTemp();
            return fail(ZIP_ER_CHANGED, 0), false;
        }
        if (renameat(dirfd, tempName.c_str(), dirfd, name.c_str()) != 0) {
            const int err = errno;
            dropTemp();
            return fail(ZIP_ER_RENAME, err), false;
        }
        tempName.clear();
        readFd = std::move(tempFd);
        if (fsync(dirfd) != 0) return fail(ZIP_ER_WRITE, errno), false;
        return true;
    }
};

zip_int64_t ArchiveCallback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* a = static_cast<ArchiveFile*>(state);
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
                ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
                ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_BEGIN_WRITE,
                ZIP_SOURCE_WRITE, ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE,
                ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_REMOVE,
                ZIP_SOURCE_ACCEPT_EMPTY, -1);
    case ZIP_SOURCE_ACCEPT_EMPTY:
        return 0; // an empty file is no archive
    case ZIP_SOURCE_OPEN:
        if (!a->readFd) return a->fail(ZIP_ER_OPEN, ENOENT);
        a->readPos = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const ssize_t n = pread(a->readFd.get(), data, length, a->readPos);
        if (n < 0) return a->fail(ZIP_ER_READ, errno);
        a->readPos += n;
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        if (!a->readFd) return a->fail(ZIP_ER_READ, ENOENT);
        struct stat st {};
        if (fstat(a->readFd.get(), &st) != 0) return a->fail(ZIP_ER_READ, errno);
        auto* out = static_cast<zip_stat_t*>(data);
        zip_stat_init(out);
        out->size = static_cast<zip_uint64_t>(st.st_size);
        out->mtime = st.st_mtime;
        out->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_SEEK: {
        struct stat st {};
        if (fstat(a->readFd.get(), &st) != 0) return a->fail(ZIP_ER_SEEK, errno);
        const zip_int64_t position = zip_source_seek_compute_offset(
                static_cast<zip_uint64_t>(a->readPos), static_cast<zip_uint64_t>(st.st_size), data,
                length, &a->error);
        if (position < 0) return -1;
        a->readPos = position;
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return a->readPos;
    case ZIP_SOURCE_BEGIN_WRITE:
        return a->beginWrite() ? 0 : -1;
    case ZIP_SOURCE_WRITE:
        if (a->failWrites) return a->fail(ZIP_ER_WRITE, ENOSPC);
        if (!WriteAllFd(a->tempFd.get(), data, length)) return a->fail(ZIP_ER_WRITE, errno);
        return static_cast<zip_int64_t>(length);
    case ZIP_SOURCE_SEEK_WRITE: {
        auto* args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, length, &a->error);
        if (!args) return -1;
        if (lseek(a->tempFd.get(), args->offset, args->whence) < 0) return a->fail(ZIP_ER_SEEK, errno);
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE: {
        const off_t position = lseek(a->tempFd.get(), 0, SEEK_CUR);
        return position < 0 ? a->fail(ZIP_ER_TELL, errno) : position;
    }
    case ZIP_SOURCE_COMMIT_WRITE:
        return a->commitWrite() ? 0 : -1;
    case ZIP_SOURCE_ROLLBACK_WRITE:
        a->dropTemp();
        return 0;
    case ZIP_SOURCE_REMOVE:
        // The last item went: an archive without items is no archive.
        if (unlinkat(a->dirfd, a->name.c_str(), 0) != 0 && errno != ENOENT)
            return a->fail(ZIP_ER_REMOVE, errno);
        a->readFd.reset();
        fsync(a->dirfd);
        return 0;
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&a->error, data, length);
    case ZIP_SOURCE_FREE:
        delete a;
        return 0;
    default:
        return a->fail(ZIP_ER_OPNOTSUPP, 0);
    }
}

} // namespace

// ---------------------------------------------------------------- writer

struct ZipWriter::Impl {
    std::string path;
    std::string name;   // the archive's name in its folder
    UniqueFd dir;       // the archive's folder
    zip_t* za = nullptr;
    ArchiveFile* archive = nullptr; // owned by za's source
    std::string reopenError;
    // The comment given since the last successful commit; re-applied when a
    // failed commit throws the archive's changes away.
    std::optional<std::string> comment;
    // What is queued, in add order: added again when the archive has to be
    // read afresh before a commit (another writer committed to it meanwhile).
    std::vector<ZipSource> items;
    size_t queued = 0;
    bool failWrites = false;
    int failed = -1;
    std::string failedWhy;
    std::vector<ZipReadRecord> records;

    bool reopen();
    // Puts one item into the archive-to-be. False and a reason when libzip
    // refuses it (kZipDuplicateName when the name is taken).
    bool queueItem(const ZipSource& item, std::string* error);
    // With the lock held: works on the archive as it is now. When another
    // writer has replaced it since it was read, it is read again and the
    // queued items are put into that one. False with the writer's reason.
    bool catchUp(std::string* error);
    void discard() {
        if (za) zip_discard(za);
        za = nullptr;
        archive = nullptr;
    }
};

namespace {

// One file of the archive-to-be, opened only while libzip reads it.
struct FileSource {
    ZipWriter::Impl* owner = nullptr;
    size_t index = 0;
    std::function<int(std::string*)> open;
    int64_t mtime = 0;
    UniqueFd fd;
    zip_error_t error;

    FileSource() { zip_error_init(&error); }
    ~FileSource() { zip_error_fini(&error); }
    zip_int64_t fail(int zipCode, int systemCode) {
        zip_error_set(&error, zipCode, systemCode);
        return -1;
    }
};

// True when `fd` is the archive being written or the one it replaces: an
// archive never swallows itself.
bool IsTheArchive(const ZipWriter::Impl& w, int fd) {
    FileIdentity file;
    if (IdentityOf(fd, &file, nullptr) != 0 || !w.archive) return false;
    for (const UniqueFd* own : {&w.archive->readFd, &w.archive->tempFd}) {
        FileIdentity archive;
        if (*own && IdentityOf(own->get(), &archive, nullptr) == 0 && archive.device == file.device &&
            archive.inode == file.inode)
            return true;
    }
    return false;
}

zip_int64_t FileCallback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* f = static_cast<FileSource*>(state);
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    case ZIP_SOURCE_OPEN: {
        std::string why;
        f->fd.reset(f->open ? f->open(&why) : -1);
        if (f->fd && IsTheArchive(*f->owner, f->fd.get())) {
            f->fd.reset();
            why = "It is the archive being written";
        }
        if (!f->fd) {
            if (f->owner->failed < 0) {
                f->owner->failed = static_cast<int>(f->index);
                f->owner->failedWhy = why.empty() ? ErrorText(EIO) : why;
            }
            return f->fail(ZIP_ER_OPEN, EIO);
        }
        ZipReadRecord& record = f->owner->records[f->index];
        IdentityOf(f->fd.get(), &record.opened, nullptr);
        return 0;
    }
    case ZIP_SOURCE_READ: {
        for (;;) {
            const ssize_t n = read(f->fd.get(), data, length);
            if (n >= 0) return n;
            if (errno != EINTR) return f->fail(ZIP_ER_READ, errno);
        }
    }
    case ZIP_SOURCE_CLOSE: {
        ZipReadRecord& record = f->owner->records[f->index];
        record.read = IdentityOf(f->fd.get(), &record.closed, nullptr) == 0;
        f->fd.reset();
        return 0;
    }
    case ZIP_SOURCE_STAT: {
        auto* out = static_cast<zip_stat_t*>(data);
        zip_stat_init(out);
        out->mtime = static_cast<time_t>(f->mtime);
        out->valid |= ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&f->error, data, length);
    case ZIP_SOURCE_FREE:
        delete f;
        return 0;
    default:
        return f->fail(ZIP_ER_OPNOTSUPP, 0);
    }
}

} // namespace

// Opens the archive as it is (never truncated, a non-archive never taken as
// empty), or starts a new one that exists only in memory until a commit.
bool ZipWriter::Impl::reopen() {
    discard();
    queued = 0;
    items.clear();
    auto* file = new ArchiveFile;
    file->dirfd = dir.get();
    file->name = name;
    file->readFd.reset(openat(dir.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file->readFd && errno != ENOENT) {
        reopenError = errno == ELOOP ? std::string("Is a symbolic link") : ErrorText(errno);
        delete file;
        return false;
    }
    if (file->readFd) {
        FileIdentity identity;
        if (const int err = IdentityOf(file->readFd.get(), &identity, nullptr)) {
            reopenError = ErrorText(err);
            delete file;
            return false;
        }
        file->readIdentity = identity;
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_function_create(ArchiveCallback, file, &error);
    if (!source) {
        reopenError = zip_error_strerror(&error);
        zip_error_fini(&error);
        delete file;
        return false;
    }
    za = zip_open_from_source(source, ZIP_CREATE, &error);
    if (!za) {
        reopenError = zip_error_strerror(&error);
        zip_error_fini(&error);
        zip_source_free(source); // frees `file`
        return false;
    }
    zip_error_fini(&error);
    archive = file;
    if (comment)
        zip_set_archive_comment(za, comment->data(), static_cast<zip_uint16_t>(comment->size()));
    return true;
}

ZipWriter::ZipWriter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ZipWriter::~ZipWriter() {
    // Whatever was not committed is dropped; the archive on disk stays as it is.
    if (impl_) impl_->discard();
}

std::unique_ptr<ZipWriter> ZipWriter::Open(const std::string& archivePath, std::string* error) {
    auto impl = std::make_unique<Impl>();
    impl->path = archivePath;
    impl->name = BaseName(archivePath);
    const std::string folder = ParentFolder(archivePath);
    impl->dir.reset(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!impl->dir || impl->name.empty()) {
        if (error) *error = ErrorText(impl->dir ? EINVAL : errno);
        return nullptr;
    }
    RemoveStaleTemporaries(impl->dir.get());
    if (!impl->reopen()) {
        if (error) *error = impl->reopenError;
        return nullptr;
    }
    return std::unique_ptr<ZipWriter>(new ZipWriter(std::move(impl)));
}

void ZipWriter::setComment(const std::string& comment) {
    impl_->comment = comment.substr(0, 0xFFFF);
    if (impl_->za)
        zip_set_archive_comment(impl_->za, impl_->comment->data(),
                                static_cast<zip_uint16_t>(impl_->comment->size()));
}

bool ZipWriter::Impl::queueItem(const ZipSource& item, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!za) return fail(reopenError);
    const std::string& storedName = item.storedName;
    if (storedName.empty() || storedName.back() == '/' || storedName.find('\0') != std::string::npos)
        return fail("Invalid stored name");

    auto* state = new FileSource;
    state->owner = this;
    state->index = queued;
    state->open = item.open;
    state->mtime = item.mtime;
    zip_error_t zerror;
    zip_error_init(&zerror);
    zip_source_t* source = zip_source_function_create(FileCallback, state, &zerror);
    if (!source) {
        delete state;
        const std::string why = zip_error_strerror(&zerror);
        zip_error_fini(&zerror);
        return fail(why);
    }
    zip_error_fini(&zerror);
    // ENC_GUESS stores the name's bytes unchanged; libzip flags it as UTF-8
    // when it is valid UTF-8 beyond ASCII, so both kinds of names survive.
    const zip_int64_t index = zip_file_add(za, storedName.c_str(), source, ZIP_FL_ENC_GUESS);
    if (index < 0) {
        zip_source_free(source);
        const int code = zip_error_code_zip(zip_get_error(za));
        zip_error_clear(za);
        return fail(code == ZIP_ER_EXISTS ? kZipDuplicateName : ZipCodeText(code));
    }
    const auto i = static_cast<zip_uint64_t>(index);
    const time_t mtime = static_cast<time_t>(item.mtime);
    bool ok = zip_set_file_compression(za, i, ZIP_CM_DEFLATE, 0) == 0 &&
              zip_file_set_mtime(za, i, mtime, 0) == 0 &&
              zip_file_set_external_attributes(
                      za, i, 0, ZIP_OPSYS_UNIX,
                      static_cast<zip_uint32_t>(S_IFREG | (item.mode & 0777)) << 16) == 0;
    if (ok && mtime >= 0 && mtime <= 0x7FFFFFFF) {
        const auto t = static_cast<uint32_t>(mtime);
        const zip_uint8_t ut[5] = {1, static_cast<zip_uint8_t>(t), static_cast<zip_uint8_t>(t >> 8),
                                   static_cast<zip_uint8_t>(t >> 16), static_cast<zip_uint8_t>(t >> 24)};
        ok = zip_file_extra_field_set(za, i, kExtendedTimestamp, ZIP_EXTRA_FIELD_NEW, ut, sizeof ut,
                                      ZIP_FL_LOCAL | ZIP_FL_CENTRAL) == 0;
    }
    if (!ok) {
        const std::string why = zip_strerror(za);
        zip_delete(za, i);
        return fail(why);
    }
    ++queued;
    return true;
}

bool ZipWriter::Impl::catchUp(std::string* error) {
    if (za && archive && archive->unchanged()) return true;
    std::vector<ZipSource> again = std::move(items);
    if (!reopen()) {
        *error = reopenError;
        return false;
    }
    for (size_t i = 0; i < again.size(); ++i) {
        // Only a name the other writer has stored meanwhile can be refused here.
        if (!queueItem(again[i], error)) {
            failed = static_cast<int>(i);
            failedWhy = *error;
            return false;
        }
        items.push_back(std::move(again[i]));
    }
    return true;
}

bool ZipWriter::add(ZipSource item, std::string* error) {
    if (!impl_->queueItem(item, error)) return false;
    impl_->items.push_back(std::move(item));
    return true;
}

bool ZipWriter::add(const std::string& sourcePath, const std::string& storedName, std::string* error) {
    // A source we are willing to archive: a regular file, now and when it is
    // read. Symbolic links are refused rather than archived as their target.
    auto openChecked = [](const std::string& path, std::string* why, struct stat* st) {
        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!fd) {
            *why = errno == ELOOP ? std::string("Is a symbolic link") : ErrorText(errno);
            return -1;
        }
        if (fstat(fd.get(), st) != 0) {
            *why = ErrorText(errno);
            return -1;
        }
        if (!S_ISREG(st->st_mode)) {
            *why = "Not a regular file";
            return -1;
        }
        return fd.release();
    };
    struct stat st {};
    std::string why;
    const int probe = openChecked(sourcePath, &why, &st);
    if (probe < 0) {
        if (error) *error = why;
        return false;
    }
    close(probe);
    ZipSource item;
    item.storedName = storedName;
    item.mtime = st.st_mtime;
    item.mode = st.st_mode;
    item.open = [sourcePath, openChecked](std::string* reason) {
        struct stat now {};
        std::string text;
        const int fd = openChecked(sourcePath, &text, &now);
        if (fd < 0) *reason = "Cannot read " + sourcePath + ": " + text;
        return fd;
    };
    return add(std::move(item), error);
}

size_t ZipWriter::pending() const { return impl_->queued; }

const std::string& ZipWriter::path() const { return impl_->path; }

int ZipWriter::failedItem() const { return impl_->failed; }

const std::vector<ZipReadRecord>& ZipWriter::committed() const { return impl_->records; }

bool ZipWriter::archiveIdentity(FileIdentity* identity) const {
    return IdentityAt(impl_->dir.get(), impl_->name.c_str(), identity, nullptr) == 0;
}

void ZipWriter::SetWriteFailureForTesting(bool fail) { gFailWrites = fail; }

namespace {

struct CommitState {
    const std::function<bool(int)>* progress = nullptr;
    int lastPercent = -1;
    bool aborted = false;
    bool failWrites = false;
};

void OnCommitProgress(zip_t*, double fraction, void* data) {
    auto* state = static_cast<CommitState*>(data);
    const int percent = fraction >= 1.0 ? 100 : fraction <= 0.0 ? 0 : static_cast<int>(fraction * 100);
    if (percent == state->lastPercent) return;
    state->lastPercent = percent;
    if (*state->progress && !(*state->progress)(percent)) state->aborted = true;
}

// libzip asks this at every progress step; a non-zero answer makes zip_close
// fail and roll the temporary archive back.
int OnCommitCancel(zip_t*, void* data) {
    const auto* state = static_cast<const CommitState*>(data);
    return state->aborted ? 1 : 0;
}

} // namespace

bool ZipWriter::commit(const std::function<bool(int percent)>& progress, std::string* error) {
    Impl& d = *impl_;
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        const int failed = d.failed;
        d.discard();
        d.reopen();
        d.failed = failed;
        d.records.clear();
        return false;
    };
    d.failed = -1;
    d.failedWhy.clear();
    // Held until the new archive has its name (or the commit failed): a
    // writer in another process that read the same archive waits here, and
    // then adds to what this one wrote instead of replacing it.
    ArchiveLock lock;
    std::string why;
    if (!lock.acquire(d.dir.get(), d.name, progress, &why)) return fail(why);
    if (!d.catchUp(&why)) return fail(why);

    d.records.assign(d.queued, ZipReadRecord{});
    CommitState state;
    state.progress = &progress;
    state.failWrites = gFailWrites;
    d.archive->failWrites = state.failWrites;
    zip_register_progress_callback_with_state(d.za, 0.01, OnCommitProgress, nullptr, &state);
    zip_register_cancel_callback_with_state(d.za, OnCommitCancel, nullptr, &state);
    const bool closed = zip_close(d.za) == 0;
    if (closed) {
        d.za = nullptr; // zip_close freed it and the archive source
        d.archive = nullptr;
    }
    if (!closed || state.failWrites) {
        // With nothing to write zip_close succeeds without writing; the test
        // hook still makes the commit fail.
        return fail(d.failed >= 0                              ? d.failedWhy
                    : state.failWrites                         ? ErrorText(ENOSPC)
                    : state.aborted                            ? std::string("Cancelled")
                    : d.archive && !d.archive->refused.empty() ? d.archive->refused
                                                               : std::string(zip_strerror(d.za)));
    }
    d.comment.reset();
    if (state.lastPercent != 100 && progress) progress(100);
    const std::vector<ZipReadRecord> records = std::move(d.records);
    d.reopen();
    d.records = records;
    return true;
}

} // namespace quillon
