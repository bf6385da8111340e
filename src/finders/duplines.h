#pragma once
// The duplicate and file-hog finder's working list: one result line per file,
// kept sorted so that files with equal keys lie next to each other, and the
// grouping pass over it.
#include "scan/filestore.h"
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace quillon {

// The two launcher buttons that open the finder.
enum class FinderMode {
    Duplicates, // "&Duplicate files"
    FileHogs,   // "&File hogs"
};

// What makes two files duplicates. The numbers are the match box's indices.
enum class MatchMode {
    Name = 0,         // "Filename only"
    NameSize = 1,     // "Filename and size"
    NameSizeTime = 2, // "Filename, size and modify date/time"
    Size = 3,         // "Size only"
    SizeTime = 4,     // "Size and modify date/time"
    SizeType = 5,     // "Size and type"
    TypeTime = 6,     // "Type and modify date/time"
    Content = 7,      // "Same contents": equal bytes, grouped by ContentGrouper
};

inline constexpr int kMatchModeCount = 8;

// The match box's items, in MatchMode order.
extern const char* const kMatchModeTexts[kMatchModeCount];

// The mode of a match box index; an index out of range (no item chosen) is
// Name, the box's first item.
MatchMode MatchModeAt(int comboIndex);

// A date-time to the whole second, as the grid and the pair window show it:
// two times compare equal here exactly when their texts do. kNoDate gives the
// lowest number.
int64_t ShownSecond(DateTime value);

// The result line of a row, its fields separated by tabs, in the order of the
// match mode (duplicates) or of the file-hog list.
QString FileEntry(const FileStore& store, uint32_t row, FinderMode finder, MatchMode matchMode);

// Sorts the working list. Lines compare field by field, case-insensitively,
// the fields of the match key first, so every group of equal keys is one run.
// A list of at least `twoThreadsFrom` lines is sorted on two threads (the
// order is the same).
inline constexpr size_t kTwoThreadSortFrom = 65536;
void SortWorkingList(const FileStore& store, std::vector<uint32_t>& rows, FinderMode finder,
                     MatchMode matchMode, size_t twoThreadsFrom = kTwoThreadSortFrom);

class LineComparer;

// Which rows of a store have equal match keys: the key fields compare exactly
// as the working list sorts them (names without case, the modification time
// to the second as the grid shows it, types by TypeRanks). The working list's
// grouping and the pair window's stepping both ask this. Built once per list
// (it ranks the store's types); the store must outlive it. "Same contents"
// has no key in the rows: its groups come from reading the files, and here
// it compares as "Size only" (what every group of it shares).
class MatchKey {
public:
    MatchKey(const FileStore& store, MatchMode mode);
    ~MatchKey();
    MatchKey(MatchKey&&) noexcept;
    MatchKey& operator=(MatchKey&&) noexcept;

    bool same(uint32_t a, uint32_t b) const;

private:
    std::unique_ptr<LineComparer> comparer_;
};

// True when two rows have equal match keys (one MatchKey, asked once).
bool SameMatchKey(const FileStore& store, uint32_t a, uint32_t b, MatchMode matchMode);

// Every run of two or more lines with equal keys, in working-list order; a
// line that matches neither neighbour is left out.
std::vector<uint32_t> addDups(const FileStore& store, const std::vector<uint32_t>& sorted,
                              MatchMode matchMode);

} // namespace quillon
