#include "browse/folderfiles.h"
#include "platform/listing.h"
#include "platform/paths.h"

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
    return result;
}

} // namespace quillon
