#include "removal/totals.h"
#include "platform/clock.h"
#include "platform/textcase.h"
#include "shell/settings.h"
#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillon {

namespace {

constexpr const char* kSection = "Quillon";

// A stored value of 0 or less (absent, or reset to -1 by the totals page)
// starts the count afresh. A sum beyond 64 bits stays at the largest value
// rather than wrapping to a negative total.
int64_t addStored(int64_t amount, int64_t stored) {
    int64_t sum = 0;
    if (__builtin_add_overflow(amount, std::max<int64_t>(stored, 0), &sum))
        return std::numeric_limits<int64_t>::max();
    return sum;
}

// One read of each key, one write of all of them: the totals and the start
// date never end up half updated.
void addTotals(const std::vector<std::pair<const char*, int64_t>>& amounts, const char* dateKey) {
    SettingsStore store = SettingsStore::Main();
    std::vector<std::pair<std::string, std::string>> values;
    for (const auto& [key, amount] : amounts)
        values.emplace_back(
            key, std::to_string(addStored(amount, store.readInteger(kSection, key, -1))));
    if (store.readInteger(kSection, dateKey, -1) == -1)
        values.emplace_back(dateKey, std::to_string(DayNumber(Now())));
    store.writeKeys(kSection, values);
}

} // namespace

void AddDeleteTotals(int64_t deleted, int64_t deletedBytes, int64_t recycled,
                     int64_t recycledBytes) {
    addTotals({{"Ndelete", deleted},
               {"SizeDelete", deletedBytes},
               {"NWaste", recycled},
               {"SizeWaste", recycledBytes}},
              "DelDate");
}

void AddZipTotals(int64_t zipped, int64_t zippedBytes) {
    addTotals({{"NZip", zipped}, {"SizeZip", zippedBytes}}, "ZipDate");
}

SavingsTotals ReadSavingsTotals() {
    // One read of the file: the page never shows half of an update.
    SavingsTotals totals;
    const SettingsStore store = SettingsStore::Main();
    const std::pair<const char*, int64_t*> fields[] = {
        {"Ndelete", &totals.nDelete}, {"SizeDelete", &totals.sizeDelete},
        {"NWaste", &totals.nWaste},   {"SizeWaste", &totals.sizeWaste},
        {"DelDate", &totals.delDate}, {"NZip", &totals.nZip},
        {"SizeZip", &totals.sizeZip}, {"ZipDate", &totals.zipDate}};
    for (const auto& [key, value] : store.readSection(kSection)) {
        const std::optional<int64_t> number = ParseProfileInteger(value);
        if (!number) continue;
        for (const auto& [name, field] : fields)
            if (EqualFolded(key, name)) *field = *number;
    }
    return totals;
}

void ResetSavingsTotals() {
    SettingsStore store = SettingsStore::Main();
    std::vector<std::pair<std::string, std::string>> values;
    for (const char* key : {"Ndelete", "SizeDelete", "NZip", "ZipDate", "SizeZip", "NWaste",
                            "SizeWaste", "DelDate"})
        values.emplace_back(key, "-1");
    store.writeKeys(kSection, values);
}

} // namespace quillon
