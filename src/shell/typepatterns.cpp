#include "shell/typepatterns.h"
#include "platform/filetypes.h"
#include <algorithm>

namespace quillon {

namespace {

bool IsWildcardChar(QChar c) { return c == QLatin1Char('*') || c == QLatin1Char('?'); }

// An extension (without its dot) that a file name can end in: not empty, no
// further dot, no slash, no blank or control character, and at least one
// character that is not a wildcard (a pattern of nothing but '*' and '?'
// would stand for nearly every file).
bool IsExtensionBody(const QString& body) {
    if (body.isEmpty()) return false;
    bool literal = false;
    for (const QChar c : body) {
        if (c == QLatin1Char('.') || c == QLatin1Char('/') || c == QLatin1Char('\\')) return false;
        if (c.isSpace() || c.category() == QChar::Other_Control) return false;
        if (!IsWildcardChar(c)) literal = true;
    }
    return literal;
}

} // namespace

QString ExtensionPatternFromTyped(const QString& text) {
    const QString typed = text.trimmed();
    QString body;
    if (typed.startsWith(QLatin1String("*.")))
        body = typed.mid(2);
    else if (typed.startsWith(QLatin1Char('.')))
        body = typed.mid(1);
    else
        body = typed; // "doc"; "a*.doc" keeps its dot and fails below
    if (!IsExtensionBody(body)) return {};
    const QString pattern = QStringLiteral("*.") + body;
    if (pattern.size() > kMaxPatternLength) return {};
    return pattern;
}

bool IsExtensionPattern(const QString& pattern) {
    return pattern.startsWith(QLatin1String("*.")) && ExtensionPatternFromTyped(pattern) == pattern;
}

QString PatternExtension(const QString& pattern) {
    const qsizetype dot = pattern.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : pattern.mid(dot);
}

bool IsWildcardPattern(const QString& pattern) {
    const QString extension = PatternExtension(pattern);
    return std::any_of(extension.begin(), extension.end(), IsWildcardChar);
}

QString PatternDescription(const QString& pattern) {
    // A family of extensions has no one type to name.
    return IsWildcardPattern(pattern) ? QString() : FileTypeName(PatternExtension(pattern));
}

QString PatternRow(const QString& pattern) {
    return pattern + QLatin1Char('\t') + PatternDescription(pattern);
}

QString RowPattern(const QString& row) {
    const qsizetype tab = row.indexOf(QLatin1Char('\t'));
    return tab < 0 ? row : row.left(tab);
}

bool SameRow(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool ContainsRow(const QStringList& rows, const QString& row) {
    return std::any_of(rows.begin(), rows.end(),
                       [&row](const QString& r) { return SameRow(r, row); });
}

bool AddRowOnce(QStringList& rows, const QString& row) {
    if (ContainsRow(rows, row)) return false;
    rows.append(row);
    return true;
}

} // namespace quillon
