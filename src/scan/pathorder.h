#pragma once
// The order of the grid's Name sort: whole paths (or names alone) compared
// byte by byte with ASCII letters folded, as the grid's lists have always
// been sorted.
#include "scan/filestore.h"
#include <cstdint>
#include <vector>

namespace quillon {

enum class PathKey {
    Name,     // the file name alone
    FullPath, // folder, '/', name
};

// The rows in ascending folded order of their key. Rows with equal keys keep
// the order they came in. The result is a permutation of `rows`.
std::vector<uint32_t> SortedByPath(const FileStore& store, const std::vector<uint32_t>& rows,
                                   PathKey key);

// The sort rank of every folder of the store (by folder index): folder texts
// compared byte by byte with ASCII letters folded; texts equal but for case
// share a rank.
std::vector<uint32_t> FolderRanks(const FileStore& store);

} // namespace quillon
