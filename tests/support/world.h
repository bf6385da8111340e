#pragma once
// A world in a temporary folder: drives, configuration folder, trash, software
// roots and files with chosen sizes, times, permissions and byte names. Every
// environment variable it sets is restored when it goes away.
#include "platform/clock.h"
#include <QTemporaryDir>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillon::test {

class TestWorld {
public:
    // Drive C: is <root>/c unless drives are given (letter -> folder below root).
    TestWorld();
    ~TestWorld();
    TestWorld(const TestWorld&) = delete;
    TestWorld& operator=(const TestWorld&) = delete;

    const std::string& root() const { return root_; }
    // root + '/' + relative (bytes, any name).
    std::string path(const std::string& relative) const;

    // Replaces the drive table: {'C', "c"}, {'D', "d"}; folders are created.
    void setDrives(const std::vector<std::pair<char, std::string>>& drives);

    std::string makeFolder(const std::string& relative, unsigned mode = 0755);
    // A file of `size` bytes (pattern filled, or `contents` when given).
    std::string makeFile(const std::string& relative, int64_t size = 0,
                         std::optional<DateTime> modified = std::nullopt,
                         std::optional<DateTime> accessed = std::nullopt,
                         unsigned mode = 0644);
    std::string writeFile(const std::string& relative, const std::string& contents);

    std::string configFolder() const; // <root>/config/quillon
    std::string configFile(const std::string& name) const;
    std::string readFile(const std::string& path) const;

    void setEnv(const char* name, const std::string& value);
    void unsetEnv(const char* name);

private:
    QTemporaryDir dir_;
    std::string root_;
    std::map<std::string, std::optional<std::string>> savedEnv_;
};

// Fixes Now() for the lifetime of the object.
class FixedClock {
public:
    explicit FixedClock(DateTime now);
    ~FixedClock();
};

} // namespace quillon::test
