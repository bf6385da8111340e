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
#include <fcntl.h>
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





std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A source we are willing to archive: a regular file that can be opened for
// reading now. Symbolic links are refused rather than archived as their target.
bool CheckSource(const std::string& path, struct stat* st, std::string* why) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
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
    UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC));
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

} // namespace quillon
