#include "finders/findercriteria.h"
#include "shell/settings.h"
#include <cmath>
#include <map>
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
    // One read of the file for all of them.
    std::map<std::string, std::string> stored;
    for (auto& [key, value] : SettingsStore::Main().readSection(section(mode)))
        stored.emplace(key, std::move(value));
    const auto text = [&](const char* key) {
        const auto it = stored.find(key);
        return it == stored.end() ? std::string() : it->second;
    };
    const auto number = [&](const char* key, int64_t fallback) {
        return ParseProfileInteger(text(key)).value_or(fallback);
    };
    if (text("SizeTest").empty()) return std::nullopt;
    FinderCriteria c;
    const int64_t test = number("SizeTest", 0);
    if (test >= 0 && test <= static_cast<int64_t>(SizeFilter::Between))
        c.sizeTest = static_cast<SizeFilter>(test);
    c.low = sizeOf(text("Low"), c.low);
    c.high = sizeOf(text("High"), c.high);
    const int64_t unit = number("Unit", c.unit);
    if (unit == 0 || unit == 1) c.unit = static_cast<int>(unit);
    const QString wildcard = QString::fromStdString(text("Wildcard")).trimmed();
    if (!wildcard.isEmpty() && wildcard.size() <= kLongestWildcard) c.wildcard = wildcard;
    c.match = MatchModeAt(static_cast<int>(number("Match", 0)));
    for (const QChar letter : QString::fromStdString(text("Drives")))
        if (letter >= 'A' && letter <= 'Z' && !c.drives.contains(letter)) c.drives += letter;
    return c;
}

void WriteFinderCriteria(FinderMode mode, const FinderCriteria& c) {
    // One write of the file for all of them.
    SettingsStore::Main().writeKeys(
        section(mode),
        {{"SizeTest", std::to_string(static_cast<int>(c.sizeTest))},
         {"Low", QString::number(c.low, 'f', 0).toStdString()},
         {"High", QString::number(c.high, 'f', 0).toStdString()},
         {"Unit", std::to_string(c.unit)},
         {"Wildcard", c.wildcard.toStdString()},
         {"Match", std::to_string(static_cast<int>(c.match))},
         {"Drives", c.drives.toStdString()}});
}

} // namespace quillon
