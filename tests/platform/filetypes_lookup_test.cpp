// FileTypeName asks the MIME database only about extensions one of its
// patterns may match; the answers must be the database's own for every
// extension, known or not.
#include "platform/filetypes.h"
#include <QMimeDatabase>
#include <QMimeType>
#include <QSet>
#include <gtest/gtest.h>

namespace quillon {
namespace {

// What the database itself says of a file "x" + extension.
QString DatabaseDescription(const QString& extension) {
    const QMimeDatabase database;
    const QString lower = extension.toLower();
    const QList<QMimeType> types = database.mimeTypesForFileName(QLatin1Char('x') + lower);
    if (!types.isEmpty() && types.first().isValid() && !types.first().isDefault()) {
        const QString comment = types.first().comment();
        return comment.isEmpty() ? types.first().name() : comment;
    }
    return lower.mid(1).toUpper() + QStringLiteral(" File");
}

TEST(FileTypeLookup, EveryAnswerIsTheDatabasesOwn) {
    QSet<QString> extensions;
    const QMimeDatabase database;
    for (const QMimeType& type : database.allMimeTypes())
        for (const QString& suffix : type.suffixes())
            if (!suffix.contains(QLatin1Char('.'))) extensions.insert(QLatin1Char('.') + suffix);
    ASSERT_GT(extensions.size(), 100) << "no MIME database to test against";
    // Numbers (manual pages "*.[1-9]", rotated logs), the odd patterns'
    // neighbourhood, and extensions nobody knows.
    for (int i = 0; i <= 120; ++i) extensions.insert(QLatin1Char('.') + QString::number(i));
    for (const char* odd : {".anim1", ".animj", ".anim0", ".animk", ".bak~", ".txt~", ".x,v", ".c,v",
                            ".50%", ".TXT", ".Txt", ".C", ".qzx8", ".xyzzy", ".so", ".o", ".a",
                            ".[1]", ".\u00e9t\u00e9", ".1a", ".a1"})
        extensions.insert(QString::fromUtf8(odd));
    for (const QString& extension : extensions)
        EXPECT_EQ(FileTypeName(extension), DatabaseDescription(extension)) << extension.toStdString();
}

} // namespace
} // namespace quillon
