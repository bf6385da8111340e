#pragma once
// Which folders the folder removers (folder hogs' "Clean?", the browser's Delete
// Folder) refuse to take, whatever the user asks.
#include <string>

namespace quillon {

enum class FolderRefusal {
    None,
    DriveRoot,    // the root folder of a drive in the drive table
    SystemFolder, // a top-level folder of the operating system, or what it resolves to
};

// The operating system's top-level folders (/bin, /etc, /usr ...). Their
// sub-folders may be removed.
bool IsSystemTopFolder(const std::string& folder);
// The refusal for a folder path (bytes, absolute); None when it may be removed.
FolderRefusal FolderRefusalFor(const std::string& folder);

} // namespace quillon
