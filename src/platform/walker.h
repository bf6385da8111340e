#pragma once
// What every finder's walk shares: its options, the file-name patterns and the
// test hook that fails folder opens. The walk itself is ParallelWalk
// (parallelwalk.h).
//
// Order: a folder's sub-folders first (in the order the file system gives
// them, each walked completely), then the folder's own files. Hidden folders
// (name begins with '.') only when asked; symbolic links and other
// non-folders are never entered, nor is a folder on another device or another
// mount than the drive root; a folder that cannot be opened is skipped
// silently.
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
    bool hiddenFolders = false; // enter folders whose name begins with '.'
    // A further test of a file's name after the mask (empty: none). A file it
    // refuses is not reported and costs no stat. It runs on the walker
    // threads, so it must only read what does not change during the walk.
    std::function<bool(std::string_view name)> nameTest;
};

// Tests run as root, which can open every folder. This hook is asked before a
// folder (the root included) is opened; true makes that open fail. It is
// called on the walker threads, so what it does must be safe there. An empty
// function switches it off; set it only while no walk runs.
void SetWalkOpenFailureForTesting(std::function<bool(const std::string& folder)> fails);
// Whether a hook is set, and its answer for a folder (false without one).
bool WalkOpenHookSet();
bool WalkOpenFailsForTesting(const std::string& folder);

} // namespace quillon
