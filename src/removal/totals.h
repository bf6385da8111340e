#pragma once
// The cumulative savings totals in the settings file (section Quillon).
#include <cstdint>

namespace quillon {

// Adds to Ndelete / SizeDelete / NWaste / SizeWaste (a stored value of 0 or
// less counts as 0) and writes DelDate (today's day number) when it was absent.
// Throws SettingsWriteError when the file cannot be written.
void AddDeleteTotals(int64_t deleted, int64_t deletedBytes, int64_t recycled,
                     int64_t recycledBytes);
// The same for NZip / SizeZip and ZipDate.
void AddZipTotals(int64_t zipped, int64_t zippedBytes);

// The totals as stored; -1 where a key is absent (or was reset). The dates
// are day numbers.
struct SavingsTotals {
    int64_t nDelete = -1, sizeDelete = -1;
    int64_t nWaste = -1, sizeWaste = -1;
    int64_t delDate = -1;
    int64_t nZip = -1, sizeZip = -1;
    int64_t zipDate = -1;
};
SavingsTotals ReadSavingsTotals();
// Every total back to -1 (absent), in one write; counting starts afresh with
// the next removal. Throws SettingsWriteError when the file cannot be written.
void ResetSavingsTotals();

} // namespace quillon
