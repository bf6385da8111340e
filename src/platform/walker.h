#pragma once
// The one depth-first walk every finder uses. It works relative to open
// folders (openat / fdopendir / statx), never changes the current folder and
// never rebuilds a path per stat.
//
// Order: a folder's sub-folders first (in the order the file system gives
// them, each walked completely), then the folder's own files. Hidden folders
// (name begins with '.'), symbolic links and other non-folders are never
// entered, nor is a folder on another device than the drive root; a folder
// that cannot be opened is skipped silently.
#include "platform/filefacts.h"
#include <functional>
#include <string>
#include <string_view>

namespace quillon {

// Windows-style name patterns: '*' any run of characters, '?' exactly one,
// case-insensitive (ASCII letters), and "*.*" matches every name, also names
// without a dot.
bool MatchesMask(std::string_view name, std::string_view mask);

struct WalkOptions {
    std::string mask = "*.*";
    bool hiddenFiles = false; // report files whose name begins with '.'
    bool systemFiles = false; // report entries that are neither files nor folders
    // A folder without any entry is skipped entirely (no files pass, no
    // filesOf call), as the folder hogs finder wants.
    bool skipEmptyFolders = false;
};

class WalkVisitor {
public:
    virtual ~WalkVisitor() = default;
    // Read before each folder and before each further file; true stops the walk.
    virtual bool aborted() = 0;
    // A folder is about to be read (the status line shows it). The folder text
    // has no trailing '/' except at "/".
    virtual void enterFolder(const std::string& folder) { (void)folder; }
    // The files of a folder are about to be examined (after its sub-folders).
    virtual void filesOf(const std::string& folder) { (void)folder; }
    // One file that matched the mask.
    virtual void file(const std::string& folder, std::string_view name,
                      const FileFacts& facts) = 0;
};

// Walks the tree below `root`. False when the root itself cannot be opened
// (the caller reports "Can't open drive ..."); sub-folders that cannot be
// opened are skipped silently. Serves the event pump as it goes.
bool WalkTree(const std::string& root, const WalkOptions& options, WalkVisitor& visitor);

// Tests run as root, which can open every folder. This hook is asked before a
// folder (the root included) is opened; true makes that open fail. An empty
// function switches it off.
void SetWalkOpenFailureForTesting(std::function<bool(const std::string& folder)> fails);

} // namespace quillon
