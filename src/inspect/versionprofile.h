#pragma once
// The version profile of a file: company, description, versions, names and
// copyright from the version resource of a Windows program or library.
#include <QStringList>
#include <string>

namespace quillon {

// Replaces lines with the profile of the file at path: eleven lines in a fixed
// order when the file has a version resource with a translation table, none
// otherwise (also for a file that cannot be read, a folder or any other file).
// With tabbed, a tab follows each label (two after "Copyright: ").
void VersionProfile(const std::string& path, QStringList& lines, bool tabbed);

} // namespace quillon
