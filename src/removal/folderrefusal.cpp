#include "removal/folderrefusal.h"
#include "platform/drives.h"
#include "platform/paths.h"

#include <array>
#include <string_view>

namespace quillon {

namespace {

constexpr std::array<std::string_view, 15> kSystemTops = {
    "/bin", "/boot", "/dev", "/etc", "/lib", "/lib32", "/lib64", "/libx32",
    "/proc", "/root", "/run", "/sbin", "/sys", "/usr", "/var"};

} // namespace

bool IsSystemTopFolder(const std::string& folder) {
    const std::string lexical = LexicalNormalise(folder);
    const std::string canonical = CanonicalPath(folder);
    for (std::string_view top : kSystemTops) {
        // Both the name itself and what it resolves to (/bin -> /usr/bin on a
        // merged /usr) are refused.
        if (lexical == top || canonical == top) return true;
        if (canonical == CanonicalPath(std::string(top))) return true;
    }
    return false;
}

FolderRefusal FolderRefusalFor(const std::string& folder) {
    const std::string lexical = LexicalNormalise(folder);
    if (lexical == "/") return FolderRefusal::DriveRoot;
    const std::string canonical = CanonicalPath(folder);
    for (const Drive& drive : DriveTable::All()) {
        const std::string root = LexicalNormalise(drive.root);
        if (lexical == root || canonical == CanonicalPath(drive.root)) return FolderRefusal::DriveRoot;
    }
    if (IsSystemTopFolder(folder)) return FolderRefusal::SystemFolder;
    return FolderRefusal::None;
}

} // namespace quillon
