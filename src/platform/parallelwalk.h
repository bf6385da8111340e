#pragma once
// The walk every finder uses: a small pool of walker threads reads the folders
// of one drive and hands back one batch per folder (its text and the facts of
// its files), in the depth-first order of a one-thread walk.
//
// Threads. The walkers own everything they read until a batch is complete;
// a complete batch is immutable and passes to the caller's thread through a
// queue behind one mutex (one lock per folder, never per file). The caller
// takes the batches with next() in the designed order: a folder's sub-folders
// (in the order the file system lists them, each walked completely), then the
// folder's own files. Walkers run ahead of that order; a batch that is not due
// yet waits. abort() may be called from any thread: walkers look at it before
// each folder, after each buffer of entries and every few hundred files, so
// every thread stops within a fraction of a second, and the destructor joins
// them.
//
// Rules. Folders are opened relative to their open parent (never through a
// symbolic link, never on another device or another mount than the root,
// hidden folders only when asked); a folder that cannot be opened, has gone
// or has been replaced is skipped silently. A walker keeps at most one folder
// of its own open; parents stay open for their sub-folders within a shared
// budget, and beyond it are found again by name from an open ancestor, each
// step checked by device and inode, so trees deeper than any path are walked
// with a few dozen descriptors.
#include "platform/filefacts.h"
#include "platform/folderid.h"
#include "platform/walker.h"
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct WalkFile {
    FileFacts facts;
    uint32_t nameOffset = 0; // into WalkBatch::names
    uint32_t nameLength = 0;
};

// One folder: its text and its files that passed the options (after its
// sub-folders in the walk's order).
struct WalkBatch {
    std::string folder; // no trailing '/' except at "/"
    std::string names;  // file names back to back
    std::vector<WalkFile> files;
    // The folder had no entry at all besides "." and "..".
    bool empty = true;
    // Its sub-folder entries, hidden ones included, whether entered or not.
    uint32_t subfolders = 0;
    // Totals of `files`, for tools that want per-folder sums.
    int64_t bytes = 0;
    // The folder's device and inode as it was read, for tools that act on
    // the folder later and must know it is still the same one.
    FolderId id;

    std::string_view name(const WalkFile& file) const {
        return std::string_view(names).substr(file.nameOffset, file.nameLength);
    }
};

// What the caller takes from the walk, in depth-first order: Enter when a
// folder is reached (before anything below it), Files when its own files are
// due (after everything below it).
struct WalkStep {
    enum class Kind { Enter, Files };
    Kind kind = Kind::Enter;
    std::shared_ptr<const WalkBatch> batch;
};

// A tool that sums over the whole walk (statistics, folder totals) gives each
// walker thread one tally of its own: it sees every batch its thread made, on
// that thread, without any lock. After the walk the tallies are merged on the
// caller's thread, in thread order.
class WalkTally {
public:
    virtual ~WalkTally() = default;
    virtual void add(const WalkBatch& batch) = 0;
    virtual void merge(const WalkTally& other) = 0;
};
using WalkTallyFactory = std::function<std::unique_ptr<WalkTally>()>;

// How many walker threads a walk uses when not told: the machine's cores, at
// most eight.
unsigned DefaultWalkThreads();

class ParallelWalk {
public:
    // threads == 0: DefaultWalkThreads(). With a tally factory every thread
    // gets a tally; with `handOver` false batches go to the tallies only.
    explicit ParallelWalk(WalkOptions options, unsigned threads = 0,
                          WalkTallyFactory tallies = {}, bool handOver = true);
    ~ParallelWalk(); // aborts and joins
    ParallelWalk(const ParallelWalk&) = delete;
    ParallelWalk& operator=(const ParallelWalk&) = delete;

    // Opens the root (it may be reached through a link: it is the drive) and
    // starts the threads. False when the root cannot be opened. Once only.
    bool start(const std::string& root);

    enum class Wait { Step, TimedOut, Finished };
    // The next step in order, waiting at most `timeout`. Finished once every
    // step was taken, or after an abort once the steps already due were taken.
    Wait next(WalkStep& step, std::chrono::milliseconds timeout);

    // Any thread; the walkers stop at their next look.
    void abort();
    bool aborted() const;

    // The folder a walker began to read last (for a status line).
    std::string currentFolder() const;

    // Waits for the threads and merges their tallies (nullptr without a
    // factory). Call after next() said Finished, or after abort().
    std::unique_ptr<WalkTally> mergedTally();

    unsigned threadCount() const;
    // Parents that had to be found again by name (beyond the descriptor budget).
    size_t foldersFoundAgain() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// Runs a whole walk on the calling thread's behalf and calls the visitor in
// the walk's order (enterFolder, then filesOf and the folder's files). The
// visitor's aborted() is read before every call; true stops the walk. False
// when the root cannot be opened.
class WalkVisitor {
public:
    virtual ~WalkVisitor() = default;
    virtual bool aborted() { return false; }
    virtual void enterFolder(const std::string& folder) { (void)folder; }
    virtual void filesOf(const std::string& folder) { (void)folder; }
    virtual void file(const std::string& folder, std::string_view name,
                      const FileFacts& facts) = 0;
};
bool WalkTree(const std::string& root, const WalkOptions& options, WalkVisitor& visitor,
              unsigned threads = 0);

} // namespace quillon
