#pragma once
// The two stored type lists of the statistics wizard: section Include (for
// "selected file types only") and Exclude (for "all files except selected
// file types") of quillon.ini, each Number + File1..FileN, one pattern each.
// Rows on screen are the pattern, a tab and the type description, which is
// looked up again whenever a list is read.
#include <QString>
#include <QStringList>

namespace quillon {

enum class StatListSection { Include, Exclude };

const char* SectionName(StatListSection section);

// The stored list of a section as rows. A section that was never written
// gives the rows of *.doc, *.exe and *.dll; Number = 0 gives no rows; empty
// items are skipped.
QStringList ReadStatFilesFromDisk(StatListSection section);
// Stores the patterns of the rows (each row's text before its first tab).
// Throws SettingsWriteError when the file cannot be written.
void WriteStatFilesToDisk(const QStringList& rows, StatListSection section);

} // namespace quillon
