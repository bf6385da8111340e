#include "finders/daterange.h"
#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(DateRangeTest, DaysCompareWholeAndBothEndsAreInside) {
    const DateTime start = EncodeDateTime(2024, 3, 10, 15, 30);
    const DateTime end = EncodeDateTime(2024, 3, 20, 8, 0);
    struct Case {
        const char* what;
        DateWhen when;
        DateTime file;
        bool accepted;
    } cases[] = {
        // The start day itself is on every boundary, whatever the hour.
        {"before: the start day, early", DateWhen::OnOrBefore, EncodeDateTime(2024, 3, 10, 0, 0, 1), true},
        {"before: the start day, late", DateWhen::OnOrBefore, EncodeDateTime(2024, 3, 10, 23, 59), true},
        {"before: the day after", DateWhen::OnOrBefore, EncodeDateTime(2024, 3, 11), false},
        {"before: years before", DateWhen::OnOrBefore, EncodeDateTime(1975, 6, 1), true},
        {"after: the start day, early", DateWhen::OnOrAfter, EncodeDateTime(2024, 3, 10, 0, 1), true},
        {"after: the day before, late", DateWhen::OnOrAfter, EncodeDateTime(2024, 3, 9, 23, 59), false},
        {"after: far on, the end plays no part", DateWhen::OnOrAfter, EncodeDateTime(2030, 1, 1), true},
        {"between: the start day", DateWhen::Between, EncodeDateTime(2024, 3, 10, 1), true},
        {"between: the end day, late", DateWhen::Between, EncodeDateTime(2024, 3, 20, 23, 59), true},
        {"between: inside", DateWhen::Between, EncodeDateTime(2024, 3, 15), true},
        {"between: the day before", DateWhen::Between, EncodeDateTime(2024, 3, 9, 23), false},
        {"between: the day after", DateWhen::Between, EncodeDateTime(2024, 3, 21), false},
        // Dates before 1900 are ordinary dates (negative day counts).
        {"before: 1899", DateWhen::OnOrBefore, EncodeDateTime(1899, 1, 1), true},
        {"after: 1899", DateWhen::OnOrAfter, EncodeDateTime(1899, 1, 1), false},
        // A time not recorded has no date: only "On or Before" takes it.
        {"before: not recorded", DateWhen::OnOrBefore, kNoDate, true},
        {"between: not recorded", DateWhen::Between, kNoDate, false},
        {"after: not recorded", DateWhen::OnOrAfter, kNoDate, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DateRange(c.when, start, end).accepts(c.file), c.accepted) << c.what;
}

TEST(DateRangeTest, OneDayBetweenListsThatDayOnly) {
    const DateTime day = EncodeDateTime(2023, 12, 31, 12);
    const DateRange range(DateWhen::Between, day, day);
    EXPECT_TRUE(range.accepts(EncodeDateTime(2023, 12, 31, 0, 0, 0.5)));
    EXPECT_TRUE(range.accepts(EncodeDateTime(2023, 12, 31, 23, 59, 59)));
    EXPECT_FALSE(range.accepts(EncodeDateTime(2023, 12, 30, 23, 59, 59)));
    EXPECT_FALSE(range.accepts(EncodeDateTime(2024, 1, 1)));
}

TEST(DateRangeTest, TheTestedTimeAndThePrintTitleFollowTheChoices) {
    FileFacts facts;
    facts.accessed = 1;
    facts.created = 2;
    facts.modified = 3;
    EXPECT_EQ(ChosenTime(facts, DateWhat::Accessed), 1);
    EXPECT_EQ(ChosenTime(facts, DateWhat::Created), 2);
    EXPECT_EQ(ChosenTime(facts, DateWhat::Modified), 3);

    EXPECT_EQ(DateRangeTitle(DateWhat::Modified, DateWhen::Between, "1/1/1997", "3/31/1997"),
              "Files Modified between 1/1/1997 and 3/31/1997");
    EXPECT_EQ(DateRangeTitle(DateWhat::Accessed, DateWhen::OnOrBefore, "1/1/1997", "x"),
              "Files Last accessed before 1/1/1997");
    EXPECT_EQ(DateRangeTitle(DateWhat::Created, DateWhen::OnOrAfter, "2/3/2001", "x"),
              "Files Created after 2/3/2001");
    EXPECT_TRUE(DateEditFormat().contains("yyyy")) << DateEditFormat().toStdString();
}

} // namespace
} // namespace quillon
