#include "platform/clock.h"
#include "support/world.h"
#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(Clock, DayCountsStartAt30December1899) {
    EXPECT_EQ(EncodeDateTime(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDateTime(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDateTime(1970, 1, 1, 18), 25569.75);
    EXPECT_EQ(EncodeDateTime(1965, 2, 30), kNoDate) << "an impossible date";
    int y, m, d;
    DecodeDate(EncodeDateTime(2026, 12, 9, 23, 59, 59), y, m, d);
    EXPECT_EQ(std::make_tuple(y, m, d), std::make_tuple(2026, 12, 9));
    DecodeDate(EncodeDateTime(1950, 6, 1), y, m, d); // before the FAT epoch: an ordinary date
    EXPECT_EQ(std::make_tuple(y, m, d), std::make_tuple(1950, 6, 1));
    EXPECT_EQ(DayOfWeek(EncodeDateTime(2026, 12, 6)), 1); // a Sunday
    EXPECT_EQ(DayOfWeek(EncodeDateTime(2026, 12, 9, 12)), 4);
    EXPECT_EQ(DayOfWeek(EncodeDateTime(2026, 12, 12)), 7);
}

TEST(Clock, ConvertsBothWaysAndCanBeFixed) {
    const DateTime t = EncodeDateTime(2024, 2, 29, 13, 45, 30.5);
    EXPECT_NEAR(FromQDateTime(ToQDateTime(t)), t, 1e-8);
    // File times agree with Qt's own local-time conversion, summer and winter,
    // before 1970 too.
    for (int64_t t : {int64_t{1700000000}, int64_t{1719835200}, int64_t{0}, int64_t{-315619200},
                      int64_t{1711846799}, int64_t{1711846800}}) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(t);
        EXPECT_NEAR(FromUnixTime(t, 250000000), FromQDateTime(local) + 0.25 / 86400, 1e-8) << t;
    }
    {
        test::FixedClock fixed(t);
        EXPECT_EQ(Now(), t);
    }
    EXPECT_GT(Now(), EncodeDateTime(2025, 1, 1));
}

} // namespace
} // namespace quillon
