#pragma once
// What lies in a folder, for tests that check what an operation left behind.
#include <dirent.h>
#include <set>
#include <string>
#include <sys/stat.h>

namespace quillon::test {

// The names in one folder ("." and ".." left out); empty when it cannot be read.
inline std::set<std::string> ListFolder(const std::string& folder) {
    std::set<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.insert(name);
    }
    closedir(dir);
    return names;
}

// Everything below `root`, as paths relative to it; folders end in '/' and are
// listed with their contents, links are listed and not followed.
inline std::set<std::string> ListTree(const std::string& root, const std::string& prefix = {}) {
    std::set<std::string> paths;
    for (const std::string& name : ListFolder(root)) {
        const std::string path = root + "/" + name;
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            paths.insert(prefix + name + "/");
            paths.merge(ListTree(path, prefix + name + "/"));
        } else {
            paths.insert(prefix + name);
        }
    }
    return paths;
}

} // namespace quillon::test
