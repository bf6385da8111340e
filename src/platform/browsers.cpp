#include "platform/browsers.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <initializer_list>
#include <mutex>
#include <unistd.h>

namespace quillon {

namespace {

enum class CacheLayout {
    Firefox,  // <base>/<profile>/cache2/entries
    Chromium, // <base>[/<profile>]/Cache/Cache_Data, or .../Cache
};

struct Browser {
    const char* name;
    CacheLayout layout;
    const char* cache;   // below the cache home (~/.cache)
    const char* flatpak; // application id, or nullptr
    const char* snap;    // snap name, or nullptr
    // As /proc/<pid>/comm names them (at most 15 bytes).
    std::initializer_list<const char*> processes;
};

const Browser kBrowsers[] = {
    {"Firefox", CacheLayout::Firefox, "mozilla/firefox", "org.mozilla.firefox", "firefox",
     {"firefox", "firefox-bin", "firefox-esr"}},
    {"Chromium", CacheLayout::Chromium, "chromium", "org.chromium.Chromium", "chromium",
     // The snap's process is named "chrome" too: a warning too many is harmless.
     {"chromium", "chromium-browse", "chrome"}},
    {"Google Chrome", CacheLayout::Chromium, "google-chrome", "com.google.Chrome", nullptr,
     {"chrome", "google-chrome"}},
    {"Brave", CacheLayout::Chromium, "BraveSoftware/Brave-Browser", "com.brave.Browser", "brave",
     {"brave", "brave-browser"}},
    {"Vivaldi", CacheLayout::Chromium, "vivaldi", "com.vivaldi.Vivaldi", "vivaldi",
     {"vivaldi", "vivaldi-bin"}},
    {"Opera", CacheLayout::Chromium, "opera", "com.opera.Opera", "opera", {"opera"}},
    {"Microsoft Edge", CacheLayout::Chromium, "microsoft-edge", "com.microsoft.Edge", nullptr,
     {"msedge", "microsoft-edge"}},
};

enum class Install { Native, Flatpak, Snap };

// Where a browser keeps its caches for one kind of install ("" when it has
// no such install).
std::string CacheBase(const Browser& browser, Install install) {
    switch (install) {
    case Install::Native:
        return JoinPath(CacheHome(), browser.cache);
    case Install::Flatpak:
        if (!browser.flatpak) return {};
        return JoinPath(
            JoinPath(HomeFolder(), std::string(".var/app/") + browser.flatpak + "/cache"),
            browser.cache);
    case Install::Snap:
        if (!browser.snap) return {};
        return JoinPath(
            JoinPath(HomeFolder(), std::string("snap/") + browser.snap + "/common/.cache"),
            browser.cache);
    }
    return {};
}

void AddCacheFolders(const Browser& browser, const std::string& base,
                     std::vector<BrowserCacheFolder>& out) {
    if (base.empty() || !FolderExists(base)) return;
    const auto add = [&](const std::string& folder) {
        if (FolderExists(folder)) out.push_back({browser.name, folder});
    };
    if (browser.layout == CacheLayout::Firefox) {
        for (const std::string& profile : ListSubFolders(base))
            add(JoinPath(JoinPath(base, profile), "cache2/entries"));
        return;
    }
    // The Chromium family: a profile folder per profile ("Default",
    // "Profile 1"), or none at all (Opera keeps Cache right in the base).
    std::vector<std::string> profiles{base};
    for (const std::string& profile : ListSubFolders(base))
        profiles.push_back(JoinPath(base, profile));
    for (const std::string& profile : profiles) {
        const std::string cache = JoinPath(profile, "Cache");
        if (const std::string data = JoinPath(cache, "Cache_Data"); FolderExists(data))
            out.push_back({browser.name, data});
        else
            add(cache);
    }
}

std::mutex g_hookMutex;
std::function<std::vector<std::string>()> g_processNames;

std::vector<std::string> ProcessNames() {
    {
        const std::lock_guard lock(g_hookMutex);
        if (g_processNames) return g_processNames();
    }
    std::vector<std::string> names;
    DIR* proc = ::opendir("/proc");
    if (!proc) return names;
    while (const dirent* entry = ::readdir(proc)) {
        const std::string_view pid = entry->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string_view::npos) continue;
        const int fd = ::openat(::dirfd(proc), (std::string(pid) + "/comm").c_str(),
                                O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue; // the process ended meanwhile
        char buffer[64];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        ::close(fd);
        if (got <= 0) continue;
        std::string name(buffer, static_cast<size_t>(got));
        while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
        names.push_back(std::move(name));
    }
    ::closedir(proc);
    return names;
}

} // namespace

std::vector<BrowserCacheFolder> FindBrowserCacheFolders(BrowserInstalls installs) {
    std::vector<BrowserCacheFolder> out;
    for (const Install install : {Install::Native, Install::Flatpak, Install::Snap}) {
        if (install != Install::Native && installs == BrowserInstalls::Native) break;
        for (const Browser& browser : kBrowsers)
            AddCacheFolders(browser, CacheBase(browser, install), out);
    }
    return out;
}

std::string BrowserOfCacheFolder(const std::string& folder) {
    const std::string text = LexicalNormalise(folder);
    for (const Install install : {Install::Native, Install::Flatpak, Install::Snap})
        for (const Browser& browser : kBrowsers)
            if (const std::string base = CacheBase(browser, install);
                !base.empty() && PathIsWithin(text, base))
                return browser.name;
    return {};
}

std::vector<std::string> RunningBrowsers() {
    const std::vector<std::string> names = ProcessNames();
    std::vector<std::string> running;
    for (const Browser& browser : kBrowsers) {
        const bool runs = std::any_of(names.begin(), names.end(), [&](const std::string& name) {
            return std::any_of(browser.processes.begin(), browser.processes.end(),
                               [&](const char* process) { return name == process; });
        });
        if (runs) running.emplace_back(browser.name);
    }
    return running;
}

void SetProcessNamesForTesting(std::function<std::vector<std::string>()> names) {
    const std::lock_guard lock(g_hookMutex);
    g_processNames = std::move(names);
}

} // namespace quillon
