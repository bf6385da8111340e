#pragma once
// Trees deeper than any path, built and removed through descriptors only.
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillon::test {

// A chain of folders too deep for one path: built and removed through
// descriptors, one level at a time (mkdir or unlink with the whole path would
// fail with ENAMETOOLONG, and so would the world's own clean-up).
class DeepChain {
public:
    DeepChain(const std::string& root, std::vector<std::string> names)
        : root_(root), names_(std::move(names)) {
        int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
        for (const std::string& name : names_) {
            mkdirat(fd, name.c_str(), 0755);
            const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
            close(fd);
            fd = next;
            if (fd < 0) throw std::runtime_error("cannot build the chain");
            close(openat(fd, "f", O_WRONLY | O_CREAT, 0644));
        }
        close(fd);
    }
    ~DeepChain() {
        // Innermost first; each pass walks down from the root again.
        for (size_t depth = names_.size(); depth > 0; --depth) {
            int fd = open(root_.c_str(), O_RDONLY | O_DIRECTORY);
            for (size_t i = 0; i + 1 < depth && fd >= 0; ++i) {
                const int next = openat(fd, names_[i].c_str(), O_RDONLY | O_DIRECTORY);
                close(fd);
                fd = next;
            }
            if (fd < 0) return;
            const int level = openat(fd, names_[depth - 1].c_str(), O_RDONLY | O_DIRECTORY);
            if (level >= 0) {
                unlinkat(level, "f", 0);
                close(level);
            }
            unlinkat(fd, names_[depth - 1].c_str(), AT_REMOVEDIR);
            close(fd);
        }
    }
    // The folder text of level `depth` (1 = the first folder below the root).
    std::string folder(size_t depth) const {
        std::string out = root_;
        for (size_t i = 0; i < depth; ++i)
            out += "/" + names_[i];
        return out;
    }

private:
    std::string root_;
    std::vector<std::string> names_;
};

// Names for a chain of `levels` folders, each `width` bytes long.
inline std::vector<std::string> DeepNames(size_t levels, size_t width) {
    std::vector<std::string> names;
    for (size_t i = 0; i < levels; ++i) {
        std::string name = "level-" + std::to_string(i);
        name.resize(width, 'x');
        names.push_back(name);
    }
    return names;
}

} // namespace quillon::test
