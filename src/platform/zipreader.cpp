#include "platform/zipreader.h"
#include "platform/paths.h"
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

    UniqueFd baseFd(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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
        UniqueFd out;
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
