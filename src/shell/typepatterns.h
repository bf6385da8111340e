#pragma once
// File-type patterns ("*.tmp") and the rows the type lists show for them
// ("*.tmp", a tab, the type description). The pattern picker answers with
// them; the temporary-file list and the statistics type lists store them.
#include <QString>
#include <QStringList>

namespace quillon {

// The longest pattern that can name a real extension: a file name holds at
// most 255 bytes and needs one before the extension's dot.
constexpr int kMaxPatternLength = 255;

// The pattern a typed text stands for: "doc", ".doc" and "*.doc" all give
// "*.doc" (case as typed, blanks around it dropped). Empty when the text
// names no single extension: "", "*", ".*", "*.*", "*.", more than one dot,
// a star before the dot ("a*.doc"), a slash, a blank or a control character
// inside, an extension of nothing but '*' and '?', or longer than a name.
QString ExtensionPatternFromTyped(const QString& text);

// Whether a stored pattern is usable: exactly what ExtensionPatternFromTyped
// gives back unchanged ("*." and an extension).
bool IsExtensionPattern(const QString& pattern);

// The extension a pattern names, dot included ("*.TMP" -> ".TMP").
QString PatternExtension(const QString& pattern);

// Whether the extension part holds '*' or '?' ("*.~*"): such a pattern stands
// for a family of extensions and is matched as a wildcard.
bool IsWildcardPattern(const QString& pattern);

// FileTypeName of the pattern's extension; empty for a wildcard pattern.
QString PatternDescription(const QString& pattern);
// The list row of a pattern: pattern, tab, PatternDescription.
QString PatternRow(const QString& pattern);
// The pattern of a row: its text before the first tab (all of it without one).
QString RowPattern(const QString& row);
// Rows are the same when their whole texts are equal without regard to case.
bool SameRow(const QString& a, const QString& b);
bool ContainsRow(const QStringList& rows, const QString& row);
// Adds the row unless an equal one is there; true when it was added.
bool AddRowOnce(QStringList& rows, const QString& row);

} // namespace quillon
