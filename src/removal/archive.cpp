#include "removal/archive.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "shell/launcher.h"
#include "shell/routines.h"
#include <QLocale>
#include <cctype>

namespace quillon {

std::string ArchiveFileName(const QString& category, char letter, DateTime moment) {
    const QDateTime when = ToQDateTime(moment);
    QString month = QLocale().monthName(when.date().month(), QLocale::ShortFormat);
    // Several locales abbreviate with a dot ("Dez.", "déc."); a dot in the middle
    // of the name would read like an extension, and the older names carried none.
    while (month.endsWith(QLatin1Char('.')))
        month.chop(1);
    const auto two = [](int value) {
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    };
    // Built by concatenation: a category word is never read as a placeholder.
    const QString name = QStringLiteral("Drive-") + QChar::fromLatin1(letter) + QLatin1Char('-') +
                         category + two(when.date().day()) + month + two(when.date().year() % 100) +
                         two(when.time().hour()) + two(when.time().minute()) +
                         QStringLiteral(".zip");
    return name.toUtf8().toStdString();
}

std::string MakeArchiveName(const std::string& folder, const QString& category, char letter,
                            DateTime moment) {
    return JoinPath(folder, ArchiveFileName(category, letter, moment));
}

std::optional<ArchivePlace> ArchivePlaceFor(const std::string& path) {
    const Drive* drive = DriveTable::ForPath(path);
    if (!drive) return std::nullopt;
    std::string stored = path.substr(std::min(drive->root.size(), path.size()));
    const auto start = stored.find_first_not_of('/');
    if (start == std::string::npos) return std::nullopt; // the root itself is no file
    stored.erase(0, start);
    return ArchivePlace{drive->letter, stored};
}

std::optional<std::string> OriginalRootOf(const std::string& archivePath) {
    const std::string name = BaseName(archivePath);
    const auto at = name.find("Drive-");
    if (at == std::string::npos || at + 6 >= name.size()) return std::nullopt;
    // Letters are kept in upper case; a name typed in lower case means the same drive.
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[at + 6])));
    const Drive* drive = DriveTable::ByLetter(letter);
    if (!drive) return std::nullopt;
    return drive->root;
}

} // namespace quillon
