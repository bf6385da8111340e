#include "scan/filestore.h"
#include "shell/routines.h"
#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <numeric>

namespace quillon {

// Names are packed into 1 MiB chunks that never move, so a row keeps a plain
// offset (chunk << 20 | position) and a million names cost little more than
// their bytes. A name never straddles two chunks.
struct FileStore::Arena {
    static constexpr unsigned kShift = 20;
    static constexpr size_t kChunkSize = size_t(1) << kShift;

    // Every name a row can record fits one chunk.
    static_assert(std::numeric_limits<uint16_t>::max() < kChunkSize);

    std::vector<std::unique_ptr<char[]>> chunks;
    size_t used = kChunkSize; // in the last chunk; full until the first one exists

    uint64_t append(std::string_view text) {
        if (kChunkSize - used < text.size()) {
            chunks.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
            used = 0;
        }
        const uint64_t offset = (uint64_t(chunks.size() - 1) << kShift) | used;
        if (!text.empty()) std::memcpy(chunks.back().get() + used, text.data(), text.size());
        used += text.size();
        return offset;
    }

    const char* at(uint64_t offset) const {
        return chunks[offset >> kShift].get() + (offset & (kChunkSize - 1));
    }
};

FileStore::FileStore() : names_(std::make_unique<Arena>()) {}

FileStore::~FileStore() = default;

void FileStore::clear() {
    // A finished search may have held millions of rows; give the memory back.
    decltype(rows_)().swap(rows_);
    std::vector<std::string>().swap(folders_);
    std::vector<uint64_t>().swap(folderDevices_);
    std::vector<uint32_t>().swap(folderSlots_);
    lastFolder_ = UINT32_MAX;
    names_ = std::make_unique<Arena>();
}

uint32_t FileStore::addFolder(const std::string& folder) {
    // The walk lists a folder's files together, so the folder just added is
    // almost always the one asked for.
    if (lastFolder_ != UINT32_MAX && folders_[lastFolder_] == folder) return lastFolder_;

    const std::hash<std::string_view> hash;
    if ((folders_.size() + 1) * 2 > folderSlots_.size()) {
        std::vector<uint32_t> table(std::max<size_t>(64, folderSlots_.size() * 2), 0);
        const size_t mask = table.size() - 1;
        for (uint32_t i = 0; i < folders_.size(); ++i) {
            size_t at = hash(folders_[i]) & mask;
            while (table[at] != 0) at = (at + 1) & mask;
            table[at] = i + 1;
        }
        folderSlots_.swap(table);
    }
    const size_t mask = folderSlots_.size() - 1;
    size_t at = hash(folder) & mask;
    while (folderSlots_[at] != 0) {
        const uint32_t index = folderSlots_[at] - 1;
        if (folders_[index] == folder) return lastFolder_ = index;
        at = (at + 1) & mask;
    }
    const auto index = static_cast<uint32_t>(folders_.size());
    folders_.push_back(folder);
    folderDevices_.push_back(0);
    folderSlots_[at] = index + 1;
    return lastFolder_ = index;
}

uint32_t FileStore::addFile(uint32_t folder, std::string_view name, const FileFacts& facts) {
    if (rows_.size() >= capacity_) throw FullListError();
    // No Linux directory yields a name this long (they stop at 255 bytes);
    // refusing it beats listing a wrong path.
    if (name.size() > std::numeric_limits<uint16_t>::max())
        throw std::length_error("file name too long for the result list");
    FileRow row;
    row.size = facts.size;
    row.modified = facts.modified;
    row.accessed = facts.accessed;
    row.created = facts.created;
    row.inode = facts.inode;
    row.mtimeNs = facts.mtimeNs;
    row.folder = folder;
    folderDevices_[folder] = facts.device;
    row.type = types_.indexForName(name);
    row.nameLength = static_cast<uint16_t>(name.size());
    row.attributes = static_cast<uint8_t>(facts.attributes & 0xFF);
    row.nameOffset = names_->append(name);
    rows_.push_back(row);
    return static_cast<uint32_t>(rows_.size() - 1);
}

std::string_view FileStore::name(uint32_t index) const {
    const FileRow& row = rows_[index];
    return {names_->at(row.nameOffset), row.nameLength};
}

FileIdentity FileStore::identity(uint32_t index) const {
    const FileRow& row = rows_[index];
    return FileIdentity{folderDevices_[row.folder], row.inode, row.size, row.mtimeNs};
}

std::string FileStore::path(uint32_t index) const {
    return JoinPath(folders_[rows_[index].folder], name(index));
}

int CompareTypeDescriptions(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive);
}

std::vector<uint32_t> TypeRanks(const FileTypeTable& types) {
    // A table holds a few hundred descriptions at most: sort them once, then
    // rows compare by a number.
    const auto compare = [&](uint32_t a, uint32_t b) {
        return CompareTypeDescriptions(types.description(a), types.description(b));
    };
    std::vector<uint32_t> byText(types.size());
    std::iota(byText.begin(), byText.end(), 0u);
    std::sort(byText.begin(), byText.end(),
              [&](uint32_t a, uint32_t b) { return compare(a, b) < 0; });
    std::vector<uint32_t> rank(types.size(), 0);
    for (size_t i = 1; i < byText.size(); ++i)
        rank[byText[i]] = rank[byText[i - 1]] + (compare(byText[i - 1], byText[i]) != 0 ? 1 : 0);
    return rank;
}

} // namespace quillon
