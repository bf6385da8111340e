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

} // namespace quillon
