#include "platform/tempfile.h"
#include "platform/paths.h"
#include <cerrno>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace quillon {

std::string TempFolder() {
    const char* env = std::getenv("TMPDIR");
    if (env && *env == '/' && FolderExists(env)) {
        std::string folder = env;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    }
    return "/tmp";
}

std::string CreateTempFile(const std::string& prefix, int* error) {
    std::string pattern = TempFolder();
    if (pattern.back() != '/') pattern += '/';
    pattern += prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        if (error) *error = errno;
        return {};
    }
    close(fd);
    if (error) *error = 0;
    return std::string(name.data());
}

} // namespace quillon
