#pragma once
// Duplicates by content: which of the files found hold the same bytes. No
// widgets here: the finder starts a ContentGrouper over its working list,
// keeps its window alive while worker threads read, and lists the groups it
// is handed back.
//
// Steps. Empty files are never candidates. Files are grouped by size; paths
// that share device and inode are one file (read once, listed by its first
// path in walk order, never a group with each other). In every size class of
// two files or more, each file's first and last few KiB are hashed, and the
// files whose ends agree are then hashed whole; a small file is hashed whole
// at once, its ends being most of it. Files with equal XXH3-128 hashes of
// their whole contents form a group. A file that cannot be read, has gone, or
// changes while it is read is left out and counted; so is a file of a group
// that has gone or changed by the time its class is decided (looked at once
// more then), and a group left with one file is no group.
//
// Threads. Worker threads (as many as the parallel walk uses) make the first
// reads of all classes in device and inode order: the disk is read in the
// order its files lie, every class in inode order, and files read one after
// another mostly share their folder. The worker that makes the last first
// read of a class decides it: it queues the class's whole-file reads, which
// workers take before further first reads, or hands its groups over; the
// last whole-file read decides the class likewise. Locks are taken once per
// class decided and once per whole-file read, never per block. The caller's
// thread only waits for the end, with a time limit, and reads the progress
// counters. abort() stops every worker at its next block; the classes
// decided until then are kept, the others dropped.
#include "platform/contentread.h"
#include "scan/filestore.h"
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

struct ContentOptions {
    unsigned threads = 0;          // 0: DefaultWalkThreads()
    int64_t endBytes = 4096;       // each end hashed first
    int64_t wholeUpTo = 64 * 1024; // files up to this size are hashed whole at once
    size_t bufferBytes = ContentReader::kDefaultBuffer; // per worker
};

struct ContentProgress {
    int64_t bytesRead = 0;
    int64_t bytesToRead = 0; // grows as classes need their whole-file reads
    int64_t filesRead = 0;   // reads finished; a file read twice counts twice
    int64_t filesToRead = 0;
    double seconds = 0; // since the reading began
};

// The time left, in seconds, judged from the work done so far (bytes, and a
// cost per file opened); negative while there is too little to judge from.
double SecondsLeft(const ContentProgress& progress);
// The status line while reading: "Comparing contents: 1,234 of 5,678 bytes
// read, about 12 s left".
QString ContentProgressText(const ContentProgress& progress);

// Each group lists store rows, one per file.
using ContentGroupList = std::vector<std::vector<uint32_t>>;

class ContentGrouper {
public:
    // `rows`: the store rows to compare (the files that passed the filters).
    // The store must not change while the grouper reads.
    ContentGrouper(const FileStore& store, std::vector<uint32_t> rows, ContentOptions options = {});
    ~ContentGrouper(); // aborts and joins
    ContentGrouper(const ContentGrouper&) = delete;
    ContentGrouper& operator=(const ContentGrouper&) = delete;

    // Starts the workers. Once only.
    void start();
    // Waits at most `timeout`; true once every class is decided, or after
    // abort() once every worker has stopped.
    bool wait(std::chrono::milliseconds timeout);
    // Any thread.
    void abort();
    bool aborted() const;

    ContentProgress progress() const;
    // After wait() said true: the groups of every class decided.
    ContentGroupList takeGroups();
    // Files left out: unreadable, gone, or changed while read.
    int64_t unreadableFiles() const;
    // The work stopped for want of memory; what was decided before is kept.
    bool outOfMemory() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// A whole grouping on the caller's behalf, waiting for it.
struct ContentResult {
    ContentGroupList groups;
    int64_t unreadable = 0;
};
ContentResult GroupByContents(const FileStore& store, std::vector<uint32_t> rows,
                              ContentOptions options = {});

// The groups as the grid lists them: one group after another, ordered by size
// and then by where their first file falls in the working list ("Size only"
// order); each group's files in that order too.
struct ContentListing {
    std::vector<uint32_t> rows;    // store rows, in grid order
    std::vector<uint32_t> groupOf; // beside rows: the group's number, 0, 1, ...
    size_t groups = 0;
    int64_t freeable = 0; // the bytes of all but one file of each group
};
ContentListing ListContentGroups(const FileStore& store, ContentGroupList groups);

// Which copy "Mark all but one in each group" keeps.
enum class KeepRule {
    Newest,           // the latest modification time
    Oldest,           // the earliest modification time
    ShortestPath,     // the fewest bytes in its full path
    FirstBelowFolder, // the first, in grid order, below a chosen folder
};

// Grid rows to mark so that each group keeps one file by the rule; ties go to
// the first in grid order. A group with no file below the folder is left
// unmarked and counted.
struct KeepOneMarks {
    std::vector<int> rows;
    size_t groupsLeftAlone = 0;
};
KeepOneMarks MarksKeepingOne(const FileStore& store, const std::vector<uint32_t>& rows,
                             const std::vector<uint32_t>& groupOf, KeepRule rule,
                             const std::string& folder = {});

// Groups of which no copy would be kept: every copy is marked, or (when
// `stillAsSeen` is given) the unmarked ones have changed or gone since the
// search, so the marked ones may be the last of their contents. The first
// of each kind (grid order) and how many.
struct FullyMarkedGroups {
    int firstRow = -1; // the first group whose every copy is marked; -1 when none
    int files = 0;     // its number of files
    size_t groups = 0;
    int firstChangedRow = -1; // an unmarked copy of the first such group; -1 when none
    size_t changedGroups = 0;
};
FullyMarkedGroups FindFullyMarkedGroups(const std::vector<uint32_t>& groupOf,
                                        const std::function<bool(int row)>& isMarked,
                                        const std::function<bool(int row)>& stillAsSeen = {});

} // namespace quillon
