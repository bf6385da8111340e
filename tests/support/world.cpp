#include "support/world.h"
#include "platform/drives.h"
#include <gtest/gtest.h>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::test {

namespace {
// Byte-wise removal: QDir cannot remove names that are not valid UTF-8.
int removeEntry(const char* path, const struct stat* st, int type, FTW*) {
    if (type == FTW_DP || type == FTW_D) {
        rmdir(path);
    } else {
        if (st && S_ISDIR(st->st_mode)) chmod(path, 0700);
        unlink(path);
    }
    return 0;
}

int unlockEntry(const char* path, const struct stat* st, int type, FTW*) {
    if (type == FTW_D || type == FTW_DNR || (st && S_ISDIR(st->st_mode))) chmod(path, 0700);
    return 0;
}

timespec toTimespec(DateTime value) {
    const QDateTime dt = ToQDateTime(value);
    const qint64 ms = dt.toMSecsSinceEpoch();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(std::floor(ms / 1000.0));
    ts.tv_nsec = static_cast<long>((ms - ts.tv_sec * 1000) * 1000000);
    return ts;
}
} // namespace

TestWorld::TestWorld() {
    if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary folder");
    root_ = dir_.path().toStdString();
    setEnv("XDG_CONFIG_HOME", path("config"));
    setEnv("XDG_DATA_HOME", path("data"));
    setEnv("XDG_DATA_DIRS", path("share"));
    setEnv("QUILLON_DPKG_INFO_DIR", path("dpkg"));
    setEnv("HOME", path("home"));
    // The MIME database is found through XDG_DATA_DIRS too: keep the system's.
    makeFolder("share");
    if (access("/usr/share/mime", F_OK) == 0)
        symlink("/usr/share/mime", path("share/mime").c_str());
    makeFolder("config");
    makeFolder("data");
    makeFolder("home");
    setDrives({{'C', "c"}});
}

TestWorld::~TestWorld() {
    nftw(root_.c_str(), unlockEntry, 64, FTW_PHYS);
    nftw(root_.c_str(), removeEntry, 64, FTW_DEPTH | FTW_PHYS);
    for (const auto& [name, value] : savedEnv_) {
        if (value) setenv(name.c_str(), value->c_str(), 1);
        else unsetenv(name.c_str());
    }
    DriveTable::Set({});
}

std::string TestWorld::path(const std::string& relative) const {
    return relative.empty() ? root_ : root_ + "/" + relative;
}

void TestWorld::setEnv(const char* name, const std::string& value) {
    if (!savedEnv_.count(name)) {
        const char* old = getenv(name);
        savedEnv_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    setenv(name, value.c_str(), 1);
}

void TestWorld::unsetEnv(const char* name) {
    if (!savedEnv_.count(name)) {
        const char* old = getenv(name);
        savedEnv_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    unsetenv(name);
}

void TestWorld::setDrives(const std::vector<std::pair<char, std::string>>& drives) {
    std::string value;
    for (const auto& [letter, folder] : drives) {
        makeFolder(folder);
        if (!value.empty()) value += ';';
        value += std::string(1, letter) + "=" + path(folder);
    }
    setEnv("QUILLON_DRIVES", value);
    DriveTable::Set(DrivesFromOverride(value.c_str()).value_or(std::vector<Drive>{}));
}

std::string TestWorld::makeFolder(const std::string& relative, unsigned mode) {
    const std::string full = path(relative);
    std::string partial;
    size_t pos = root_.size();
    while (pos != std::string::npos) {
        pos = full.find('/', pos + 1);
        partial = full.substr(0, pos);
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            throw std::runtime_error("mkdir failed: " + partial);
    }
    chmod(full.c_str(), mode);
    return full;
}

std::string TestWorld::makeFile(const std::string& relative, int64_t size,
                                std::optional<DateTime> modified,
                                std::optional<DateTime> accessed, unsigned mode) {
    const std::string full = path(relative);
    const auto slash = relative.rfind('/');
    if (slash != std::string::npos) makeFolder(relative.substr(0, slash));
    const int fd = open(full.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + full);
    std::string block(65536, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>('a' + i % 26);
    int64_t left = size;
    while (left > 0) {
        const auto n = static_cast<size_t>(std::min<int64_t>(left, block.size()));
        if (write(fd, block.data(), n) != static_cast<ssize_t>(n)) {
            close(fd);
            throw std::runtime_error("cannot write " + full);
        }
        left -= static_cast<int64_t>(n);
    }
    close(fd);
    if (modified || accessed) {
        timespec times[2];
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_nsec = UTIME_OMIT;
        if (accessed) times[0] = toTimespec(*accessed);
        if (modified) times[1] = toTimespec(*modified);
        utimensat(AT_FDCWD, full.c_str(), times, 0);
    }
    chmod(full.c_str(), mode);
    return full;
}

std::string TestWorld::writeFile(const std::string& relative, const std::string& contents) {
    const std::string full = path(relative);
    const auto slash = relative.rfind('/');
    if (slash != std::string::npos) makeFolder(relative.substr(0, slash));
    FILE* f = fopen(full.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot create " + full);
    fwrite(contents.data(), 1, contents.size(), f);
    fclose(f);
    return full;
}

std::string TestWorld::configFolder() const { return path("config/quillon"); }
std::string TestWorld::configFile(const std::string& name) const {
    return configFolder() + "/" + name;
}

std::string TestWorld::readFile(const std::string& file) const {
    std::string out;
    FILE* f = fopen(file.c_str(), "rb");
    if (!f) return out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    fclose(f);
    return out;
}

FixedClock::FixedClock(DateTime now) { SetClockForTesting(now); }
FixedClock::~FixedClock() { SetClockForTesting(std::nullopt); }

} // namespace quillon::test
