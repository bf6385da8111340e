#include "cleanup/cachefolders.h"
#include "platform/browsers.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "shell/routines.h"
#include "shell/settings.h"
#include <algorithm>

namespace quillon {

const char* const kCacheFilesSection = "CacheFiles";

std::optional<std::vector<std::string>> ReadCacheFolders(const SettingsStore& store) {
    if (store.readInteger(kCacheFilesSection, "Number", -1) < 0) return std::nullopt;
    // Only whole paths: a relative one would be taken from wherever the
    // program happens to run.
    std::vector<std::string> folders = store.readList(kCacheFilesSection, {});
    std::erase_if(folders, [](const std::string& folder) { return !folder.starts_with('/'); });
    return folders;
}

void WriteCacheFolders(SettingsStore& store, const std::vector<std::string>& folders) {
    store.writeList(kCacheFilesSection, folders);
}

std::vector<std::string> DiscoverCacheFolders(BrowserInstalls installs) {
    std::vector<std::string> folders;
    for (const BrowserCacheFolder& found : FindBrowserCacheFolders(installs))
        folders.push_back(found.folder);
    return folders;
}

int64_t AccessAgeDays(DateTime accessed, DateTime now) {
    if (accessed == kNoDate) return -1;
    return std::max<int64_t>(0, DayNumber(now) - DayNumber(accessed));
}

CacheClear CollectCacheFiles(const std::vector<std::string>& folders, int64_t days, DateTime now) {
    CacheClear clear;
    std::vector<std::string> seen; // resolved folders already read
    std::vector<ListedFile> files;
    for (const std::string& listed : folders) {
        if (!FolderExists(listed)) continue; // gone: nothing to clear there
        const std::string folder = CanonicalPath(listed);
        if (std::find(seen.begin(), seen.end(), folder) != seen.end()) continue;
        seen.push_back(folder);
        if (!ListRegularFiles(folder, files)) {
            clear.unreadable.push_back(listed);
            continue;
        }
        bool any = false;
        for (const ListedFile& file : files) {
            const int64_t age = AccessAgeDays(file.facts.accessed, now);
            if (age < 0 || age < days) continue;
            clear.files.push_back({JoinPath(folder, file.name), SeenIdentity(file.facts)});
            clear.bytes += file.facts.size;
            any = true;
        }
        if (any) clear.foldersWithFiles.push_back(listed);
    }
    return clear;
}

} // namespace quillon
