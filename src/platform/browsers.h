#pragma once
// The web browsers' disk caches: where the common Linux browsers keep them
// (native, Flatpak and Snap installs, every profile), and whether a browser
// runs now (a running browser keeps its cache in use).
#include <functional>
#include <string>
#include <vector>

namespace quillon {

struct BrowserCacheFolder {
    std::string browser; // "Firefox", "Chromium", ...
    std::string folder;  // the folder that directly holds the cache files
};

enum class BrowserInstalls {
    Native,     // installed from the distribution or the vendor's package
    Everywhere, // those, then Flatpak, then Snap installs
};

// Every existing cache folder of the known browsers below the home folder
// ($HOME; the native caches below $XDG_CACHE_HOME when it is set): first the
// native installs, then (Everywhere) Flatpak (~/.var/app/<id>/cache/...), then
// Snap (~/snap/<name>/common/.cache/...); browsers in table order, profiles in
// name order. Firefox: <profile>/cache2/entries; the Chromium family:
// <profile>/Cache/Cache_Data (or <profile>/Cache in the older layout).
std::vector<BrowserCacheFolder> FindBrowserCacheFolders(BrowserInstalls installs);

// The browser whose cache a folder is or lies in ("" for a folder no known
// browser uses).
std::string BrowserOfCacheFolder(const std::string& folder);

// The known browsers that have a process running now, in table order.
std::vector<std::string> RunningBrowsers();
// Tests: the process names (as /proc/<pid>/comm gives them) to use instead of
// the running processes; an empty function looks at /proc again.
void SetProcessNamesForTesting(std::function<std::vector<std::string>()> names);

} // namespace quillon
