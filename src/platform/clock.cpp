#include "platform/clock.h"
#include <QDate>
#include <atomic>
#include <cmath>
#include <ctime>

namespace quillon {

namespace {
std::optional<DateTime> g_fixedNow;
// QDate(1899, 12, 30).toJulianDay(), fixed so it is ready during static initialisation.
constexpr qint64 kEpochJulian = 2415019;
} // namespace

DateTime Now() {
    if (g_fixedNow) return *g_fixedNow;
    return FromQDateTime(QDateTime::currentDateTime());
}

void SetClockForTesting(std::optional<DateTime> fixedNow) { g_fixedNow = fixedNow; }

DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, double second) {
    const QDate date(year, month, day);
    if (!date.isValid()) return kNoDate;
    return static_cast<double>(date.toJulianDay() - kEpochJulian) +
           (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

DateTime FromQDateTime(const QDateTime& value) {
    if (!value.isValid()) return kNoDate;
    const QDateTime local = value.toLocalTime();
    const QTime t = local.time();
    return EncodeDateTime(local.date().year(), local.date().month(), local.date().day(),
                          t.hour(), t.minute(), t.second() + t.msec() / 1000.0);
}

QDateTime ToQDateTime(DateTime value) {
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return {};
    const double days = std::floor(value);
    const QDate date = QDate::fromJulianDay(kEpochJulian + static_cast<qint64>(days));
    qint64 ms = std::llround((value - days) * 86400000.0);
    if (ms >= 86400000) ms = 86399999;
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

namespace {
int64_t offsetAt(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    struct tm local {};
    return localtime_r(&t, &local) ? local.tm_gmtoff : 0;
}

// The local offset of a moment, from localtime_r (which, unlike localtime and
// Qt's conversion, does not look at /etc/localtime again on every call). Walks
// convert three times per file, so offsets are remembered per UTC day when the
// day has one offset throughout (every day but the two that change the clock).
// The walker threads share the cache: each slot is one atomic word (day,
// offset, uniform), so a slot is always read whole.
int64_t localOffset(int64_t seconds) {
    constexpr size_t kSlots = 8192;
    constexpr int64_t kDayRange = int64_t{1} << 31;  // days that fit a slot
    constexpr int64_t kOffsetBias = int64_t{1} << 20; // offsets are below a day
    constexpr uint64_t kValid = uint64_t{1} << 63;
    constexpr uint64_t kUniform = uint64_t{1} << 62;
    static std::atomic<uint64_t> cache[kSlots];
    const int64_t day = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    if (day <= -kDayRange || day >= kDayRange) return offsetAt(seconds);
    const auto dayBits = static_cast<uint64_t>(day + kDayRange);
    std::atomic<uint64_t>& slot = cache[static_cast<uint64_t>(day) % kSlots];
    uint64_t word = slot.load(std::memory_order_relaxed);
    if (!(word & kValid) || (word & 0xFFFFFFFFull) != dayBits) {
        const int64_t offset = offsetAt(day * 86400);
        const bool uniform = offsetAt(day * 86400 + 86399) == offset;
        word = kValid | (uniform ? kUniform : 0) |
               (static_cast<uint64_t>(offset + kOffsetBias) & 0x3FFFFF) << 32 | dayBits;
        slot.store(word, std::memory_order_relaxed);
    }
    if (!(word & kUniform)) return offsetAt(seconds);
    return static_cast<int64_t>((word >> 32) & 0x3FFFFF) - kOffsetBias;
}
} // namespace

DateTime FromUnixTime(int64_t seconds, int64_t nanoseconds) {
    // 25569 days lie between 30 December 1899 and 1 January 1970.
    const int64_t local = seconds + localOffset(seconds);
    const int64_t day = local >= 0 ? local / 86400 : (local - 86399) / 86400;
    const double secondOfDay = static_cast<double>(local - day * 86400) + nanoseconds / 1e9;
    return static_cast<double>(day + 25569) + secondOfDay / 86400.0;
}

void DecodeDate(DateTime value, int& year, int& month, int& day) {
    year = month = day = 0;
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return;
    QDate::fromJulianDay(kEpochJulian + DayNumber(value)).getDate(&year, &month, &day);
}

int DayOfWeek(DateTime value) {
    // Qt counts Monday = 1 ... Sunday = 7.
    const int qtDay = QDate::fromJulianDay(kEpochJulian + DayNumber(value)).dayOfWeek();
    return qtDay % 7 + 1;
}

} // namespace quillon
