#pragma once
// The temporary-file pattern list (section TempFiles of quillon.ini) and the
// test that tells a temporary file by its extension.
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class SettingsStore;

extern const char* const kTempFilesSection; // "TempFiles"

// The list while it was never saved (twelve), the same in the quick clean
// and in the editor: opening and closing the editor saves what the quick
// clean looked for.
const QStringList& FallbackTempPatterns();
// The sequence Defaults merges in ("*.old" stands twice: thirteen distinct).
const QStringList& DefaultTempPatterns();

// The stored list: FallbackTempPatterns() while Number is absent, else
// File1..FileN in order. Empty values, values that are no usable pattern
// ("*.", "*.*", a name no file can have) and repeats (without regard to case)
// are left out.
QStringList ReadTempPatterns(const SettingsStore& store);
// The stored list as the rows its windows show ("pattern<tab>description"),
// in their order.
QStringList ReadTempPatternRows(const SettingsStore& store);
// Number and File1..FileN, the patterns in the order given.
void WriteTempPatterns(SettingsStore& store, const QStringList& patterns);

// The order the type lists show their rows in: alphabetical without regard
// to case, then by case.
void SortRows(QStringList& rows);

// isThisFileTemporary for a chosen set of patterns. A file passes when its
// extension (from the last dot, dot included; FileExtension) equals a
// pattern's extension without regard to case (every letter, folded as
// FoldedKey folds names; ASCII extensions on a fast path), or, for a pattern
// whose extension holds '*' or '?' ("*.~*"), matches it as a wildcard.
// Immutable once built, so the walker threads may share it.
class TempFileMatcher {
public:
    explicit TempFileMatcher(const QStringList& patterns);
    bool empty() const { return exact_.empty() && wildcards_.empty(); }
    bool isThisFileTemporary(std::string_view name) const;

private:
    std::vector<std::string> exact_;     // ".tmp": folded (FoldedKey), dot included
    std::vector<std::string> wildcards_; // ".~*"
};

} // namespace quillon
