#pragma once
// What the folder browser lists of one folder, without widgets: the file
// mask's patterns and the folder's matching files read into a FileStore.
#include "scan/filestore.h"
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// The patterns of a file mask: "*.txt; *.doc" -> {"*.txt", "*.doc"}. Blanks
// around a pattern are dropped and empty patterns skipped; a mask without any
// pattern is "*.*".
std::vector<std::string> MaskPatterns(const QString& mask);

struct FolderFiles {
    bool readable = false;      // the folder could be opened
    std::string error;          // else the system's reason ("Permission denied")
    std::vector<uint32_t> rows; // store rows in name order (ASCII case folded, then bytes)
    int64_t totalBytes = 0;
};

// Empties the store and reads into it the folder's regular files that are not
// hidden and match the mask (several patterns joined by ';'), each with what
// it was when it was read.
FolderFiles ReadFolderFiles(FileStore& store, const std::string& folder, const QString& mask);

} // namespace quillon
