#include "cleanup/tempfiles.h"
#include "platform/filetypes.h"
#include "platform/paths.h"
#include "platform/textcase.h"
#include "platform/walker.h"
#include "shell/settings.h"
#include "shell/typepatterns.h"
#include <algorithm>

namespace quillon {

const char* const kTempFilesSection = "TempFiles";

const QStringList& FallbackTempPatterns() {
    static const QStringList patterns = {"*.tmp", "*.fts", "*.bak", "*.$$$", "*.~mp", "*.old",
                                         "*.~*",  "*.gid", "*.ftg", "*.da0", "*.chk", "*.db$"};
    return patterns;
}

const QStringList& DefaultTempPatterns() {
    static const QStringList patterns = {"*.tmp", "*.temp", "*.fts", "*.bak", "*.old",
                                         "*.$$$", "*.~mp",  "*.old", "*.~*",  "*.gid",
                                         "*.ftg", "*.da0",  "*.chk", "*.db$"};
    return patterns;
}

QStringList ReadTempPatterns(const SettingsStore& store) {
    // A list never saved (no Number, or none that reads as a count) is the
    // fallback; a saved empty list (Number=0) stays empty.
    if (store.readInteger(kTempFilesSection, "Number", -1) < 0) return FallbackTempPatterns();
    const std::vector<std::string> stored = store.readList(kTempFilesSection, {});
    QStringList patterns;
    for (const std::string& value : stored) {
        const QString pattern = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
        if (!IsExtensionPattern(pattern)) continue;
        const bool repeated = std::any_of(patterns.begin(), patterns.end(), [&](const QString& p) {
            return p.compare(pattern, Qt::CaseInsensitive) == 0;
        });
        if (!repeated) patterns.append(pattern);
    }
    return patterns;
}

void WriteTempPatterns(SettingsStore& store, const QStringList& patterns) {
    std::vector<std::string> items;
    items.reserve(static_cast<size_t>(patterns.size()));
    for (const QString& pattern : patterns) items.push_back(pattern.toStdString());
    store.writeList(kTempFilesSection, items);
}

QStringList ReadTempPatternRows(const SettingsStore& store) {
    // The stored list has no repeats: each pattern makes its own row.
    QStringList rows;
    for (const QString& pattern : ReadTempPatterns(store)) rows.append(PatternRow(pattern));
    SortRows(rows);
    return rows;
}

void SortRows(QStringList& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
}

namespace {

bool EqualsLowerKey(std::string_view extension, const std::string& key) {
    if (extension.size() != key.size()) return false;
    for (size_t i = 0; i < key.size(); ++i)
        if (FoldAscii(extension[i]) != key[i]) return false;
    return true;
}

} // namespace

TempFileMatcher::TempFileMatcher(const QStringList& patterns) {
    for (const QString& pattern : patterns) {
        if (!IsExtensionPattern(pattern)) continue;
        // Folded as names are: every letter, so "*.ÉTÉ" finds x.été.
        std::string key = FoldedKey(PathFromQt(PatternExtension(pattern)));
        auto& keys = IsWildcardPattern(pattern) ? wildcards_ : exact_;
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(std::move(key));
    }
}

bool TempFileMatcher::isThisFileTemporary(std::string_view name) const {
    const std::string_view extension = FileExtension(name);
    if (extension.empty()) return false;
    // Most extensions are ASCII: compared as they are, capitals lowered on
    // the way. The keys are folded already, and no ASCII letter folds to
    // anything but ASCII.
    const bool ascii = std::all_of(extension.begin(), extension.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        for (const std::string& key : exact_)
            if (EqualsLowerKey(extension, key)) return true;
        for (const std::string& key : wildcards_)
            if (MatchesMask(extension, key)) return true;
        return false;
    }
    const std::string folded = FoldedKey(extension);
    for (const std::string& key : exact_)
        if (folded == key) return true;
    for (const std::string& key : wildcards_)
        if (MatchesMask(folded, key)) return true;
    return false;
}

} // namespace quillon
