#include "inspect/versionprofile.h"
#include "platform/peversion.h"

namespace quillon {

namespace {

struct ProfileLine {
    const char* key;
    const char* label;
    int separators;
};

constexpr ProfileLine kProfile[] = {
    {"CompanyName", "Company: ", 1},
    {"FileDescription", "File description: ", 1},
    {"FileVersion", "File version: ", 1},
    {"InternalName", "Internal name: ", 1},
    {"LegalCopyright", "Copyright: ", 2},
    {"LegalTrademarks", "Trademarks: ", 1},
    {"OriginalFilename", "Original filename: ", 1},
    {"PrivateBuild", "Private build info: ", 1},
    {"ProductName", "Product name: ", 1},
    {"ProductVersion", "Product version: ", 1},
    {"SpecialBuild", "Special build info: ", 1},
};

// The value without its leading blanks (spaces, tabs and other control characters).
QString Trimmed(const std::string* value) {
    if (!value) return {};
    const QString text = QString::fromStdString(*value);
    qsizetype first = 0;
    while (first < text.size() && text[first].unicode() <= u' ')
        ++first;
    return text.mid(first);
}

} // namespace

void VersionProfile(const std::string& path, QStringList& lines, bool tabbed) {
    lines.clear();
    const PeVersionInfo info = ReadPeVersionInfoFromFile(path);
    if (!info.hasTranslation) return;
    const QString sep = tabbed ? QStringLiteral("\t") : QString();
    for (const ProfileLine& line : kProfile) {
        QString text = QString::fromLatin1(line.label);
        for (int i = 0; i < line.separators; ++i)
            text += sep;
        lines << text + Trimmed(info.value(line.key));
    }
}

} // namespace quillon
