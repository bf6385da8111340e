#pragma once
// The program's one clock and its date-time type: a day count since
// 30 December 1899 (local time) with the time of day as the fraction.
#include <QDateTime>
#include <cmath>
#include <cstdint>
#include <optional>

namespace quillon {

using DateTime = double;

// A time that the file system did not record (a missing birth time).
inline constexpr DateTime kNoDate = 0.0;

// The present moment, local time; fixed in tests.
DateTime Now();
void SetClockForTesting(std::optional<DateTime> fixedNow);

DateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                        double second = 0);
DateTime FromQDateTime(const QDateTime& local);
QDateTime ToQDateTime(DateTime value);
// A time from the file system (seconds and nanoseconds since the epoch), in local time.
DateTime FromUnixTime(int64_t seconds, int64_t nanoseconds = 0);

// Whole days since 30 December 1899 (rounded towards minus infinity).
inline int64_t DayNumber(DateTime value) {
    return std::isfinite(value) ? static_cast<int64_t>(std::floor(value)) : 0;
}
void DecodeDate(DateTime value, int& year, int& month, int& day);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(DateTime value);

} // namespace quillon
