#include "browse/folderfiles.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/textcase.h"
#include "scan/pathorder.h"
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
    int error = 0;
    result.readable = ListFolderFiles(
        folder, MaskPatterns(mask),
        [&](std::string_view name, const FileFacts& facts) {
            result.rows.push_back(store.addFile(folderIndex, name, facts));
            result.totalBytes += facts.size;
        },
        &error);
    if (!result.readable) result.error = ErrorText(error);
    // The list is in name order, and names that differ only in case in byte
    // order among themselves, so such files keep one order under every later
    // sort (those sorts are stable).
    result.rows = SortedByPath(store, result.rows, PathKey::Name);
    for (size_t run = 0; run < result.rows.size();) {
        size_t end = run + 1;
        while (end < result.rows.size() &&
               EqualFolded(store.name(result.rows[run]), store.name(result.rows[end])))
            ++end;
        if (end - run > 1)
            std::sort(result.rows.begin() + static_cast<std::ptrdiff_t>(run),
                      result.rows.begin() + static_cast<std::ptrdiff_t>(end),
                      [&](uint32_t a, uint32_t b) { return store.name(a) < store.name(b); });
        run = end;
    }
    return result;
}

} // namespace quillon
