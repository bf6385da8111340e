#include "scan/pathorder.h"
#include "platform/hugepages.h"
#include "platform/textcase.h"
#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>
#include <utility>

namespace quillon {

namespace {

std::string foldedText(std::string_view text) { return FoldedKey(text); }

// A name against a text already folded (a folder block): <0, 0 or >0.
int compareToFolded(std::string_view name, std::string_view folded) {
    for (size_t i = 0; i < name.size(); ++i) {
        if (static_cast<unsigned char>(name[i]) >= 0x80) {
            const std::string key = FoldedKey(name);
            const int c = std::string_view(key).compare(folded);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        if (i == folded.size()) return 1;
        const unsigned char x = FoldAscii(static_cast<unsigned char>(name[i]));
        const auto y = static_cast<unsigned char>(folded[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return name.size() == folded.size() ? 0 : -1;
}

struct NameKey {
    uint64_t head; // the first 8 folded bytes of the name, big-endian, zero-padded
    const char* name;
    uint32_t place; // where the row stands in the order given
    uint16_t length;
};

uint64_t foldedHead(std::string_view name) { return FoldedKeyNumber(name, 0, 8); }

// Most names differ in the first 8 bytes of their folded form, which are
// compared as one number. Equal names keep the order given.
bool nameLess(const NameKey& a, const NameKey& b) {
    if (a.head != b.head) return a.head < b.head;
    const int c = CompareFolded(std::string_view(a.name, a.length), std::string_view(b.name, b.length));
    return c != 0 ? c < 0 : a.place < b.place;
}

// Full paths (or names alone) in folded byte order, without building a path.
// In that order a folder's subfolders follow it directly, each with its whole
// subtree, and its own files fall between those blocks: a file goes before the
// block of subfolder "c" exactly when its name sorts below "c/". So the
// distinct folded folder texts are ranked once, each folder's files are sorted
// by name, and the rows are read off folder by folder; no two paths from
// different folders are ever compared.
class PathOrder {
public:
    PathOrder(const FileStore& store, const std::vector<uint32_t>& order, bool fullPaths)
        : order_(order) {
        std::vector<uint32_t> groupOf(fullPaths ? store.folderCount() : 0, 0);
        if (fullPaths) {
            std::vector<uint8_t> needed(store.folderCount(), 0);
            for (uint32_t r : order) needed[store.row(r).folder] = 1;
            std::vector<std::pair<std::string, uint32_t>> folders;
            for (uint32_t f = 0; f < needed.size(); ++f) {
                if (!needed[f]) continue;
                std::string text = foldedText(store.folderAt(f));
                if (text.empty() || text.back() != '/') text += '/';
                folders.emplace_back(std::move(text), f);
            }
            std::sort(folders.begin(), folders.end());
            // Folders whose texts differ only in case share one group.
            for (auto& [text, folder] : folders) {
                if (texts_.empty() || texts_.back() != text) texts_.push_back(std::move(text));
                groupOf[folder] = static_cast<uint32_t>(texts_.size() - 1);
            }
        } else {
            texts_.emplace_back();
        }
        // In sorted order every text that starts with another follows it directly.
        lastInside_.assign(texts_.size(), 0);
        std::vector<uint32_t> open;
        for (uint32_t g = 0; g < texts_.size(); ++g) {
            while (!open.empty() && !texts_[g].starts_with(texts_[open.back()])) {
                lastInside_[open.back()] = g - 1;
                open.pop_back();
            }
            open.push_back(g);
        }
        for (uint32_t g : open) lastInside_[g] = static_cast<uint32_t>(texts_.size() - 1);

        // Each group's files, then sorted by name.
        start_.assign(texts_.size() + 1, 0);
        const auto groupOfRow = [&](uint32_t r) {
            return fullPaths ? groupOf[store.row(r).folder] : 0u;
        };
        for (uint32_t r : order) ++start_[groupOfRow(r) + 1];
        std::partial_sum(start_.begin(), start_.end(), start_.begin());
        keys_.resize(order.size());
        std::vector<uint32_t> next(start_.begin(), start_.end() - 1);
        const auto addKey = [&](uint32_t r, uint32_t place) {
            const std::string_view name = store.name(r);
            keys_[next[groupOfRow(r)]++] = {foldedHead(name), name.data(), place,
                                            static_cast<uint16_t>(name.size())};
        };
        // The names are read in the order they were stored (folder by folder,
        // as the walk found them): read in the grid's order instead, nearly
        // every name is a trip to memory of its own.
        constexpr uint32_t kAbsent = UINT32_MAX;
        std::vector<uint32_t, LargeAllocator<uint32_t>> placeOf(store.size(), kAbsent);
        for (uint32_t i = 0; i < order.size(); ++i) placeOf[order[i]] = i;
        const auto listed = std::count_if(placeOf.begin(), placeOf.end(),
                                          [](uint32_t place) { return place != kAbsent; });
        if (static_cast<size_t>(listed) == order.size()) {
            for (uint32_t r = 0; r < placeOf.size(); ++r)
                if (placeOf[r] != kAbsent) addKey(r, placeOf[r]);
        } else { // a row given twice: each place gets its key
            for (uint32_t i = 0; i < order.size(); ++i) addKey(order[i], i);
        }
        for (size_t g = 0; g < texts_.size(); ++g)
            std::sort(keys_.begin() + start_[g], keys_.begin() + start_[g + 1], nameLess);
    }

    std::vector<uint32_t> rows() {
        rows_.reserve(keys_.size());
        for (uint32_t g = 0; g < texts_.size(); g = lastInside_[g] + 1) readOff(g);
        return std::move(rows_);
    }

private:
    void readOff(uint32_t group) {
        const std::string& text = texts_[group];
        uint32_t file = start_[group];
        const uint32_t files = start_[group + 1];
        uint32_t sub = group + 1;
        while (sub <= lastInside_[group]) {
            // The block of every folder below this one's next path element.
            const size_t slash = texts_[sub].find('/', text.size());
            const std::string_view block = std::string_view(texts_[sub]).substr(0, slash + 1);
            const std::string_view element = block.substr(text.size());
            for (; file < files; ++file) {
                const NameKey& key = keys_[file];
                if (compareToFolded(std::string_view(key.name, key.length), element) > 0) break;
                rows_.push_back(order_[key.place]);
            }
            while (sub <= lastInside_[group] && texts_[sub].starts_with(block)) {
                readOff(sub);
                sub = lastInside_[sub] + 1;
            }
        }
        for (; file < files; ++file) rows_.push_back(order_[keys_[file].place]);
    }

    const std::vector<uint32_t>& order_;
    std::vector<std::string> texts_; // by group, sorted
    std::vector<uint32_t> lastInside_; // the last group whose text starts with this one's
    std::vector<uint32_t> start_;      // each group's first key
    // Large arrays filled once: on huge pages the page faults cost less than
    // the filling.
    std::vector<NameKey, LargeAllocator<NameKey>> keys_;
    std::vector<uint32_t> rows_;
};

} // namespace

std::vector<uint32_t> SortedByPath(const FileStore& store, const std::vector<uint32_t>& rows,
                                   PathKey key) {
    return PathOrder(store, rows, key == PathKey::FullPath).rows();
}

} // namespace quillon

namespace quillon {

std::vector<uint32_t> FolderRanks(const FileStore& store) {
    std::vector<std::pair<std::string, uint32_t>> folders;
    folders.reserve(store.folderCount());
    for (uint32_t f = 0; f < store.folderCount(); ++f)
        folders.emplace_back(foldedText(store.folderAt(f)), f);
    std::sort(folders.begin(), folders.end());
    std::vector<uint32_t> rank(store.folderCount(), 0);
    uint32_t next = 0;
    for (size_t i = 0; i < folders.size(); ++i) {
        if (i > 0 && folders[i].first != folders[i - 1].first) ++next;
        rank[folders[i].second] = next;
    }
    return rank;
}

} // namespace quillon
