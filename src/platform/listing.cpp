#include "platform/listing.h"
#include "platform/resolver.h"
#include "platform/textcase.h"
#include "platform/uniquefd.h"
#include "platform/walker.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

// The entries of `folder` whose kind (a DT_ value) and name `keep` accepts,
// in display order.
// The folder itself may be reached through a link (the user chose it by
// that name). A path longer than the system takes whole is opened from its
// drive root, folder by folder, without following links below the root.
UniqueFd OpenFolderForListing(const std::string& folder) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    UniqueFd fd(::open(folder.c_str(), kFlags));
    if (fd || errno != ENAMETOOLONG) return fd;
    FolderResolver resolver;
    return resolver.openFolder(folder, nullptr);
}

template <typename Keep>
std::vector<std::string> ListEntries(const std::string& folder, Keep keep) {
    std::vector<std::string> names;
    UniqueFd fd = OpenFolderForListing(folder);
    if (!fd) return names;
    DIR* dir = ::fdopendir(fd.get());
    if (!dir) return names;
    fd.release(); // the stream owns it now
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            // Some file systems leave the kind to a stat of their own.
            struct stat st {};
            if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = static_cast<unsigned char>(IFTODT(st.st_mode));
        }
        if (keep(type, name)) names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), FoldedThenBytesLess);
    return names;
}

// The regular files of one folder (hidden names too, or not) whose names are
// wanted, each with its facts, in the order the folder gives them.
bool ListFilesIn(const std::string& folder, bool hiddenToo,
                 const std::function<bool(std::string_view name)>& wanted,
                 const std::function<void(std::string_view name, const FileFacts& facts)>& each,
                 int* error = nullptr) {
    if (WalkOpenHookSet() && WalkOpenFailsForTesting(folder)) {
        if (error) *error = EACCES; // what an unreadable folder answers
        return false;
    }
    const UniqueFd fd = OpenFolderForListing(folder);
    if (!fd) {
        if (error) *error = errno;
        return false;
    }
    // Big enough that a folder of a few thousand files takes one call.
    constexpr size_t kBufferBytes = 256 * 1024;
    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(kBufferBytes);
    FileFacts facts;
    for (;;) {
        const ssize_t got = ::getdents64(fd.get(), buffer.get(), kBufferBytes);
        if (got <= 0) break; // the end; an error part-way keeps what was reported
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer.get() + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && !hiddenToo) continue; // hidden ("." and ".." are folders)
            // DT_UNKNOWN (some file systems) is settled by the statx below.
            if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) continue;
            const std::string_view view(name, std::strlen(name));
            if (!wanted(view)) continue;
            if (!ReadFileFactsAt(fd.get(), name, facts) || !S_ISREG(facts.mode)) continue;
            each(view, facts);
        }
    }
    return true;
}

} // namespace

std::vector<std::string> ListSubFolders(const std::string& folder) {
    return ListEntries(folder, [](unsigned char type, std::string_view name) {
        return type == DT_DIR && name.front() != '.';
    });
}

bool ListRegularFiles(const std::string& folder, std::vector<ListedFile>& files) {
    files.clear();
    const bool listed = ListFilesIn(
        folder, true, [](std::string_view) { return true; },
        [&](std::string_view name, const FileFacts& facts) {
            files.push_back({std::string(name), facts});
        });
    std::sort(files.begin(), files.end(), [](const ListedFile& a, const ListedFile& b) {
        return FoldedThenBytesLess(a.name, b.name);
    });
    return listed;
}

std::vector<std::string> ListFiles(const std::string& folder, std::string_view mask) {
    return ListEntries(folder, [mask](unsigned char type, std::string_view name) {
        return type == DT_REG && MatchesMask(name, mask);
    });
}

bool ListFolderFiles(
    const std::string& folder, const std::vector<std::string>& masks,
    const std::function<void(std::string_view name, const FileFacts& facts)>& each, int* error) {
    const bool everything =
        std::any_of(masks.begin(), masks.end(), [](const std::string& m) { return m == "*.*"; });
    return ListFilesIn(
        folder, false,
        [&](std::string_view name) {
            if (everything) return true;
            for (const std::string& mask : masks)
                if (MatchesMask(name, mask)) return true;
            return false;
        },
        each, error);
}

} // namespace quillon
