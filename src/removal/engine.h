#pragma once
// The one removal engine. Every file the program deletes, sends to the trash
// or stores in a backup archive goes through it, from a list (the removal
// window) or from a folder tree walk (the folder tree removal). Windows only
// ask, show progress and report what it tells them.
//
// Its rules:
// - A listed path is opened from its drive root one folder at a time without
//   following a link, and acted on relative to the folder found that way.
// - Right before it acts, it looks at the file again (not following a link):
//   only the same regular file, with the size and modification time it had
//   when it was found, is acted on. Anything else is left alone and reported.
// - Zip then delete: one archive per drive, written in batches that grow with
//   what the run has already put into that archive; a batch is flushed to
//   disk before any of its files is deleted, and a file is deleted only when
//   it is still exactly the file that went into the archive. No file is ever
//   put into an archive of the run. An archive that cannot be written stops
//   the run with one reason; nothing of that batch is deleted.
// - The totals count only what really happened.
#include "platform/clock.h"
#include "platform/filefacts.h"
#include "platform/folderid.h"
#include "platform/resolver.h"
#include "platform/uniquefd.h"
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

class ZipWriter;

enum class RemovalAction { Delete, Trash, Zip };

enum class FileOutcome {
    Deleted,  // gone for good
    Trashed,  // in the trash
    Zipped,   // in an archive (and deleted, when the run deletes)
    Skipped,  // left alone: not the file that was found, or an archive of the run
    Failed,   // the action was tried and failed; the file is where it was
};

enum class SkipReason {
    None,
    Vanished,
    Changed,
    ChangedWhileStored, // zip: it changed while it was read into the archive
    NotRegularFile,
    ArchiveOfThisRun,
};
enum class FailedStep { None, Delete, Trash, Zip };

struct FileResult {
    std::string path;
    FileOutcome outcome = FileOutcome::Skipped;
    SkipReason reason = SkipReason::None;
    FailedStep step = FailedStep::None;
    std::string why;   // the system's reason of a failure
    int64_t bytes = 0; // what it freed or archived
    // Zip: the file went into an archive. Set also when it was then skipped
    // or failed: such a file is stored but not deleted.
    bool stored = false;
};

// The line a run's messages show for a file that was skipped or failed:
// "Couldn't delete file - <path> (<reason>)", "... has changed since it was found", ...
QString FileResultText(const FileResult& result);

// "1 file", "2,345 files".
QString CountText(int64_t files);
// The files a run left alone, a line each (the first few of a long list),
// after two line breaks; empty when there were none.
QString LeftAloneText(const std::vector<FileResult>& leftAlone);

// The closing message of a run over `handedOver` files, from what became of
// each: what went (files and bytes), how many could not (a file without a
// result was never reached: the run stopped), what was stored but not
// deleted (zip), what was left alone. A zip run where every file was stored
// (and deleted) says only that, naming `archiveFolder`.
QString RunSummaryText(RemovalAction action, const std::vector<FileResult>& results,
                       size_t handedOver, const std::string& archiveFolder = {},
                       bool deleteAfter = true);

struct RemovalTotals {
    int64_t deleted = 0, deletedBytes = 0;
    int64_t trashed = 0, trashedBytes = 0;
    int64_t zipped = 0, zippedBytes = 0;
    int64_t storedNotDeleted = 0; // zip: in an archive, but still there
};

struct ZipPlan {
    QString category;           // the word in the archive names
    std::string folder;         // where the archives go
    std::string comment;
    DateTime moment = kNoDate;  // every archive of the run carries it
    bool deleteAfter = true;    // false: archive only
    // A batch holds at least this many files or bytes, or as many as the run
    // has already committed to its archive: every commit rewrites the
    // archive, so fixed batches would cost quadratic time on a long list,
    // while an unbounded batch would keep every deletion waiting to the end.
    size_t batchFiles = 256;
    int64_t batchBytes = int64_t{64} << 20;
};

struct RemovalCallbacks {
    // A file is about to be handled (position counts from 0 in list order).
    std::function<void(size_t position, const std::string& path)> progress;
    // Asked before each file and each batch: true stops the run.
    std::function<bool()> aborted;
    // An archive is being written: 0..100; false aborts the write.
    std::function<bool(int percent)> zipProgress;
    // A file's fate, as soon as it is decided.
    std::function<void(const FileResult&)> result;
};

// The top folder of a tree run, as openTreeTop found it.
enum class TreeTopState {
    Opened,     // the folder, still the one chosen
    Gone,       // nothing by that name any more
    Replaced,   // a link or something else on the way or in its place, or another folder
    Unreadable, // there, but it cannot be opened
};
struct TreeTop {
    TreeTopState state = TreeTopState::Gone;
    UniqueFd fd;     // Opened: the folder, for the walk
    std::string why; // Unreadable: the system's reason
};

class RemovalEngine {
public:
    RemovalEngine(RemovalAction action, RemovalCallbacks callbacks, ZipPlan plan = {});
    ~RemovalEngine();
    RemovalEngine(const RemovalEngine&) = delete;
    RemovalEngine& operator=(const RemovalEngine&) = delete;

    // A list: every file in list order (zip: drive by drive, each drive's
    // files in list order), then finish().
    void run(const std::vector<SeenFile>& files);

    // A tree, entry by entry as the removal walk meets them: `dirfd` is the
    // open folder `folder` holding `name`; `facts` what the walk just saw.
    // Delete and trash take any entry but a folder (a link goes as the link);
    // zip takes regular files only.
    void treeEntry(int dirfd, const std::string& folder, const std::string& name,
                   const FileFacts& facts);
    // A folder of the tree whose entries have all been handed over: removed
    // once they are gone (zip: after the batch holding them is on disk and
    // deleted). A folder that is not empty stays.
    void treeFolderDone(int dirfd, const std::string& folder, const std::string& name);

    // Opens the top folder of a tree from its drive root one folder at a
    // time, never through a link. When `chosen` is given (the folder's device
    // and inode when it was listed), only that very folder is opened: one
    // moved away or replaced since is Replaced. The walk is given the folder
    // opened here, so it never lists anything else.
    TreeTop openTreeTop(const std::string& folder, const std::optional<FolderId>& chosen);
    // Removes the tree's top folder, found by its path (without following
    // links), when it is empty and still the folder openTreeTop opened.
    bool removeTreeTop(const std::string& folder);

    // Removes an empty folder found by its path (without following links).
    bool removeFolder(const std::string& path);

    // Writes what is still queued (zip) and forgets open folders. Called by run().
    void finish();

    const RemovalTotals& totals() const { return totals_; }
    const std::vector<FileResult>& results() const { return results_; }
    // Files left alone or failed, in order.
    size_t skippedCount() const { return skipped_; }
    // Set when an archive could not be written: the run stopped there.
    const std::string& archiveError() const { return archiveError_; }
    bool stopped() const { return !archiveError_.empty() || abortSeen_; }

private:
    struct Queued;
    struct Archive;

    bool abortRequested();
    void report(FileResult result);
    // Finds a listed file again: its folder (opened without links) and name.
    // A negative answer has been reported.
    int locate(const SeenFile& file, std::string* name, FileIdentity* now, mode_t* mode);
    void removeListed(const SeenFile& file);
    void queueListed(const SeenFile& file, char letter, const std::string& storedName);
    Archive* archiveFor(char letter);
    void queue(Archive& archive, Queued item);
    // Hands one queued file to the archive's writer; a refusal is reported.
    bool addToWriter(Archive& archive, const Queued& item);
    void commit(Archive& archive);
    void deleteCommitted(Archive& archive, std::vector<Queued>& batch);
    bool isRunArchive(const FileIdentity& identity) const;
    int openForArchive(const Queued& item, std::string* why);
    void removeFolderByPath(const std::string& path);

    RemovalAction action_;
    RemovalCallbacks callbacks_;
    ZipPlan plan_;
    FolderResolver resolver_;
    RemovalTotals totals_;
    std::vector<FileResult> results_;
    size_t skipped_ = 0;
    size_t position_ = 0;
    bool abortSeen_ = false;
    std::string archiveError_;
    std::map<char, std::unique_ptr<Archive>> archives_;
    std::optional<FolderId> treeTop_; // what openTreeTop opened
};

} // namespace quillon
