#include "statistics/statlists.h"
#include "platform/paths.h"
#include "shell/settings.h"
#include "shell/typepatterns.h"

namespace quillon {

const char* SectionName(StatListSection section) {
    return section == StatListSection::Include ? "Include" : "Exclude";
}

QStringList ReadStatFilesFromDisk(StatListSection section) {
    static const std::vector<std::string> kSeed{"*.doc", "*.exe", "*.dll"};
    QStringList rows;
    for (const std::string& pattern : SettingsStore::Main().readList(SectionName(section), kSeed))
        rows.append(PatternRow(QString::fromStdString(pattern)));
    return rows;
}

void WriteStatFilesToDisk(const QStringList& rows, StatListSection section) {
    std::vector<std::string> patterns;
    patterns.reserve(static_cast<size_t>(rows.size()));
    for (const QString& row : rows) patterns.push_back(PathFromQt(RowPattern(row)));
    SettingsStore::Main().writeList(SectionName(section), patterns);
}

} // namespace quillon
