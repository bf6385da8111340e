#pragma once
// Backup archive names and stored names. An archive holds the files of one
// drive from one run: "Drive-C-Duplicates08Dec262142.zip" in the zip folder,
// each file stored under its path relative to the drive root.
#include "platform/clock.h"
#include <QString>
#include <optional>
#include <string>

namespace quillon {

// "Drive-" + letter + "-" + category + moment ("ddMMMyyhhmm", the locale's short
// month name) + ".zip".
std::string ArchiveFileName(const QString& category, char letter, DateTime moment);
// The archive's full path in `folder`.
std::string MakeArchiveName(const std::string& folder, const QString& category, char letter,
                            DateTime moment);

// The drive a path lies on (the longest drive root holding it) and the name the
// file is stored under: the path relative to that root with '/' separators.
struct ArchivePlace {
    char letter = 'C';
    std::string storedName;
};
std::optional<ArchivePlace> ArchivePlaceFor(const std::string& path);

// The root of the drive an archive's file name names (the letter after the
// first "Drive-"), from the drive table; nullopt when the name names none or
// the drive is unknown.
std::optional<std::string> OriginalRootOf(const std::string& archivePath);

} // namespace quillon
