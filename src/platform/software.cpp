#include "platform/software.h"
#include "platform/eventpump.h"
#include "platform/paths.h"
#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace quillon {

namespace {

// No real path is longer; a longer "line" is binary junk and is skipped
// without being kept in memory.
constexpr size_t kMaxLine = 8192;

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// Calls line() for each line of a file (without "\n" or "\r\n"); false when
// line() asked to stop. A file that cannot be read simply has no lines.
template <typename LineFn> bool ForEachLine(const std::string& file, LineFn&& line) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return true;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return true;
    }
    std::string current;
    bool tooLong = false;
    bool go = true;
    char buffer[65536];
    auto finish = [&]() {
        if (!tooLong) {
            std::string_view text(current);
            if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
            go = line(text);
        }
        current.clear();
        tooLong = false;
    };
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        const std::string_view chunk(buffer, static_cast<size_t>(n));
        size_t pos = 0;
        while (go && pos < chunk.size()) {
            const size_t newline = chunk.find('\n', pos);
            const size_t end = newline == std::string_view::npos ? chunk.size() : newline;
            if (!tooLong) {
                if (current.size() + (end - pos) > kMaxLine) {
                    tooLong = true;
                    current.clear();
                } else {
                    current.append(chunk.substr(pos, end - pos));
                }
            }
            if (newline == std::string_view::npos) break;
            finish();
            pos = newline + 1;
        }
        if (!go) break;
        EventPump::Serve();
    }
    if (go && (!current.empty() || tooLong)) finish();
    close(fd);
    return go;
}

// Entry names of a folder in byte order; empty when it cannot be read.
std::vector<std::string> SortedNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Desktop entry string values escape blank, tab, newline, return and backslash.
std::string UnescapeValue(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char c = value[++i];
            switch (c) {
            case 's':
                out += ' ';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                out += c;
                break;
            }
            continue;
        }
        out += value[i];
    }
    return out;
}

// The program of an Exec= line: its first word, which may be double-quoted
// (inside quotes a backslash escapes the next character).
std::string CommandWord(std::string_view command) {
    command = Trim(command);
    std::string word;
    if (!command.empty() && command.front() == '"') {
        for (size_t i = 1; i < command.size(); ++i) {
            const char c = command[i];
            if (c == '"') break;
            if (c == '\\' && i + 1 < command.size()) {
                word += command[++i];
                continue;
            }
            word += c;
        }
        return word;
    }
    const size_t end = command.find_first_of(" \t");
    return std::string(command.substr(0, end));
}

// Desktop files below a folder, depth first in name order. Linked folders are
// not entered, so a link loop cannot trap the walk.
void CollectDesktopFiles(const std::string& folder, int depth, std::vector<std::string>& files) {
    if (depth > 16) return;
    for (const std::string& name : SortedNames(folder)) {
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            CollectDesktopFiles(path, depth + 1, files);
        } else if (EndsWith(name, ".desktop")) {
            files.push_back(path);
        }
    }
}

class ReferenceWalk {
  public:
    explicit ReferenceWalk(const std::function<bool(const std::string&)>& found) : found_(found) {}

    // False when the caller asked to stop.
    bool offer(std::string_view text) {
        const auto folder = AcceptReference(text);
        if (!folder) return true;
        // Each folder text is looked up once, found or not.
        if (!tried_.insert(*folder).second) return true;
        EventPump::Serve();
        struct stat st {};
        if (stat(folder->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return true;
        return found_(*folder);
    }

    bool walkPackageLists() {
        const std::string info = DpkgInfoFolder();
        for (const std::string& name : SortedNames(info)) {
            if (!EndsWith(name, ".list")) continue;
            if (!ForEachLine(info + "/" + name, [&](std::string_view line) { return offer(line); }))
                return false;
        }
        return true;
    }

    bool walkDesktopEntries() {
        for (const std::string& folder : ApplicationFolders()) {
            std::vector<std::string> files;
            CollectDesktopFiles(folder, 0, files);
            for (const std::string& file : files) {
                const bool go = ForEachLine(file, [&](std::string_view line) {
                    line = Trim(line);
                    if (line.empty() || line.front() == '#' || line.front() == '[') return true;
                    const size_t eq = line.find('=');
                    if (eq == std::string_view::npos) return true;
                    const std::string_view key = Trim(line.substr(0, eq));
                    const std::string value = UnescapeValue(Trim(line.substr(eq + 1)));
                    if (key == "Exec" || key == "TryExec") return offer(CommandWord(value));
                    if (key == "Path") return offer(value);
                    return true;
                });
                if (!go) return false;
            }
        }
        return true;
    }

  private:
    const std::function<bool(const std::string&)>& found_;
    std::unordered_set<std::string> tried_;
};

} // namespace

std::optional<std::string> AcceptReference(std::string_view text) {
    if (text.size() <= 3 || text.front() != '/') return std::nullopt;
    if (text.find_first_of(":;") != std::string_view::npos) return std::nullopt;
    // Removable media come and go; what they hold is not installed software.
    if (PathIsWithin(text, "/media") || PathIsWithin(text, "/mnt") ||
        PathIsWithin(text, "/run/media"))
        return std::nullopt;
    return std::string(text.substr(0, text.rfind('/') + 1));
}

std::string DpkgInfoFolder() {
    const char* value = std::getenv("QUILLON_DPKG_INFO_DIR");
    if (value && *value) return WithoutTrailingSlashes(value);
    return "/var/lib/dpkg/info";
}

std::vector<std::string> ApplicationFolders() {
    std::vector<std::string> folders;
    auto add = [&](const std::string& base) {
        if (base.empty() || base.front() != '/') return; // relative entries are not valid
        std::string folder = WithoutTrailingSlashes(base);
        folder += folder == "/" ? "applications" : "/applications";
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    };
    add(DataHome());
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    const std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    size_t pos = 0;
    while (pos <= list.size()) {
        const size_t end = std::min(list.find(':', pos), list.size());
        add(list.substr(pos, end - pos));
        pos = end + 1;
    }
    return folders;
}

void WalkSoftwareReferences(const std::function<bool(const std::string& folder)>& found) {
    ReferenceWalk walk(found);
    if (!walk.walkPackageLists()) return;
    walk.walkDesktopEntries();
}

} // namespace quillon
