#pragma once
// What the duplicate and file-hog finder was last asked for: the size test,
// the pattern, the match mode and the checked drives, kept in the settings
// file so the next run starts where the last one left off.
#include "finders/duplines.h"
#include "scan/sizefilter.h"
#include <QString>
#include <optional>

namespace quillon {

struct FinderCriteria {
    SizeFilter sizeTest = SizeFilter::AtLeast;
    double low = 250;
    double high = 250;
    int unit = 1; // index in the unit box: 0 bytes, 1 KB
    QString wildcard = "*.*";
    MatchMode match = MatchMode::Name;
    QString drives; // the checked drive letters
};

// Nothing when the finder in this mode never stored its criteria. A stored
// value that makes no sense (an unknown test, a negative size, an empty
// pattern) gives that field's default.
std::optional<FinderCriteria> ReadFinderCriteria(FinderMode mode);
// Throws SettingsWriteError when the settings file cannot be written.
void WriteFinderCriteria(FinderMode mode, const FinderCriteria& criteria);

} // namespace quillon
