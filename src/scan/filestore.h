#pragma once
// Compact result rows: a million found files cost memory in proportion to the
// rows, not to grid cells. Names live in one arena, folders in a table shared
// by their files, type descriptions in an interned table.
#include "platform/hugepages.h"
#include "platform/filefacts.h"
#include "platform/filetypes.h"
#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct FileRow {
    int64_t size = 0;
    DateTime modified = kNoDate;
    DateTime accessed = kNoDate;
    DateTime created = kNoDate;
    uint64_t inode = 0;
    int64_t mtimeNs = 0;     // as recorded, for finding the same file again
    uint64_t nameOffset = 0; // into the name arena
    uint32_t folder = 0;     // into the folder table
    uint32_t type = 0;       // into the type table
    uint16_t nameLength = 0;
    uint8_t attributes = 0;
};

// Raised by FileStore::addFile when the store holds `capacity()` rows.
class FullListError : public std::runtime_error {
public:
    FullListError() : std::runtime_error("the working list is full") {}
};

class FileStore {
public:
    static constexpr size_t kDefaultCapacity = 10'000'000;

    FileStore();
    ~FileStore();

    void clear();
    size_t size() const { return rows_.size(); }
    size_t capacity() const { return capacity_; }
    void setCapacity(size_t capacity) { capacity_ = capacity; }

    // A folder text (no trailing '/' except "/"). Adding the folder added last
    // again returns its index without a lookup.
    uint32_t addFolder(const std::string& folder);
    // Throws FullListError when full.
    uint32_t addFile(uint32_t folder, std::string_view name, const FileFacts& facts);

    const FileRow& row(uint32_t index) const { return rows_[index]; }
    std::string_view name(uint32_t index) const;
    const std::string& folder(uint32_t index) const { return folders_[rows_[index].folder]; }
    // The folder table itself, by folder index (what addFolder returned).
    size_t folderCount() const { return folders_.size(); }
    const std::string& folderAt(uint32_t folder) const { return folders_[folder]; }
    // The full byte path (JoinPath of folder and name).
    std::string path(uint32_t index) const;
    // What the file was when it was found: the removal checks it again.
    FileIdentity identity(uint32_t index) const;
    const QString& typeName(uint32_t index) const { return types_.description(rows_[index].type); }
    FileTypeTable& types() { return types_; }
    const FileTypeTable& types() const { return types_; }

private:
    struct Arena;
    std::vector<FileRow, LargeAllocator<FileRow>> rows_;
    std::vector<std::string> folders_;
    std::vector<uint64_t> folderDevices_; // the device of the files of each folder
    // Open-addressing lookup of folder texts: folder index + 1, 0 = empty slot.
    std::vector<uint32_t> folderSlots_;
    uint32_t lastFolder_ = UINT32_MAX;
    std::unique_ptr<Arena> names_;
    FileTypeTable types_;
    size_t capacity_ = kDefaultCapacity;
};

// Type descriptions compare without case (<0, 0, >0): equal but for case
// is the same type.
int CompareTypeDescriptions(const QString& a, const QString& b);

// The sort rank of each type description of a table (by index): descriptions
// compare without case, and descriptions equal but for case share one rank.
// Ranks are dense (0, 1, 2, ...). Every list that sorts or matches files by
// type uses these ranks, so "same type" means the same everywhere.
std::vector<uint32_t> TypeRanks(const FileTypeTable& types);

} // namespace quillon
