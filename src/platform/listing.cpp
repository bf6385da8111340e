#include "platform/listing.h"
#include "platform/textcase.h"
#include "platform/walker.h"
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

// The entries of `folder` whose kind (a DT_ value) and name `keep` accepts,
// in display order.
template <typename Keep>
std::vector<std::string> ListEntries(const std::string& folder, Keep keep) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
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
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int folded = CompareFolded(a, b);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

} // namespace

std::vector<std::string> ListSubFolders(const std::string& folder) {
    return ListEntries(folder, [](unsigned char type, std::string_view name) {
        return type == DT_DIR && name.front() != '.';
    });
}

bool ListRegularFiles(const std::string& folder, std::vector<ListedFile>& files) {
    files.clear();
    if (WalkOpenFailsForTesting(folder)) return false;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) continue;
        ListedFile file;
        // Gone since the listing, or not a regular file after all: left out.
        if (!ReadFileFactsAt(::dirfd(dir), entry->d_name, file.facts)) continue;
        if (!S_ISREG(file.facts.mode)) continue;
        file.name = entry->d_name;
        files.push_back(std::move(file));
    }
    ::closedir(dir);
    std::sort(files.begin(), files.end(), [](const ListedFile& a, const ListedFile& b) {
        const int folded = CompareFolded(a.name, b.name);
        return folded != 0 ? folded < 0 : a.name < b.name;
    });
    return true;
}

std::vector<std::string> ListFiles(const std::string& folder, std::string_view mask) {
    return ListEntries(folder, [mask](unsigned char type, std::string_view name) {
        return type == DT_REG && MatchesMask(name, mask);
    });
}

} // namespace quillon
