#include "platform/zip.h"
#include "platform/paths.h"
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <zip.h>

namespace quillon {

const char* const kZipInvalidPassword = "Cannot extract file - invalid password";
const char* const kZipCrcFailed = "Failed CRC Check";
const char* const kZipDuplicateName = "Cannot insert file - duplicates stored name";

namespace {

std::atomic<bool> gFailWrites{false};

// Info-ZIP's extended timestamp: the modification time in UTC seconds. The
// DOS time of the header is local wall-clock time in two-second steps; this
// keeps restored dates exact and independent of the time zone.
constexpr zip_uint16_t kExtendedTimestamp = 0x5455;

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) reset(std::exchange(other.fd_, -1));
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};


std::string ZipCodeText(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    std::string text = zip_error_strerror(&e);
    zip_error_fini(&e);
    return text;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A source we are willing to archive: a regular file that can be opened for
// reading now. Symbolic links are refused rather than archived as their target.
bool CheckSource(const std::string& path, struct stat* st, std::string* why) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        *why = errno == ELOOP ? std::string("Is a symbolic link") : ErrorText(errno);
        return false;
    }
    if (::fstat(fd.get(), st) != 0) {
        *why = ErrorText(errno);
        return false;
    }
    if (!S_ISREG(st->st_mode)) {
        *why = "Not a regular file";
        return false;
    }
    return true;
}

bool SyncPath(const std::string& path, int flags, std::string* why) {
    Fd fd(::open(path.c_str(), flags | O_CLOEXEC));
    if (!fd || ::fsync(fd.get()) != 0) {
        *why = ErrorText(errno);
        return false;
    }
    return true;
}

// Opens an existing archive as it is (never ZIP_TRUNCATE, never treating a
// non-archive as empty), or starts a new one that exists only in memory until
// the first commit writes it.
zip_t* OpenForWriting(const std::string& path, std::string* why) {
    struct stat st {};
    int flags = 0;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            *why = ErrorText(errno);
            return nullptr;
        }
        flags = ZIP_CREATE | ZIP_EXCL;
    }
    int code = 0;
    zip_t* za = zip_open(path.c_str(), flags, &code);
    if (!za) *why = ZipCodeText(code);
    return za;
}

} // namespace

// ---------------------------------------------------------------- writer

struct ZipWriter::Impl {
    std::string path;
    zip_t* za = nullptr;
    std::string reopenError;
    // The comment given since the last successful commit; re-applied when a
    // failed commit throws the archive's changes away.
    std::optional<std::string> comment;
    std::vector<std::string> queued; // sources of the pending items

    bool reopen() {
        queued.clear();
        za = OpenForWriting(path, &reopenError);
        if (za && comment)
            zip_set_archive_comment(za, comment->data(), static_cast<zip_uint16_t>(comment->size()));
        return za != nullptr;
    }
};

ZipWriter::ZipWriter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ZipWriter::~ZipWriter() {
    // Whatever was not committed is dropped; the archive on disk stays as it is.
    if (impl_ && impl_->za) zip_discard(impl_->za);
}

std::unique_ptr<ZipWriter> ZipWriter::Open(const std::string& archivePath, std::string* error) {
    auto impl = std::make_unique<Impl>();
    impl->path = archivePath;
    std::string why;
    impl->za = OpenForWriting(archivePath, &why);
    if (!impl->za) {
        if (error) *error = why;
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

bool ZipWriter::add(const std::string& sourcePath, const std::string& storedName, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    zip_t* za = impl_->za;
    if (!za) return fail(impl_->reopenError);
    if (storedName.empty() || storedName.back() == '/' || storedName.find('\0') != std::string::npos)
        return fail("Invalid stored name");

    struct stat st {};
    std::string why;
    if (!CheckSource(sourcePath, &st, &why)) return fail(why);

    // libzip opens the file again when the archive is written; commit() checks
    // every queued source once more before that.
    zip_source_t* source = zip_source_file(za, sourcePath.c_str(), 0, -1);
    if (!source) return fail(zip_strerror(za));
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
    bool ok = zip_set_file_compression(za, i, ZIP_CM_DEFLATE, 0) == 0
              && zip_file_set_mtime(za, i, st.st_mtime, 0) == 0
              && zip_file_set_external_attributes(
                         za, i, 0, ZIP_OPSYS_UNIX,
                         static_cast<zip_uint32_t>(S_IFREG | (st.st_mode & 0777)) << 16) == 0;
    if (ok && st.st_mtime >= 0 && st.st_mtime <= 0x7FFFFFFF) {
        const auto t = static_cast<uint32_t>(st.st_mtime);
        const zip_uint8_t ut[5] = {1, static_cast<zip_uint8_t>(t), static_cast<zip_uint8_t>(t >> 8),
                                   static_cast<zip_uint8_t>(t >> 16), static_cast<zip_uint8_t>(t >> 24)};
        ok = zip_file_extra_field_set(za, i, kExtendedTimestamp, ZIP_EXTRA_FIELD_NEW, ut, sizeof ut,
                                      ZIP_FL_LOCAL | ZIP_FL_CENTRAL) == 0;
    }
    if (!ok) {
        why = zip_strerror(za);
        zip_delete(za, i);
        return fail(why);
    }
    impl_->queued.push_back(sourcePath);
    return true;
}

size_t ZipWriter::pending() const { return impl_->queued.size(); }

const std::string& ZipWriter::path() const { return impl_->path; }

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
// fail, remove its temporary file and leave the archive untouched.
int OnCommitCancel(zip_t*, void* data) {
    const auto* state = static_cast<const CommitState*>(data);
    return state->aborted || state->failWrites ? 1 : 0;
}

} // namespace

bool ZipWriter::commit(const std::function<bool(int percent)>& progress, std::string* error) {
    Impl& d = *impl_;
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        if (d.za) zip_discard(d.za);
        d.za = nullptr;
        d.reopen();
        return false;
    };
    if (!d.za && !d.reopen()) return fail(d.reopenError);

    // libzip reads the sources only now. One that went away since it was
    // queued would fail the write anyway; checking first names the file and
    // spares writing a temporary archive that is then thrown away. The batch
    // fails as a whole: the caller deletes a file only when commit succeeds.
    for (const std::string& source : d.queued) {
        struct stat st {};
        std::string why;
        if (!CheckSource(source, &st, &why)) return fail("Cannot read " + source + ": " + why);
    }

    CommitState state;
    state.progress = &progress;
    state.failWrites = gFailWrites;
    zip_register_progress_callback_with_state(d.za, 0.01, OnCommitProgress, nullptr, &state);
    zip_register_cancel_callback_with_state(d.za, OnCommitCancel, nullptr, &state);
    const bool closed = zip_close(d.za) == 0;
    if (closed) d.za = nullptr; // zip_close freed it
    if (!closed || state.failWrites) {
        // With nothing to write zip_close succeeds without asking; the hook
        // still makes the commit fail.
        const std::string why = state.failWrites ? ErrorText(ENOSPC)
                                : state.aborted  ? std::string("Cancelled")
                                                 : std::string(zip_strerror(d.za));
        return fail(why);
    }
    d.comment.reset();

    // zip_close renamed a complete archive into place but flushed nothing.
    // An archive without items is removed by libzip, so there may be no file.
    std::string why;
    bool flushed = true;
    if (::access(d.path.c_str(), F_OK) == 0)
        flushed = SyncPath(d.path, O_RDONLY, &why) && SyncPath(FolderOf(d.path), O_RDONLY | O_DIRECTORY, &why);
    if (state.lastPercent != 100 && progress) progress(100);
    d.reopen();
    if (!flushed) {
        // The items may be in the archive, but it is not known to be on disk:
        // report failure so that no source is deleted on its strength.
        if (error) *error = "Cannot flush " + d.path + ": " + why;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- reader

struct ZipReader::Impl {
    std::string path;
    zip_t* za = nullptr;
    std::string comment;
    std::vector<ZipItem> items;
};

ZipReader::ZipReader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ZipReader::~ZipReader() {
    if (impl_ && impl_->za) zip_discard(impl_->za);
}

std::unique_ptr<ZipReader> ZipReader::Open(const std::string& archivePath, std::string* error) {
    // No ZIP_CHECKCONS: it refuses archives that hold one name twice, which
    // must still be listed and restored.
    int code = 0;
    zip_t* za = zip_open(archivePath.c_str(), ZIP_RDONLY, &code);
    if (!za) {
        if (error) *error = ZipCodeText(code);
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->path = archivePath;
    impl->za = za;
    zip_int32_t commentLength = 0;
    if (const char* c = zip_get_archive_comment(za, &commentLength, ZIP_FL_ENC_RAW))
        impl->comment.assign(c, static_cast<size_t>(commentLength));
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &st) != 0) continue;
        ZipItem item;
        item.index = static_cast<uint64_t>(i);
        if (st.valid & ZIP_STAT_NAME) item.name = st.name;
        if (st.valid & ZIP_STAT_SIZE) item.size = st.size;
        item.directory = !item.name.empty() && item.name.back() == '/';
        item.encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
        impl->items.push_back(std::move(item));
    }
    return std::unique_ptr<ZipReader>(new ZipReader(std::move(impl)));
}

const std::string& ZipReader::path() const { return impl_->path; }
std::string ZipReader::comment() const { return impl_->comment; }
const std::vector<ZipItem>& ZipReader::items() const { return impl_->items; }

namespace {

// The folders and the last element of a stored name, or false for a name that
// could leave the base folder or is not a plain relative path.
bool SplitStoredName(const std::string& name, bool directory, std::vector<std::string>* parts) {
    if (name.empty() || name.front() == '/') return false;
    std::string rest = name;
    if (directory) rest.pop_back();
    size_t start = 0;
    while (true) {
        const size_t slash = rest.find('/', start);
        std::string part = rest.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        parts->push_back(std::move(part));
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

// Creates and opens the folders below `base`, one element at a time, never
// following a symbolic link. The last folder opened is kept: archives list the
// items of one folder together.
class FolderOpener {
public:
    explicit FolderOpener(int baseFd) : baseFd_(baseFd) {}

    int open(const std::vector<std::string>& parts, size_t count, std::string* why) {
        std::string key;
        for (size_t i = 0; i < count; ++i) key += parts[i] + '/';
        if (count == 0) return baseFd_;
        if (cached_ && key == cachedKey_) return cached_.get();
        cached_.reset();
        cachedKey_.clear();
        int current = baseFd_;
        Fd owned;
        std::string shown;
        for (size_t i = 0; i < count; ++i) {
            const std::string& part = parts[i];
            shown += (i ? "/" : "") + part;
            if (::mkdirat(current, part.c_str(), 0777) != 0 && errno != EEXIST) {
                *why = shown + ": " + ErrorText(errno);
                return -1;
            }
            const int next = ::openat(current, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0) {
                const int err = errno;
                struct stat st {};
                if (::fstatat(current, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
                    *why = shown + " is a symbolic link";
                else if (err == ENOTDIR)
                    *why = shown + " is not a folder";
                else
                    *why = shown + ": " + ErrorText(err);
                return -1;
            }
            owned.reset(next);
            current = next;
        }
        cached_ = std::move(owned);
        cachedKey_ = key;
        return cached_.get();
    }

private:
    int baseFd_;
    Fd cached_;
    std::string cachedKey_;
};

time_t ItemTime(zip_t* za, zip_uint64_t index, const zip_stat_t& st) {
    zip_uint16_t length = 0;
    const zip_uint8_t* ut = zip_file_extra_field_get_by_id(za, index, kExtendedTimestamp, 0, &length, ZIP_FL_CENTRAL);
    if (!ut) ut = zip_file_extra_field_get_by_id(za, index, kExtendedTimestamp, 0, &length, ZIP_FL_LOCAL);
    if (ut && length >= 5 && (ut[0] & 1))
        return static_cast<time_t>(static_cast<int32_t>(ut[1] | ut[2] << 8 | ut[3] << 16 | static_cast<uint32_t>(ut[4]) << 24));
    return (st.valid & ZIP_STAT_MTIME) ? st.mtime : static_cast<time_t>(-1);
}

// The permission bits a Unix writer recorded, or 0 when there are none.
mode_t ItemMode(zip_t* za, zip_uint64_t index) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, index, 0, &system, &attributes) != 0 || system != ZIP_OPSYS_UNIX)
        return 0;
    const mode_t mode = attributes >> 16;
    if ((mode & S_IFMT) != 0 && !S_ISREG(mode)) return 0;
    return mode & 0777;
}

// The engine's message for a libzip error met while reading an item.
std::string ReadErrorText(int code, bool encrypted) {
    if (code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_NOPASSWD) return kZipInvalidPassword;
    if (code == ZIP_ER_CRC) return kZipCrcFailed;
    // A wrong password can pass the header check by chance; the data then
    // fails to inflate.
    if (encrypted && (code == ZIP_ER_ZLIB || code == ZIP_ER_COMPRESSED_DATA)) return kZipInvalidPassword;
    return ZipCodeText(code);
}

} // namespace

bool ZipReader::extractAll(const std::string& base, const ExtractCallbacks& callbacks) {
    zip_t* za = impl_->za;
    auto fail = [&](const ZipItem& item, const std::string& message) {
        if (callbacks.failure) callbacks.failure(item, message);
    };

    uint64_t total = 0;
    for (const ZipItem& item : impl_->items)
        if (!item.directory) total += item.size;
    uint64_t done = 0;
    int lastPercent = -1;
    auto report = [&](uint64_t bytes) {
        done += bytes;
        const int percent = total == 0 ? 100 : static_cast<int>(std::min<uint64_t>(done, total) * 100 / total);
        if (percent != lastPercent && callbacks.progress) callbacks.progress(percent);
        lastPercent = percent;
    };
    report(0);

    Fd baseFd(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!baseFd && errno == ENOENT && MakeFolders(base))
        baseFd.reset(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!baseFd) {
        const std::string why = base + ": " + ErrorText(errno);
        for (const ZipItem& item : impl_->items) fail(item, why);
        if (lastPercent != 100 && callbacks.progress) callbacks.progress(100);
        return true;
    }

    FolderOpener folders(baseFd.get());
    bool yesToAll = false;
    std::optional<std::string> lastPassword;
    std::vector<char> buffer(256 * 1024);
    unsigned temporaryCounter = 0;
    const std::string temporaryPrefix = ".quillon-restore-" + std::to_string(::getpid()) + "-";

    // Asks whether an existing `shown` may be replaced. nullopt = cancel the run.
    auto mayReplace = [&](const std::string& shown) -> std::optional<bool> {
        if (yesToAll) return true;
        const OverwriteAnswer answer = callbacks.overwrite ? callbacks.overwrite(shown) : OverwriteAnswer::No;
        switch (answer) {
        case OverwriteAnswer::Cancel:
            return std::nullopt;
        case OverwriteAnswer::No:
            return false;
        case OverwriteAnswer::YesToAll:
            yesToAll = true;
            return true;
        case OverwriteAnswer::Yes:
            break;
        }
        return true;
    };

    for (const ZipItem& item : impl_->items) {
        const uint64_t itemBytes = item.directory ? 0 : item.size;
        std::vector<std::string> parts;
        if (!SplitStoredName(item.name, item.directory, &parts)) {
            fail(item, "Refused: the name is absolute or leads outside the destination folder");
            report(itemBytes);
            continue;
        }
        std::string why;
        const int dir = folders.open(parts, item.directory ? parts.size() : parts.size() - 1, &why);
        if (dir < 0) {
            fail(item, why);
            report(itemBytes);
            continue;
        }
        if (item.directory) continue;

        const std::string& leaf = parts.back();
        const std::string shown = base + (base.ends_with('/') ? "" : "/") + item.name;
        struct stat existing {};
        bool replace = false;
        if (::fstatat(dir, leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISDIR(existing.st_mode)) {
                fail(item, shown + " is a folder");
                report(itemBytes);
                continue;
            }
            // A symbolic link in the way is replaced itself (renameat swaps the
            // name), never written through.
            const std::optional<bool> answer = mayReplace(shown);
            if (!answer) return false;
            if (!*answer) {
                report(itemBytes);
                continue;
            }
            replace = true;
        }

        zip_stat_t st;
        zip_stat_init(&st);
        zip_stat_index(za, item.index, 0, &st);
        zip_file_t* zf = nullptr;
        if (item.encrypted && !zip_encryption_method_supported(st.encryption_method, 0)) {
            // No password could open it: do not ask for one.
            fail(item, ZipCodeText(ZIP_ER_ENCRNOTSUPP));
            report(itemBytes);
            continue;
        }
        if (item.encrypted) {
            // The password of the previous item is tried first, as archives
            // usually have one password for all their items.
            int code = ZIP_ER_NOPASSWD;
            if (lastPassword) {
                zf = zip_fopen_index_encrypted(za, item.index, 0, lastPassword->c_str());
                if (!zf) code = zip_error_code_zip(zip_get_error(za));
            }
            if (!zf && (code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_NOPASSWD)) {
                const std::optional<std::string> password =
                        callbacks.password ? callbacks.password(item) : std::nullopt;
                if (!password) {
                    fail(item, kZipInvalidPassword);
                    report(itemBytes);
                    continue;
                }
                zf = zip_fopen_index_encrypted(za, item.index, 0, password->c_str());
                if (zf) lastPassword = password;
                else code = zip_error_code_zip(zip_get_error(za));
            }
            if (!zf) {
                zip_error_clear(za);
                fail(item, ReadErrorText(code, true));
                report(itemBytes);
                continue;
            }
        } else {
            zf = zip_fopen_index(za, item.index, 0);
            if (!zf) {
                const int code = zip_error_code_zip(zip_get_error(za));
                zip_error_clear(za);
                fail(item, ReadErrorText(code, false));
                report(itemBytes);
                continue;
            }
        }

        // Written under a temporary name in the target folder and renamed over
        // the target only when complete: a failed item leaves nothing behind.
        std::string temporary;
        Fd out;
        for (int attempt = 0; attempt < 100 && !out; ++attempt) {
            temporary = temporaryPrefix + std::to_string(++temporaryCounter);
            out.reset(::openat(dir, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            if (!out && errno != EEXIST) break;
        }
        if (!out) {
            why = ErrorText(errno);
            zip_fclose(zf);
            fail(item, shown + ": " + why);
            report(itemBytes);
            continue;
        }

        // Progress follows the bytes written, capped at the size the directory
        // declared so that a lying entry cannot push it past its share.
        uint64_t credited = 0;
        auto credit = [&](uint64_t bytes) {
            bytes = std::min(bytes, itemBytes - credited);
            credited += bytes;
            report(bytes);
        };
        bool ok = true;
        while (true) {
            const zip_int64_t n = zip_fread(zf, buffer.data(), buffer.size());
            if (n < 0) {
                why = ReadErrorText(zip_error_code_zip(zip_file_get_error(zf)), item.encrypted);
                ok = false;
                break;
            }
            if (n == 0) break;
            if (!WriteAll(out.get(), std::string_view(buffer.data(), static_cast<size_t>(n)))) {
                why = shown + ": " + ErrorText(errno);
                ok = false;
                break;
            }
            credit(static_cast<uint64_t>(n));
        }
        zip_fclose(zf);
        if (ok) {
            if (const mode_t mode = ItemMode(za, item.index)) ::fchmod(out.get(), mode);
            const time_t mtime = ItemTime(za, item.index, st);
            if (mtime != static_cast<time_t>(-1)) {
                const timespec times[2] = {{mtime, 0}, {mtime, 0}};
                ::futimens(out.get(), times);
            }
            if (::close(out.release()) != 0) {
                why = shown + ": " + ErrorText(errno);
                ok = false;
            }
        }
        if (ok) {
            int renamed = replace ? ::renameat(dir, temporary.c_str(), dir, leaf.c_str())
                                  : ::renameat2(dir, temporary.c_str(), dir, leaf.c_str(), RENAME_NOREPLACE);
            if (renamed != 0 && !replace && errno == EINVAL) {
                // A file system without RENAME_NOREPLACE: check, then rename.
                if (::fstatat(dir, leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0)
                    renamed = ::renameat(dir, temporary.c_str(), dir, leaf.c_str());
                else
                    errno = EEXIST;
            }
            if (renamed != 0 && !replace && errno == EEXIST) {
                // Something took the name while the item was being written.
                const std::optional<bool> answer = mayReplace(shown);
                if (!answer) {
                    ::unlinkat(dir, temporary.c_str(), 0);
                    return false;
                }
                if (!*answer) {
                    ::unlinkat(dir, temporary.c_str(), 0);
                    credit(itemBytes);
                    continue;
                }
                renamed = ::renameat(dir, temporary.c_str(), dir, leaf.c_str());
            }
            if (renamed != 0) {
                why = shown + ": " + ErrorText(errno);
                ok = false;
            }
        }
        if (!ok) {
            out.reset();
            ::unlinkat(dir, temporary.c_str(), 0);
            fail(item, why);
        }
        credit(itemBytes);
    }
    if (lastPercent != 100 && callbacks.progress) callbacks.progress(100);
    return true;
}

} // namespace quillon
