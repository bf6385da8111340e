#include "platform/zipreader.h"
#include "platform/paths.h"
#include "platform/scopeguard.h"
#include "platform/uniquefd.h"
#include "platform/zipcommon.h"
#include <algorithm>
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

const char* const kZipItemDamaged =
    "The item is damaged: its data does not match the size the archive declares";

std::optional<std::vector<std::string>> StoredNameParts(const std::string& name) {
    if (name.empty() || name.front() == '/') return std::nullopt;
    std::string_view rest = name;
    if (rest.back() == '/') rest.remove_suffix(1); // a folder entry
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t slash = rest.find('/', start);
        const std::string_view part =
            rest.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (part.empty() || part == "." || part == "..") return std::nullopt;
        parts.emplace_back(part);
        if (slash == std::string_view::npos) return parts;
        start = slash + 1;
    }
}

namespace {

const char* const kRefusedName =
    "Refused: the name is absolute or leads outside the destination folder";

// Creates and opens the folders below the base folder, one element at a time,
// never following a symbolic link. The last folder opened is kept: archives
// list the items of one folder together.
class FolderOpener {
public:
    explicit FolderOpener(int baseFd) : baseFd_(baseFd) {}

    // The first `count` elements of `parts` as an open folder; -1 and the
    // reason when one of them cannot be made or is no folder.
    int open(const std::vector<std::string>& parts, size_t count, std::string* why) {
        if (count == 0) return baseFd_;
        std::string key;
        for (size_t i = 0; i < count; ++i)
            key += parts[i] + '/';
        if (cached_ && key == cachedKey_) return cached_.get();
        cached_.reset();
        cachedKey_.clear();
        int current = baseFd_;
        UniqueFd owned;
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
    UniqueFd cached_;
    std::string cachedKey_;
};

// The modification time a writer recorded: the extended timestamp when there
// is one (exact, in UTC), else the DOS time; -1 when there is none.
time_t ItemTime(zip_t* za, zip_uint64_t index) {
    zip_uint16_t length = 0;
    const zip_uint8_t* ut = zip_file_extra_field_get_by_id(za, index, kExtendedTimestamp, 0, &length, ZIP_FL_CENTRAL);
    if (!ut) ut = zip_file_extra_field_get_by_id(za, index, kExtendedTimestamp, 0, &length, ZIP_FL_LOCAL);
    if (ut && length >= 5 && (ut[0] & 1))
        return static_cast<time_t>(static_cast<int32_t>(ut[1] | ut[2] << 8 | ut[3] << 16 | static_cast<uint32_t>(ut[4]) << 24));
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za, index, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME)) return st.mtime;
    return static_cast<time_t>(-1);
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

struct CloseZipFile {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipFile = std::unique_ptr<zip_file_t, CloseZipFile>;

// renameat2 with RENAME_NOREPLACE; on a file system without it, a check and
// a rename. False with errno EEXIST when the name is taken.
bool RenameNoReplace(int dir, const std::string& from, const std::string& to) {
    if (::renameat2(dir, from.c_str(), dir, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL) return false;
    struct stat st {};
    if (::fstatat(dir, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(dir, from.c_str(), dir, to.c_str()) == 0;
}

// The overall percentage over the declared sizes of the files. Each item has
// its share, credited as its bytes are written and completed when the item
// ends, however it ends: an item whose data is longer than declared cannot
// push the gauge past its share.
class Progress {
public:
    Progress(const std::vector<ZipItem>& items, const std::function<void(int)>& report)
        : report_(report) {
        for (const ZipItem& item : items)
            if (!item.directory) total_ += item.size;
        show();
    }
    void startItem(const ZipItem& item) {
        share_ = item.directory ? 0 : item.size;
        credited_ = 0;
    }
    void advance(uint64_t bytes) {
        bytes = std::min(bytes, share_ - credited_);
        credited_ += bytes;
        done_ += bytes;
        show();
    }
    void endItem() { advance(share_ - credited_); }
    void finish() {
        if (last_ != 100 && report_) report_(100);
        last_ = 100;
    }

private:
    void show() {
        const int percent =
            total_ == 0 ? 100 : static_cast<int>(std::min(done_, total_) * 100 / total_);
        if (percent != last_ && report_) report_(percent);
        last_ = percent;
    }

    const std::function<void(int)>& report_;
    uint64_t total_ = 0, done_ = 0, share_ = 0, credited_ = 0;
    int last_ = -1;
};

// The steps of extracting one item after another into an open base folder.
class Extraction {
public:
    enum class Outcome { Done, Kept, Failed, Cancelled };

    Extraction(zip_t* za, const std::string& base, int baseFd, const ExtractCallbacks& callbacks,
               Progress& progress)
        : za_(za), base_(base), callbacks_(callbacks), progress_(progress), folders_(baseFd),
          temporaryPrefix_(".quillon-restore-" + std::to_string(::getpid()) + "-") {}

    // One item: its folders made, its file written; `why` says why it failed.
    Outcome extractItem(const ZipItem& item, std::string* why) {
        const std::optional<std::vector<std::string>> parts = StoredNameParts(item.name);
        if (!parts) {
            *why = kRefusedName;
            return Outcome::Failed;
        }
        const size_t folderCount = item.directory ? parts->size() : parts->size() - 1;
        const int dir = folders_.open(*parts, folderCount, why);
        if (dir < 0) return Outcome::Failed;
        if (item.directory) return Outcome::Done;
        const std::string shown = base_ + (base_.ends_with('/') ? "" : "/") + item.name;
        return extractFile(item, Target{dir, parts->back(), shown}, why);
    }

private:
    // Where a file goes: its open folder, its name there, its path as shown.
    struct Target {
        int dir;
        std::string leaf;
        std::string shown;
    };
    // What to do about the name a file goes to.
    enum class Decision { Create, Replace, Keep, Cancel, Refuse };
    // The file the user agreed to replace.
    struct Identity {
        dev_t dev = 0;
        ino_t ino = 0;
    };

    Outcome extractFile(const ZipItem& item, const Target& target, std::string* why) {
        Identity asked;
        const Decision decision = decideExisting(target, &asked, why);
        if (decision != Decision::Create && decision != Decision::Replace)
            return outcomeOf(decision);

        ZipFile data = openItem(item, why);
        if (!data) return Outcome::Failed;
        // Written under a temporary name in the target folder and renamed over
        // the target only when complete: a failed item leaves nothing behind.
        std::string temporary;
        UniqueFd out = createTemporary(target.dir, &temporary);
        if (!out) {
            *why = target.shown + ": " + ErrorText(errno);
            return Outcome::Failed;
        }
        bool placed = false;
        const ScopeExit removeTemporary([&] {
            if (!placed) ::unlinkat(target.dir, temporary.c_str(), 0);
        });
        const bool copied = copyData(data.get(), item, out.get(), target.shown, why);
        data.reset();
        if (!copied) return Outcome::Failed;
        applyTimeAndMode(out.get(), item);
        if (::close(out.release()) != 0) {
            *why = target.shown + ": " + ErrorText(errno);
            return Outcome::Failed;
        }
        const Outcome outcome = place(target, temporary, decision, asked, why);
        placed = outcome == Outcome::Done;
        return outcome;
    }

    static Outcome outcomeOf(Decision decision) {
        switch (decision) {
        case Decision::Keep:
            return Outcome::Kept;
        case Decision::Cancel:
            return Outcome::Cancelled;
        case Decision::Refuse:
            return Outcome::Failed;
        case Decision::Create:
        case Decision::Replace:
            break;
        }
        return Outcome::Done;
    }

    // Only a regular file is ever replaced, and only when the user says so.
    // A link in the item's way is neither written through nor swapped for the
    // item; a folder or a device file is left alone.
    Decision decideExisting(const Target& target, Identity* asked, std::string* why) {
        struct stat st {};
        if (::fstatat(target.dir, target.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) return Decision::Create;
            *why = target.shown + ": " + ErrorText(errno);
            return Decision::Refuse;
        }
        if (!S_ISREG(st.st_mode)) {
            *why = target.shown + (S_ISDIR(st.st_mode)   ? " is a folder"
                                   : S_ISLNK(st.st_mode) ? " is a symbolic link"
                                                         : " is not a regular file");
            return Decision::Refuse;
        }
        *asked = Identity{st.st_dev, st.st_ino};
        if (yesToAll_) return Decision::Replace;
        switch (callbacks_.overwrite ? callbacks_.overwrite(target.shown) : OverwriteAnswer::No) {
        case OverwriteAnswer::Cancel:
            return Decision::Cancel;
        case OverwriteAnswer::No:
            return Decision::Keep;
        case OverwriteAnswer::YesToAll:
            yesToAll_ = true;
            return Decision::Replace;
        case OverwriteAnswer::Yes:
            return Decision::Replace;
        }
        return Decision::Keep;
    }

    // The item's data stream; for an encrypted item, with the password of the
    // previous item if it fits (archives usually have one password for all
    // their items), else with one the user gives.
    ZipFile openItem(const ZipItem& item, std::string* why) {
        if (!item.encrypted) {
            ZipFile data(zip_fopen_index(za_, item.index, 0));
            if (!data) *why = ReadErrorText(takeError(), false);
            return data;
        }
        zip_stat_t st;
        zip_stat_init(&st);
        zip_stat_index(za_, item.index, 0, &st);
        if (!zip_encryption_method_supported(st.encryption_method, 0)) {
            // No password could open it: none is asked for.
            *why = ZipCodeText(ZIP_ER_ENCRNOTSUPP);
            return nullptr;
        }
        int code = ZIP_ER_NOPASSWD;
        if (lastPassword_) {
            ZipFile data(zip_fopen_index_encrypted(za_, item.index, 0, lastPassword_->c_str()));
            if (data) return data;
            code = takeError();
        }
        if (code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_NOPASSWD) {
            const std::optional<std::string> password =
                callbacks_.password ? callbacks_.password(item) : std::nullopt;
            if (!password) {
                *why = kZipInvalidPassword;
                return nullptr;
            }
            ZipFile data(zip_fopen_index_encrypted(za_, item.index, 0, password->c_str()));
            if (data) {
                lastPassword_ = password;
                return data;
            }
            code = takeError();
        }
        *why = ReadErrorText(code, true);
        return nullptr;
    }

    int takeError() {
        const int code = zip_error_code_zip(zip_get_error(za_));
        zip_error_clear(za_);
        return code;
    }

    UniqueFd createTemporary(int dir, std::string* name) {
        UniqueFd out;
        for (int attempt = 0; attempt < 100 && !out; ++attempt) {
            *name = temporaryPrefix_ + std::to_string(++temporaryCounter_);
            out.reset(::openat(dir, name->c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            if (!out && errno != EEXIST) break;
        }
        return out;
    }

    // Copies the item's data, crediting progress as it goes. The data must be
    // exactly as long as the archive's directory declares; no more than one
    // byte past that size is ever inflated, so a forged size cannot make a
    // small item fill the disk.
    bool copyData(zip_file_t* data, const ZipItem& item, int out, const std::string& shown,
                  std::string* why) {
        uint64_t written = 0;
        while (true) {
            const uint64_t want = std::min<uint64_t>(buffer_.size(), item.size - written + 1);
            const zip_int64_t n = zip_fread(data, buffer_.data(), want);
            if (n < 0) {
                *why = ReadErrorText(zip_error_code_zip(zip_file_get_error(data)), item.encrypted);
                return false;
            }
            if (n == 0) break;
            const auto got = static_cast<uint64_t>(n);
            if (got > item.size - written) {
                *why = kZipItemDamaged;
                return false;
            }
            if (!WriteAll(out, std::string_view(buffer_.data(), static_cast<size_t>(got)))) {
                *why = shown + ": " + ErrorText(errno);
                return false;
            }
            written += got;
            progress_.advance(got);
        }
        if (written != item.size) {
            *why = kZipItemDamaged;
            return false;
        }
        return true;
    }

    void applyTimeAndMode(int out, const ZipItem& item) {
        if (const mode_t mode = ItemMode(za_, item.index)) ::fchmod(out, mode);
        const time_t mtime = ItemTime(za_, item.index);
        if (mtime != static_cast<time_t>(-1)) {
            const timespec times[2] = {{mtime, 0}, {mtime, 0}};
            ::futimens(out, times);
        }
    }

    // Gives the finished temporary file the item's name. A name that was free
    // must still be free (when something took it meanwhile, the user is asked
    // now); a name the user let replace must still hold the very regular file
    // asked about.
    Outcome place(const Target& target, const std::string& temporary, Decision decision,
                  Identity asked, std::string* why) {
        // Each round follows a change someone else made meanwhile; a name that
        // keeps changing is given up.
        for (int round = 0; round < 3; ++round) {
            if (decision == Decision::Create) {
                if (RenameNoReplace(target.dir, temporary, target.leaf)) return Outcome::Done;
                if (errno != EEXIST) break;
                decision = decideExisting(target, &asked, why);
            } else {
                struct stat st {};
                if (::fstatat(target.dir, target.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    if (errno != ENOENT) break;
                    decision = Decision::Create;
                    continue;
                }
                if (S_ISREG(st.st_mode) && st.st_dev == asked.dev && st.st_ino == asked.ino) {
                    if (::renameat(target.dir, temporary.c_str(), target.dir,
                                   target.leaf.c_str()) == 0)
                        return Outcome::Done;
                    break;
                }
                decision = decideExisting(target, &asked, why);
            }
            if (decision != Decision::Create && decision != Decision::Replace)
                return outcomeOf(decision);
        }
        *why = target.shown + ": " + ErrorText(errno);
        return Outcome::Failed;
    }

    zip_t* za_;
    const std::string& base_;
    const ExtractCallbacks& callbacks_;
    Progress& progress_;
    FolderOpener folders_;
    bool yesToAll_ = false;
    std::optional<std::string> lastPassword_;
    std::vector<char> buffer_ = std::vector<char>(256 * 1024);
    unsigned temporaryCounter_ = 0;
    std::string temporaryPrefix_;
};

// The base folder, made when it is missing.
UniqueFd OpenBase(const std::string& base, std::string* why) {
    UniqueFd fd(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd && errno == ENOENT && MakeFolders(base))
        fd.reset(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) *why = base + ": " + ErrorText(errno);
    return fd;
}

} // namespace

bool ZipReader::extractAll(const std::string& base, const ExtractCallbacks& callbacks,
                           ExtractCounts* counts) {
    ExtractCounts tally;
    for (const ZipItem& item : impl_->items)
        if (!item.directory) ++tally.files;
    const auto fail = [&](const ZipItem& item, const std::string& message) {
        ++(item.directory ? tally.foldersFailed : tally.failed);
        if (callbacks.failure) callbacks.failure(item, message);
    };
    const auto finish = [&](bool cancelled) {
        tally.cancelled = cancelled;
        if (counts) *counts = tally;
        return !cancelled;
    };
    Progress progress(impl_->items, callbacks.progress);
    std::string why;
    const UniqueFd baseFd = OpenBase(base, &why);
    if (!baseFd) {
        for (const ZipItem& item : impl_->items)
            fail(item, why);
        progress.finish();
        return finish(false);
    }
    Extraction extraction(impl_->za, base, baseFd.get(), callbacks, progress);
    for (const ZipItem& item : impl_->items) {
        progress.startItem(item);
        why.clear();
        const Extraction::Outcome outcome = extraction.extractItem(item, &why);
        switch (outcome) {
        case Extraction::Outcome::Cancelled:
            return finish(true);
        case Extraction::Outcome::Failed:
            fail(item, why);
            break;
        case Extraction::Outcome::Kept:
            ++tally.kept;
            break;
        case Extraction::Outcome::Done:
            if (!item.directory) ++tally.extracted;
            break;
        }
        progress.endItem();
    }
    progress.finish();
    return finish(false);
}

} // namespace quillon
