#include "inspect/filetexts.h"
#include <QStyle>
#include <QApplication>
#include "platform/drives.h"
#include "platform/filefacts.h"
#include "platform/paths.h"
#include "shell/routines.h"
#include <QLocale>
#include <QMimeDatabase>

namespace quillon {

QString AttributeWords(uint32_t attributes) {
    static const struct {
        uint32_t bit;
        const char* word;
    } kWords[] = {{faReadOnly, " ReadOnly"},   {faHidden, " Hidden"},
                  {faSysFile, " System"},      {faVolumeID, " VolumeID"},
                  {faDirectory, " Directory"}, {faArchive, " Archive"}};
    QString text;
    for (const auto& w : kWords)
        if (attributes & w.bit) text += w.word;
    return text;
}

QString ClusterText(int64_t size, int64_t clusterSize) {
    if (clusterSize <= 0) return "Cluster size: not known";
    const int64_t used = size <= 0 ? 0 : (size - 1) / clusterSize + 1;
    return "Cluster size: " + FormatThousands(clusterSize) + "  Clusters used : " +
           FormatThousands(used);
}

QString WastedClusterSpace(const std::string& path, int64_t size) {
    return ClusterText(size, QueryDiskSpace(path).clusterSize);
}

QString DateWithAge(DateTime value) {
    if (value == kNoDate || !ToQDateTime(value).isValid()) return "???";
    return SafeDateText(value) + "  " + RelativeDateText(value);
}

QString DateTimeWithAge(DateTime value) {
    const QDateTime moment = ToQDateTime(value);
    if (value == kNoDate || !moment.isValid()) return "???";
    return SafeDateText(value) + ' ' + QLocale().toString(moment.time(), QLocale::LongFormat) +
           "  " + RelativeDateText(value);
}

QIcon LoadFileIcon(const std::string& path, bool isFolder) {
    // The desktop's icon theme first; without one (or without an icon for the
    // type) Qt's own file and folder pictures, never an empty box.
    if (isFolder) {
        const QIcon folder = QIcon::fromTheme("folder");
        return folder.isNull() ? QApplication::style()->standardIcon(QStyle::SP_DirIcon) : folder;
    }
    static QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(DisplayPath(path), QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    return icon;
}

} // namespace quillon
