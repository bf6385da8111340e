#pragma once
// The protected folder list: folders that the system and installed programs
// depend on. Three sorted lists of normalised folder texts (canonical path,
// case kept, ending with '/'): lb1 holds every protected folder, lbSearchPath
// the program search path, lbWindows the System and Windows folders.
#include <QString>
#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

enum ProtectionReason {
    kNotProtected = 0,
    kInSystemFolder = 1, // lbWindows
    kInSearchPath = 2,   // lbSearchPath
    kReferenced = 3,     // lb1 only
};

QString ProtectionReasonText(int reason);

// Canonical path with a trailing '/'.
std::string NormaliseFolderText(const std::string& folder);

// folders.txt: one folder per line. Blank lines are skipped, CR LF and LF both end
// a line, bytes are kept as they are. `found` tells whether the file was there.
std::vector<std::string> ReadFolderListFile(const std::string& file, bool& found);
// Sorts case-insensitively and writes with CR LF line ends, replacing the file;
// an empty list removes the file instead. False when it could not be done.
bool WriteFolderListFile(const std::string& file, std::vector<std::string> folders);
// Case-insensitive order (exact order breaks ties, so the sort is total).
void SortFolderTexts(std::vector<std::string>& folders);

class ProtectedFolderList {
public:
    ProtectedFolderList() = default;
    ProtectedFolderList(const ProtectedFolderList&) = delete;
    ProtectedFolderList& operator=(const ProtectedFolderList&) = delete;
    ~ProtectedFolderList();

    // The program's one list, rebuilt by GetSearchPath.
    static ProtectedFolderList& Instance();

    // $XDG_CONFIG_HOME/quillon/folders.txt
    static std::string ListFile();

    // Rebuilds the three lists from folders.txt, PATH and the System and
    // Windows folders, and the list-file-missing flag. The texts are read at
    // once; their normalisation (a realpath of every entry, a quarter of a
    // second for a list built from a package database) runs on a worker
    // thread, so the launcher shows without waiting for it. Every question and
    // every list accessor waits for that work, so no answer comes from texts
    // not yet normalised. The list itself is used from one thread only; the
    // worker touches nothing but its own copy of the texts.
    void GetSearchPath();
    // Normalises every entry of the three lists now and re-sorts them.
    void normalizeExceptionList();
    // True when folders.txt was found at the last build; otherwise shows the
    // error box and returns false.
    bool checkExceptionList() const;
    bool listFileMissing() const { return listFileMissing_; }

    // Whether a file's folder (isFile) or a folder is protected, and why (1..3,
    // 0 when not). A file is protected when its folder is in a list; a folder
    // when it is a listed folder or lies above one.
    bool IsProtectedFolder(const std::string& path, bool isFile, int& reason);
    // Forgets the last query (at launcher show).
    void forgetLastQuery();

    const std::vector<std::string>& lb1() const { return settled().all; }
    const std::vector<std::string>& lbSearchPath() const { return settled().searchPath; }
    const std::vector<std::string>& lbWindows() const { return settled().windows; }

private:
    struct Lists {
        std::vector<std::string> all, searchPath, windows;
    };
    // Normalises and sorts in place; stops early (leaving a part done) when
    // `stop` is set, as the result is then thrown away.
    static void normalise(Lists& lists, const std::atomic<bool>& stop);
    // The lists, once the worker of the last GetSearchPath has finished.
    const Lists& settled() const;
    // Stops the worker of an earlier build and waits for it to end.
    void abandonPending();

    mutable Lists lists_;
    mutable std::future<Lists> pending_;
    std::shared_ptr<std::atomic<bool>> stopPending_;
    bool listFileMissing_ = true;
    std::string lastFolder_;
    std::string lastGiven_; // the folder text lastFolder_ was normalised from
    bool lastIsFile_ = false;
    bool haveLast_ = false;
    int lastReason_ = kNotProtected;
};

} // namespace quillon
