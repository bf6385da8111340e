#include "browse/folderfiles.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/textcase.h"
#include <algorithm>

namespace quillon {

std::vector<std::string> MaskPatterns(const QString& mask) {
    std::vector<std::string> patterns;
    for (const QString& part : mask.split(QLatin1Char(';'))) {
        const QString pattern = part.trimmed();
        if (!pattern.isEmpty()) patterns.push_back(PathFromQt(pattern));
    }
    if (patterns.empty()) patterns.emplace_back("*.*");
    return patterns;
}

FolderFiles ReadFolderFiles(FileStore& store, const std::string& folder, const QString& mask) {
    FolderFiles result;
    store.clear();
    const uint32_t folderIndex = store.addFolder(LexicalNormalise(folder));
    result.readable = ListFolderFiles(
        folder, MaskPatterns(mask), [&](std::string_view name, const FileFacts& facts) {
            result.rows.push_back(store.addFile(folderIndex, name, facts));
            result.totalBytes += facts.size;
        });
    // The list is in name order, so files whose names differ only in case
    // keep one order under every later sort (those sorts are stable).
    std::sort(result.rows.begin(), result.rows.end(), [&](uint32_t a, uint32_t b) {
        const std::string_view x = store.name(a), y = store.name(b);
        const int folded = CompareFolded(x, y);
        return folded != 0 ? folded < 0 : x < y;
    });
    return result;
}

} // namespace quillon
