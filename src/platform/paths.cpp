#include "platform/paths.h"
#include "platform/textcase.h"
#include <QFile>
#include <cerrno>
#include <cstring>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

std::string LexicalNormalise(std::string_view path) {
    const bool absolute = !path.empty() && path.front() == '/';
    std::vector<std::string_view> parts;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t next = path.find('/', pos);
        if (next == std::string_view::npos) next = path.size();
        const std::string_view part = path.substr(pos, next - pos);
        if (part.empty() || part == ".") {
            // nothing
        } else if (part == "..") {
            if (!parts.empty() && parts.back() != "..") parts.pop_back();
            else if (!absolute) parts.push_back(part);
        } else {
            parts.push_back(part);
        }
        pos = next + 1;
    }
    if (parts.empty()) return absolute ? std::string(1, '/') : std::string(1, '.');
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (absolute || i > 0) out.push_back('/');
        out.append(parts[i].data(), parts[i].size());
    }
    return out;
}

std::string CanonicalPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (path.size() < PATH_MAX && realpath(path.c_str(), buffer)) return buffer;
    return LexicalNormalise(path);
}

std::string ParentFolder(std::string_view path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

std::string BaseName(std::string_view path) {
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string result(folder);
    if (result.empty() || result.back() != '/') result += '/';
    result += name;
    return result;
}

bool PathIsWithin(std::string_view path, std::string_view folder) {
    if (folder == "/") return !path.empty() && path.front() == '/';
    return path.substr(0, folder.size()) == folder &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

bool PathIsBelow(std::string_view path, std::string_view folder) {
    return !folder.empty() && path != folder && PathIsWithin(path, folder);
}

std::vector<std::string> SearchPathFolders() {
    std::vector<std::string> out;
    const char* value = getenv("PATH");
    if (!value) return out;
    const std::string_view all(value);
    size_t pos = 0;
    while (pos <= all.size()) {
        size_t next = all.find(':', pos);
        if (next == std::string_view::npos) next = all.size();
        const std::string_view entry = all.substr(pos, next - pos);
        if (!entry.empty() && entry.front() == '/') out.emplace_back(entry);
        pos = next + 1;
    }
    return out;
}

std::string SystemFolder() { return CanonicalPath("/usr/lib"); }
std::string WindowsFolder() { return "/etc"; }

std::string HomeFolder() {
    const char* home = getenv("HOME");
    return home && *home ? std::string(home) : std::string("/");
}

std::string CurrentWorkingFolder() {
    // getcwd with a growing buffer: the folder may be deeper than PATH_MAX.
    std::string buffer(4096, '\0');
    for (int tries = 0; tries < 8; ++tries) {
        if (getcwd(buffer.data(), buffer.size())) {
            buffer.resize(std::strlen(buffer.c_str()));
            return buffer;
        }
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 4);
    }
    return {};
}

std::string ConfigFolder() {
    const char* xdg = getenv("XDG_CONFIG_HOME");
    std::string base = xdg && *xdg == '/' ? std::string(xdg) : HomeFolder() + "/.config";
    return LexicalNormalise(base + "/quillon");
}

std::string DataHome() {
    const char* xdg = getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') return LexicalNormalise(xdg);
    return LexicalNormalise(HomeFolder() + "/.local/share");
}

std::string CacheHome() {
    const char* xdg = getenv("XDG_CACHE_HOME");
    if (xdg && *xdg == '/') return LexicalNormalise(xdg);
    return LexicalNormalise(HomeFolder() + "/.cache");
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

bool MakeFolders(const std::string& path, unsigned mode) {
    if (path.empty() || FolderExists(path)) return !path.empty();
    const std::string parent = ParentFolder(path);
    if (parent != path && !FolderExists(parent) && !MakeFolders(parent, mode)) return false;
    return mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0 || (errno == EEXIST && FolderExists(path));
}

std::string DefaultBackupFolder() { return DataHome() + "/quillon/backups"; }

bool ReadWholeFile(const std::string& path, std::string& contents) {
    contents.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return false;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            contents.clear();
            return false;
        }
        if (n == 0) break;
        contents.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0) {
        close(fd_);
        unlink(temp_.c_str());
    }
}

bool AtomicFileWriter::open() {
    temp_ = path_ + ".XXXXXX";
    fd_ = mkstemp(temp_.data());
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    // Keep the permissions of the file being replaced.
    struct stat old {};
    if (stat(path_.c_str(), &old) == 0) fchmod(fd_, old.st_mode & 07777);
    else fchmod(fd_, 0644);
    return true;
}

bool AtomicFileWriter::write(std::string_view data) {
    if (fd_ < 0) return false;
    if (!WriteAll(fd_, data)) {
        error_ = errno;
        return false;
    }
    return true;
}

bool AtomicFileWriter::commit() {
    if (fd_ < 0) return false;
    const int fd = fd_;
    fd_ = -1;
    bool ok = fsync(fd) == 0;
    if (!ok) error_ = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error_ = errno;
    }
    if (ok && rename(temp_.c_str(), path_.c_str()) != 0) {
        ok = false;
        error_ = errno;
    }
    if (!ok) {
        unlink(temp_.c_str());
        return false;
    }
    const int dirfd = ::open(ParentFolder(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd >= 0) {
        fsync(dirfd);
        close(dirfd);
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view contents) {
    if (!MakeFolders(ParentFolder(path))) return false;
    AtomicFileWriter file(path);
    return file.open() && file.write(contents) && file.commit();
}


bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = Utf8CharacterAt(bytes, i).length;
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string EscapeNonUtf8(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = Utf8CharacterAt(bytes, i).length;
        if (n == 0) {
            const auto b = static_cast<unsigned char>(bytes[i++]);
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else if (bytes[i] == '\\') {
            out += "\\\\";
            ++i;
        } else {
            out.append(bytes.substr(i, n));
            i += n;
        }
    }
    return out;
}

bool RemoveFileIfPresent(const std::string& path) {
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

QString DisplayPath(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string PathFromQt(const QString& text) { return QFile::encodeName(text).toStdString(); }

std::string ErrorText(int error) {
    char buffer[256];
    // GNU strerror_r returns the text, which need not be in `buffer`.
    return strerror_r(error, buffer, sizeof buffer);
}

} // namespace quillon
