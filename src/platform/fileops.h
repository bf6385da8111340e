#pragma once
// Removing files and folders. Nothing here follows a symbolic link: a link is
// removed as a link. Every call can be made to fail in tests (root can remove
// anything, so "cannot delete" needs an injected failure).
#include "platform/filefacts.h"
#include "platform/uniquefd.h"
#include <functional>
#include <string>
#include <string_view>

namespace quillon {

// unlink(); 0 or the errno.
int DeleteFilePath(const std::string& path);
// rmdir(); 0 or the errno.
int RemoveFolderPath(const std::string& path);
// chmod u+w of a file or folder (not through a link); 0 or the errno.
int ClearReadOnlyPath(const std::string& path);

// The same relative to an open folder.
int DeleteFileAt(int dirfd, const std::string& folder, const char* name);
int RemoveFolderAt(int dirfd, const std::string& folder, const char* name);
int ClearReadOnlyAt(int dirfd, const std::string& folder, const char* name);

// Tests: `fails(operation, path)` returns an errno to fail with, or 0. The
// operations are "unlink", "rmdir", "chmod".
void SetFileOpFailureForTesting(std::function<int(std::string_view operation, const std::string& path)> fails);

// A depth-first walk of a whole tree for removal: every entry, hidden and
// system ones included; a folder's entries are handled before the folder is
// reported done. Symbolic links are reported as entries and never followed;
// a folder on another device than the tree's top is never entered and not
// reported at all, and neither is a sub-folder that cannot be opened (its
// parent then cannot be removed, which the caller sees).
class RemovalVisitor {
public:
    virtual ~RemovalVisitor() = default;
    virtual bool aborted() = 0;
    // A non-folder entry (file, link, device, ...). `dirfd` is its open folder.
    virtual void entry(int dirfd, const std::string& folder, const std::string& name,
                       const FileFacts& facts) = 0;
    // Everything below `folder/name` has been handled; `dirfd` is the open parent.
    virtual void folderDone(int dirfd, const std::string& folder, const std::string& name) = 0;
};

// Walks the tree below the open folder `top`, named `path` (the top folder
// itself is not reported; `top` is closed when the walk ends). False when
// `top` cannot be looked at. Serves the event pump per entry. aborted() is
// asked before each entry and each sub-folder; once it answers true nothing
// more is reported. A folder's entries are read completely before the first
// is reported, so the visitor may remove them as it goes.
bool WalkTreeForRemoval(UniqueFd top, const std::string& path, RemovalVisitor& visitor);
// The same for the folder `top`, opened as FolderResolver::openFolder opens
// it: from its drive root one folder at a time, no link on the way and none
// at the end. False when it cannot be opened so.
bool WalkTreeForRemoval(const std::string& top, RemovalVisitor& visitor);

} // namespace quillon
