#pragma once
// The duplicate and file-hog finder's working list: one result line per file,
// kept sorted so that files with equal keys lie next to each other, and the
// grouping pass over it.
#include "scan/filestore.h"
#include <QString>
#include <cstdint>
#include <vector>

namespace quillon {

enum MatchMode {
    kMatchName = 0,         // "Filename only"
    kMatchNameSize = 1,     // "Filename and size"
    kMatchNameSizeTime = 2, // "Filename, size and modify date/time"
    kMatchSize = 3,         // "Size only"
    kMatchSizeTime = 4,     // "Size and modify date/time"
    kMatchSizeType = 5,     // "Size and type"
    kMatchTypeTime = 6,     // "Type and modify date/time"
};

extern const char* const kMatchModeTexts[7];

// The result line of a row, its fields separated by tabs, in the order of the
// mode (duplicates) or of the file-hog list.
QString FileEntry(const FileStore& store, uint32_t row, bool duplicateMode, int matchMode);

// Sorts the working list. Lines compare field by field, case-insensitively,
// the fields of the match key first, so every group of equal keys is one run.
void SortWorkingList(const FileStore& store, std::vector<uint32_t>& rows, bool duplicateMode,
                     int matchMode);

// True when two rows have equal match keys.
bool SameMatchKey(const FileStore& store, uint32_t a, uint32_t b, int matchMode);

// Every run of two or more lines with equal keys, in working-list order; a
// line that matches neither neighbour is left out.
std::vector<uint32_t> addDups(const FileStore& store, const std::vector<uint32_t>& sorted,
                              int matchMode);

} // namespace quillon
