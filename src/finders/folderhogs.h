#pragma once
// Folder hogs without widgets: each folder's totals, summed on the walker
// threads; the line each folder gets; the orders of the list.
//
// Counting. Every entry that is not a folder counts as a file of the folder it
// lies in: hidden files, links (with their own size, the length of the text
// they point to) and other special entries too, as `du --apparent-size` counts
// them. Sizes are 64-bit. A file with several hard links counts once per walk,
// in the first of its folders in byte order of their paths (so the totals of
// every folder add up to what the files take on the disk, and one walker or
// several give the same lines). Hidden folders are entered only when "Search
// hidden folders" is on; in All mode they count among their parent's
// sub-folders either way.
#include "platform/clock.h"
#include "platform/parallelwalk.h"
#include "platform/walker.h"
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillon {

enum class FolderHogMode {
    Main, // a line per folder directly under the drive root, with the totals of its tree
    All,  // a line per folder, with the totals of what lies directly in it
};

struct FolderTotals {
    std::string folder; // the folder's path, in its real case
    int64_t bytes = 0;
    int64_t files = 0;
    // All: its sub-folder entries (hidden ones included). Main: every folder
    // entered below it.
    int64_t subfolders = 0;
    DateTime latestAccess = kNoDate; // kNoDate when no counted file has one
    // The folder's device and inode when it was read: a removal acts only on
    // that folder, not on one put in its place since.
    std::optional<FolderId> id;
};

// What the folder hogs walk reports: every file, hidden and special ones too.
WalkOptions FolderHogWalkOptions();

// How many folder lines and files with several links one listing holds at
// most, over all its walker threads: past it the walk stops as after Abort,
// before a drive of many millions of folders takes the machine's memory.
constexpr int64_t kFolderHogEntryLimit = 4'000'000;

class FolderHogBudget {
public:
    explicit FolderHogBudget(int64_t limit) : limit_(limit) {}
    void take() { used_.fetch_add(1, std::memory_order_relaxed); }
    bool exhausted() const { return used_.load(std::memory_order_relaxed) > limit_; }

private:
    const int64_t limit_;
    std::atomic<int64_t> used_{0};
};

// One walker thread's sums. Nothing per file but additions; a file with
// several links is put aside and counted when the tallies are merged.
class FolderHogTally : public WalkTally {
public:
    // `root`: the drive root as the walk names it (normalised).
    // `budget` (may be null: no bound) counts every line and set-aside file.
    FolderHogTally(FolderHogMode mode, std::string root,
                   std::shared_ptr<FolderHogBudget> budget = nullptr);

    void add(const WalkBatch& batch) override;
    void merge(const WalkTally& other) override;

    // After the merge: every folder's line, files with several links counted
    // once, in byte order of the folder paths.
    std::vector<FolderTotals> takeLines();

private:
    struct Linked {
        uint64_t device;
        uint64_t inode;
        int64_t size;
        DateTime accessed;
        uint32_t line;
    };
    // The line of a folder text (Main: of its top folder), made when missing.
    uint32_t lineFor(const std::string& key);

    FolderHogMode mode_;
    std::string root_;
    std::string rootPrefix_; // root_ with one '/' after it
    std::vector<FolderTotals> lines_;
    std::unordered_map<std::string, uint32_t> byFolder_; // Main only
    std::vector<Linked> linked_;
    std::shared_ptr<FolderHogBudget> budget_;
};

WalkTallyFactory FolderHogTallies(FolderHogMode mode, const std::string& root,
                                  std::shared_ptr<FolderHogBudget> budget = nullptr);

// 100 x bytes / drive total as "#0.00" (at least one integer digit, two
// decimals); "???" when the size is not below the total (or the total is unknown).
QString PercentUsedText(int64_t bytes, double driveTotal);
// Size, % Used, # Files, # Sub-folders, Latest File Access, Name.
constexpr int kFolderLineFields = 6;
QStringList FolderLineFields(const FolderTotals& totals, double driveTotal);
// One of those fields (0 to 5), made alone.
QString FolderLineField(const FolderTotals& totals, double driveTotal, int field);
// The fields joined by tabs: the line the clipboard gets.
QString FolderLine(const FolderTotals& totals, double driveTotal);

enum class FolderState { Listed, Deleted, Recycled };

// A row of the folder list.
struct FolderRow {
    FolderTotals totals;
    double driveTotal = 0; // of the folder's drive; 0 when it could not be read
    FolderState state = FolderState::Listed;
};

// The sort items of the folder list's menu.
enum FolderSortItem {
    FolderSortSize = 0,
    FolderSortFiles,
    FolderSortSubfolders,
    FolderSortAccess,
    FolderSortName,
    kFolderSortItems
};

// One direction flag per item, living for the whole program run. The numbers
// and the date start descending, the name ascending.
struct FolderSortDirections {
    std::array<bool, kFolderSortItems> descending{true, true, true, true, false};
};

// The rows of `order` sorted by an item; equal keys keep their order. A
// removed folder's size counts as 0, an empty date as 1 January 1900, names
// compare without case.
std::vector<uint32_t> SortedFolderRows(const std::vector<FolderRow>& rows,
                                       std::vector<uint32_t> order, FolderSortItem item,
                                       bool descending);

} // namespace quillon
