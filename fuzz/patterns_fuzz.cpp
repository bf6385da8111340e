// libFuzzer target for the pattern lists: the input is both a settings file
// holding a TempFiles list and a set of lines. Each line is typed into the
// pattern picker (ExtensionPatternFromTyped), made a list row and read back;
// the stored list is read, shown as rows and written back; and matchers built
// from the lines and from the stored list are asked about every line as a file
// name. For ASCII text, patterns and matching are compared with a plain
// reference written from the headers' description.
#include "cleanup/tempfiles.h"
#include "fuzz_files.h"
#include "shell/settings.h"
#include "shell/typepatterns.h"
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace quillon;

namespace {

std::string g_file;

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// ExtensionPatternFromTyped for ASCII text: blanks around dropped, "*.", "."
// or nothing in front of an extension of printable characters other than '.',
// '/' and '\', one of them no wildcard, "*." and extension at most 255 long.
std::string ReferencePattern(std::string_view typed) {
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!typed.empty() && blank(typed.front())) typed.remove_prefix(1);
    while (!typed.empty() && blank(typed.back())) typed.remove_suffix(1);
    std::string_view body = typed;
    if (typed.starts_with("*."))
        body.remove_prefix(2);
    else if (typed.starts_with('.'))
        body.remove_prefix(1);
    if (body.empty() || body.size() + 2 > 255) return {};
    bool literal = false;
    for (const char c : body) {
        if (c <= ' ' || c == 0x7f || c == '.' || c == '/' || c == '\\') return {};
        if (c != '*' && c != '?') literal = true;
    }
    return literal ? "*." + std::string(body) : std::string();
}

// '*' any run of characters, '?' one character, the rest equal without regard
// to ASCII case. matched[j]: the name so far matches the first j mask characters.
bool ReferenceWildcard(std::string_view name, std::string_view mask) {
    std::vector<bool> matched(mask.size() + 1, false);
    matched[0] = true;
    for (size_t j = 0; j < mask.size() && mask[j] == '*'; ++j) matched[j + 1] = true;
    for (const char c : name) {
        std::vector<bool> next(mask.size() + 1, false);
        for (size_t j = 0; j < mask.size(); ++j) {
            if (mask[j] == '*')
                next[j + 1] = matched[j + 1] || matched[j] || next[j];
            else if (matched[j] && (mask[j] == '?' || Lower(mask[j]) == Lower(c)))
                next[j + 1] = true;
        }
        matched = std::move(next);
    }
    return matched[mask.size()];
}

// isThisFileTemporary for ASCII names and patterns: the name's extension
// (last dot on, not a leading dot, not a dot at the end) against each usable
// pattern's extension.
bool ReferenceTemporary(std::string_view name, const std::vector<std::string>& patterns) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return false;
    const std::string_view extension = name.substr(dot);
    for (const std::string& pattern : patterns) {
        if (pattern.empty() || ReferencePattern(pattern) != pattern) continue;
        const std::string_view key = std::string_view(pattern).substr(1);
        if (ReferenceWildcard(extension, key)) return true;
    }
    return false;
}

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size() && lines.size() < 64) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.emplace_back(line);
        // The value of a "FileN=value" line is a name too.
        const size_t eq = line.find('=');
        if (eq != std::string_view::npos) lines.emplace_back(line.substr(eq + 1));
        pos = end + 1;
    }
    return lines;
}

QString Q(std::string_view bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())); }

void CheckTyped(const std::string& line) {
    const QString pattern = ExtensionPatternFromTyped(Q(line));
    if (IsAscii(line)) FUZZ_CHECK(pattern.toStdString() == ReferencePattern(line));
    if (pattern.isEmpty()) return;
    FUZZ_CHECK(pattern.startsWith(QLatin1String("*.")));
    FUZZ_CHECK(pattern.size() <= kMaxPatternLength);
    FUZZ_CHECK(IsExtensionPattern(pattern));
    FUZZ_CHECK(ExtensionPatternFromTyped(pattern) == pattern);
    FUZZ_CHECK(PatternExtension(pattern) == pattern.mid(1));
}

void CheckRows(const QStringList& patterns, const QStringList& rows) {
    FUZZ_CHECK(rows.size() == patterns.size());
    QStringList fromRows;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        fromRows.append(RowPattern(rows[i]));
        if (i > 0) FUZZ_CHECK(rows[i - 1].compare(rows[i], Qt::CaseInsensitive) <= 0);
    }
    QStringList sortedPatterns = patterns;
    sortedPatterns.sort();
    fromRows.sort();
    FUZZ_CHECK(fromRows == sortedPatterns);
    // No two rows are the same without regard to case: each is added once.
    QStringList added;
    for (const QString& row : rows) FUZZ_CHECK(AddRowOnce(added, row));
    for (const QString& row : rows) FUZZ_CHECK(!AddRowOnce(added, row));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::ScratchConfigHome("patterns");
    g_file = SettingsStore::Main().file();
    // The MIME database is loaded once per run, on the first description
    // looked up (seconds under the sanitizers): here, outside any input's time.
    PatternDescription("*.txt");
    PatternDescription("*.quillon-unknown");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = Lines(text);

    // Typed patterns.
    for (const std::string& line : lines) CheckTyped(line);

    // The stored list, its rows, and the list written back.
    fuzzsupport::WriteInput(g_file, text);
    SettingsStore store = SettingsStore::Main();
    const QStringList stored = ReadTempPatterns(store);
    for (qsizetype i = 0; i < stored.size(); ++i) {
        FUZZ_CHECK(IsExtensionPattern(stored[i]));
        for (qsizetype j = 0; j < i; ++j) FUZZ_CHECK(stored[j].compare(stored[i], Qt::CaseInsensitive) != 0);
    }
    if (stored.size() <= 16) CheckRows(stored, ReadTempPatternRows(store));
    WriteTempPatterns(store, stored);
    FUZZ_CHECK(ReadTempPatterns(store) == stored);

    // Matching: every line as a file name.
    QStringList linePatterns, asciiPatterns;
    std::vector<std::string> asciiLines;
    for (const std::string& line : lines) {
        linePatterns.append(Q(line));
        if (IsAscii(line)) {
            asciiPatterns.append(Q(line));
            asciiLines.push_back(line);
        }
    }
    const TempFileMatcher fromLines(linePatterns);
    const TempFileMatcher fromAscii(asciiPatterns);
    const TempFileMatcher fromStore(stored);
    for (const std::string& name : lines) {
        volatile bool any = fromLines.isThisFileTemporary(name) || fromStore.isThisFileTemporary(name);
        (void)any;
        if (IsAscii(name)) FUZZ_CHECK(fromAscii.isThisFileTemporary(name) == ReferenceTemporary(name, asciiLines));
    }
    return 0;
}
