#include "finders/findercriteria.h"
#include "shell/settings.h"
#include <cmath>
#include <string>

namespace quillon {

namespace {

const char* section(FinderMode mode) {
    return mode == FinderMode::Duplicates ? "DuplicateCriteria" : "FileHogCriteria";
}

// The longest pattern taken back; the box's own texts are far shorter.
constexpr int kLongestWildcard = 260;
// The size fields' range.
constexpr double kLargestSize = 9999999999.0;

double sizeOf(const std::string& text, double fallback) {
    bool ok = false;
    const double value = QString::fromStdString(text).toDouble(&ok);
    return ok && std::isfinite(value) && value >= 0 && value <= kLargestSize ? value : fallback;
}

} // namespace

std::optional<FinderCriteria> ReadFinderCriteria(FinderMode mode) {
    const SettingsStore store = SettingsStore::Main();
    const char* s = section(mode);
    if (store.readString(s, "SizeTest", "").empty()) return std::nullopt;
    FinderCriteria c;
    const int64_t test = store.readInteger(s, "SizeTest", 0);
    if (test >= 0 && test <= static_cast<int64_t>(SizeFilter::Between))
        c.sizeTest = static_cast<SizeFilter>(test);
    c.low = sizeOf(store.readString(s, "Low", ""), c.low);
    c.high = sizeOf(store.readString(s, "High", ""), c.high);
    const int64_t unit = store.readInteger(s, "Unit", c.unit);
    if (unit == 0 || unit == 1) c.unit = static_cast<int>(unit);
    const QString wildcard = QString::fromStdString(store.readString(s, "Wildcard", "")).trimmed();
    if (!wildcard.isEmpty() && wildcard.size() <= kLongestWildcard) c.wildcard = wildcard;
    c.match = MatchModeAt(static_cast<int>(store.readInteger(s, "Match", 0)));
    for (const QChar letter : QString::fromStdString(store.readString(s, "Drives", "")))
        if (letter >= 'A' && letter <= 'Z' && !c.drives.contains(letter)) c.drives += letter;
    return c;
}

void WriteFinderCriteria(FinderMode mode, const FinderCriteria& c) {
    SettingsStore store = SettingsStore::Main();
    const char* s = section(mode);
    store.writeInteger(s, "SizeTest", static_cast<int64_t>(c.sizeTest));
    store.writeString(s, "Low", QString::number(c.low, 'f', 0).toStdString());
    store.writeString(s, "High", QString::number(c.high, 'f', 0).toStdString());
    store.writeInteger(s, "Unit", c.unit);
    store.writeString(s, "Wildcard", c.wildcard.toStdString());
    store.writeInteger(s, "Match", static_cast<int64_t>(c.match));
    store.writeString(s, "Drives", c.drives.toStdString());
}

} // namespace quillon
