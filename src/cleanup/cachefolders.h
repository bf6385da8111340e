#pragma once
// The internet cache folder list (section CacheFiles of quillon.ini) and what
// a clear by age collects from it. No widgets.
#include "platform/browsers.h"
#include "platform/clock.h"
#include "platform/resolver.h"
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

class SettingsStore;

extern const char* const kCacheFilesSection; // "CacheFiles"

// The stored folders (bytes) in list order, empty values left out; nullopt
// while the list was never saved (no Number).
std::optional<std::vector<std::string>> ReadCacheFolders(const SettingsStore& store);
void WriteCacheFolders(SettingsStore& store, const std::vector<std::string>& folders);

// The cache folders of the browsers on this machine: a list never saved
// starts with the native installs' caches; Initialize appends those and the
// Flatpak and Snap installs' caches.
std::vector<std::string> DiscoverCacheFolders(BrowserInstalls installs);

// Whole calendar days from a last-access time to `now`; -1 when the time was
// not recorded. A time in the future (a clock set back) counts as 0 days: a
// file is never cleared because of a clock's mistake.
int64_t AccessAgeDays(DateTime accessed, DateTime now);

struct CacheClear {
    std::vector<SeenFile> files; // with what each file was when listed
    int64_t bytes = 0;
    // Folders that gave at least one file, and folders that exist but could
    // not be read, in list order.
    std::vector<std::string> foldersWithFiles;
    std::vector<std::string> unreadable;
};

// The regular files right in each folder (sub-folders are not entered) last
// accessed at least `days` days before `now`. Folders that do not exist give
// nothing; a folder listed twice (or reached twice through links) is read once.
// Paths are built on each folder's resolved path, so the removal finds them
// without going through a link.
CacheClear CollectCacheFiles(const std::vector<std::string>& folders, int64_t days, DateTime now);

} // namespace quillon
