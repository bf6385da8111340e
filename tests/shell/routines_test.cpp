#include "shell/routines.h"
#include "support/world.h"
#include <QLocale>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace quillon {
namespace {

// Switches the program's default locale and puts the previous one back.
class DefaultLocale {
  public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(saved_); }

  private:
    QLocale saved_;
};

QLocale German() {
    return QLocale(QLocale::German, QLocale::Germany);
}
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ---- paths and text ---------------------------------------------------------

TEST(RoutinesText, JoinPathAddsOneSlashOnlyWhenMissing) {
    const struct {
        std::string folder, name, expected;
    } cases[] = {
        {"/", "x.txt", "/x.txt"},
        {"/tmp", "x.txt", "/tmp/x.txt"},
        {"/tmp/", "x.txt", "/tmp/x.txt"},
        {"/tmp//", "x", "/tmp//x"},                // no other normalisation
        {"/a b", " n ", "/a b/ n "},               // nothing trimmed
        {"/Mixed", "CASE", "/Mixed/CASE"},         // case kept
        {"C:\\dir\\", "x", "C:\\dir\\/x"},         // a backslash is an ordinary byte
        {"/d\xff", "\xfe\x01", "/d\xff/\xfe\x01"}, // names are bytes, not UTF-8
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JoinPath(c.folder, c.name), c.expected) << c.folder << " + " << c.name;
    }
}

TEST(RoutinesText, IsBlankTextAcceptsOnlySpaceCrLfAndBackspace) {
    EXPECT_TRUE(IsBlankText(""));
    EXPECT_TRUE(IsBlankText(" "));
    EXPECT_TRUE(IsBlankText(" \r\n\b \r\n"));
    EXPECT_FALSE(IsBlankText("\t"));
    EXPECT_FALSE(IsBlankText("\t\t\t"));
    EXPECT_FALSE(IsBlankText(" \t "));
    EXPECT_FALSE(IsBlankText("  x  "));
    EXPECT_FALSE(IsBlankText(QString(QChar(0x00A0)))); // no-break space
    EXPECT_FALSE(IsBlankText(QString(QChar(0))));      // a NUL is not a blank
}

TEST(RoutinesText, CharacterClassesAreAsciiOnly) {
    const struct {
        char16_t c;
        bool letter, digit;
    } cases[] = {
        {u'A', true, false},       {u'Z', true, false},       {u'a', true, false},
        {u'z', true, false},       {u'0', false, true},       {u'9', false, true},
        {u'@', false, false},      {u'[', false, false},      {u'`', false, false},
        {u'{', false, false},      {u'/', false, false},      {u':', false, false},
        {u' ', false, false},      {u'\u00e9', false, false}, // e acute
        {u'\u0663', false, false},                            // Arabic-Indic three
        {u'\uff11', false, false},                            // full-width one
    };
    for (const auto& c : cases) {
        const QChar ch(c.c);
        EXPECT_EQ(IsLetter(ch), c.letter) << int(c.c);
        EXPECT_EQ(IsDigit(ch), c.digit) << int(c.c);
        EXPECT_EQ(IsAlphaNumeric(ch), c.letter || c.digit) << int(c.c);
    }
}

TEST(RoutinesText, DigitsOnlyKeepsAsciiDigitsInOrder) {
    EXPECT_EQ(DigitsOnly("1,234,567"), "1234567");
    EXPECT_EQ(DigitsOnly("1.234.567"), "1234567");
    EXPECT_EQ(DigitsOnly("-12 a3b"), "123");
    EXPECT_EQ(DigitsOnly(""), "");
    EXPECT_EQ(DigitsOnly("no digits"), "");
    EXPECT_EQ(DigitsOnly(QString::fromUtf16(u"\u0661\u0662")), ""); // Arabic-Indic digits
    // The inverse of the formatter, which is what it is used for.
    EXPECT_EQ(DigitsOnly(FormatThousands(9876543210)), "9876543210");
}

// ---- numbers ------------------------------------------------------------------

TEST(RoutinesFormat, FormatThousandsGroupsSixtyFourBitValues) {
    const struct {
        int64_t value;
        const char* expected;
    } cases[] = {
        {0, "0"},
        {7, "7"},
        {999, "999"},
        {1000, "1,000"},
        {-1000, "-1,000"},
        {1234567, "1,234,567"},
        {-1234567, "-1,234,567"},
        {int64_t(1) << 31, "2,147,483,648"},
        {5000000000, "5,000,000,000"},
        {std::numeric_limits<int64_t>::max(), "9,223,372,036,854,775,807"},
        {std::numeric_limits<int64_t>::min(), "-9,223,372,036,854,775,808"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatThousands(c.value), c.expected) << c.value;
}

TEST(RoutinesFormat, FormatThousandsFollowsTheDefaultLocale) {
    {
        const DefaultLocale german(German());
        EXPECT_EQ(FormatThousands(1234567), "1.234.567");
        EXPECT_EQ(FormatThousands(-5000000000), "-5.000.000.000");
        EXPECT_EQ(FormatThousandsFloat(1234567.0), "1.234.567");
    }
    {
        // The C locale omits group separators by default; these texts still show them.
        const DefaultLocale c(QLocale::c());
        EXPECT_EQ(FormatThousands(1234567), "1,234,567");
        EXPECT_EQ(FormatThousandsFloat(1234567.0), "1,234,567");
    }
    EXPECT_EQ(FormatThousands(1234567), "1,234,567"); // restored
}

TEST(RoutinesFormat, FormatThousandsFloatRoundsToWholeNumbers) {
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {-0.4, "0"}, // no "-0"
        {0.5, "1"},  // halves go away from zero
        {2.5, "3"},
        {-2.5, "-3"},
        {1234.4, "1,234"},
        {1234.5, "1,235"},
        {999.5, "1,000"}, // carry into a new group
        {-1234567.0, "-1,234,567"},
        {5e9, "5,000,000,000"},
        {99999999999999.0, "99,999,999,999,999"}, // 14 digits: shown exactly
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatThousandsFloat(c.value), c.expected) << c.value;
}

TEST(RoutinesFormat, FormatThousandsFloatKeepsFourteenSignificantDigits) {
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {123456789012345.0, "123,456,789,012,350"}, // a tie at the 14th digit goes up
        {123456789012345678.0, "123,456,789,012,350,000"},
        {-123456789012345678.0, "-123,456,789,012,350,000"},
        {99999999999999.9, "100,000,000,000,000"}, // rounds up into 15 digits
        {999999999999999.0, "1,000,000,000,000,000"},
        {1e20, "100,000,000,000,000,000,000"},
        {-1.5e19, "-15,000,000,000,000,000,000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatThousandsFloat(c.value), c.expected) << c.value;

    const QString huge = FormatThousandsFloat(1e300); // no exponent form
    EXPECT_TRUE(huge.startsWith("1,000,000,")) << huge.toStdString();
    EXPECT_EQ(DigitsOnly(huge), "1" + QString(300, u'0'));
}

TEST(RoutinesFormat, FormatThousandsFloatBeyondIntegerRangeGroupsLikeTheLocale) {
    // Past 18 digits the grouping is done here; it must match the locale's own.
    const QLocale locales[] = {
        QLocale(QLocale::English, QLocale::UnitedStates), German(),
        QLocale(QLocale::Hindi, QLocale::India),    // 3 then 2 digit groups
        QLocale(QLocale::Swedish, QLocale::Sweden), // space groups, U+2212 minus
        QLocale(QLocale::Arabic, QLocale::Egypt),   // native digits
    };
    for (const QLocale& locale : locales) {
        const DefaultLocale guard(locale);
        for (const uint64_t whole : {10000000000000000000ULL, 12345678901234000000ULL}) {
            const QString expected = locale.toString(qulonglong(whole));
            EXPECT_EQ(FormatThousandsFloat(double(whole)), expected) << locale.name().toStdString();
            EXPECT_EQ(FormatThousandsFloat(-double(whole)), locale.negativeSign() + expected)
                << locale.name().toStdString();
        }
    }
}

TEST(RoutinesFormat, FormatThousandsFloatOfNonFiniteIsEmpty) {
    EXPECT_EQ(FormatThousandsFloat(kNaN), "");
    EXPECT_EQ(FormatThousandsFloat(kInf), "");
    EXPECT_EQ(FormatThousandsFloat(-kInf), "");
}

TEST(RoutinesNumbers, SafeStrToIntIsStrictAndFallsBackToZero) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    const struct {
        const char* text;
        int64_t expected;
    } cases[] = {
        {"0", 0},
        {"42", 42},
        {"007", 7},
        {"-17", -17},
        {"+5", 5},
        {" 12", 12}, // leading blanks are allowed
        {"\t 12", 12},
        {"5000000000", 5000000000},
        {"9223372036854775807", kMax},
        {"-9223372036854775808", kMin},
        {"12 ", 0}, // trailing blanks are not
        {"12abc", 0},
        {"abc", 0},
        {"", 0},
        {" ", 0},
        {"-", 0},
        {"+", 0},
        {"--5", 0},
        {"- 5", 0},
        {"1,234", 0},
        {"1.5", 0},
        {"1e3", 0},
        {"0x1F", 0},
        {"\n12", 0},
        {"9223372036854775808", 0},  // one past the top
        {"-9223372036854775809", 0}, // one past the bottom
        {"99999999999999999999", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafeStrToInt(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(SafeStrToInt(QString::fromUtf16(u"\u0661\u0662")), 0); // non-ASCII digits
}

TEST(RoutinesNumbers, SafeStrToFloatReadsPointDecimalsAndFallsBackToZero) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"0", 0},         {"1.5", 1.5},
        {"-2.25", -2.25}, {"+3", 3},
        {" 3", 3},        {".5", 0.5},
        {"1e3", 1000},    {"12345678901234567890", 12345678901234567890.0},
        {"1.5 ", 0},      {"1.5x", 0},
        {"abc", 0},       {"", 0},
        {" ", 0},         {"1,234", 0}, // group separators are refused
        {"1.2.3", 0},     {"nan", 0},
        {"inf", 0},       {"-inf", 0},
        {"1e400", 0}, // out of range
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafeStrToFloat(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(RoutinesNumbers, SafeStrToFloatAlsoReadsTheLocaleDecimalSeparator) {
    const DefaultLocale german(German());
    EXPECT_EQ(SafeStrToFloat("1,5"), 1.5);
    EXPECT_EQ(SafeStrToFloat("1.5"), 1.5); // files stay readable in every locale
    EXPECT_EQ(SafeStrToFloat("-0,25"), -0.25);
    EXPECT_EQ(SafeStrToFloat("1.234,5"), 0.0); // grouped: refused
}

// ---- dates --------------------------------------------------------------------

TEST(RoutinesDates, SafeDateTextUsesTheShortFormatAndFallsBackTo1980) {
    EXPECT_EQ(SafeDateText(EncodeDateTime(1997, 3, 12, 23, 59)), "3/12/97");
    EXPECT_EQ(SafeDateText(EncodeDateTime(2024, 12, 31)), "12/31/24");
    for (const double bad : {kNaN, kInf, -kInf, 1e12, -1e12}) {
        EXPECT_EQ(SafeDateText(bad), "1/1/80") << bad;
    }
    const DefaultLocale german(German());
    EXPECT_EQ(SafeDateText(EncodeDateTime(1997, 3, 12)), "12.03.97");
    EXPECT_EQ(SafeDateText(kNaN), "01.01.80");
}

TEST(RoutinesDates, LongDateTexts) {
    const DateTime value = EncodeDateTime(1980, 1, 1, 13, 5, 7);
    EXPECT_EQ(LongDateText(value), "Tuesday, January 1, 1980");
    // The long time format ends in the zone name, which depends on the machine.
    const QString text = LongDateTimeText(value);
    EXPECT_TRUE(text.startsWith("Tuesday, January 1, 1980 1:05:07 PM")) << text.toStdString();
    EXPECT_EQ(LongDateText(kNaN), "");
    EXPECT_EQ(LongDateTimeText(kNaN), "");
}

struct RelativeCase {
    DateTime date;
    const char* expected;
};

void ExpectRelative(DateTime now, int weekDay, const std::vector<RelativeCase>& cases) {
    ASSERT_EQ(DayOfWeek(now), weekDay) << "the fixed day is not the intended weekday";
    const test::FixedClock clock(now);
    for (const auto& c : cases) {
        int y = 0, m = 0, d = 0;
        DecodeDate(c.date, y, m, d);
        EXPECT_EQ(RelativeDateText(c.date), c.expected) << y << '-' << m << '-' << d;
    }
}

auto Day(int y, int m, int d, int hour = 12) {
    return EncodeDateTime(y, m, d, hour);
}

// Now: Wednesday 15 May 2024, 10:30. A function, not a constant: the clock's
// own tables are not ready while namespace-scope constants are initialised.
DateTime Wednesday() {
    return EncodeDateTime(2024, 5, 15, 10, 30);
}

TEST(RelativeDateText, PastDates) {
    ExpectRelative(Wednesday(), 4,
                   {
                       {Day(2024, 5, 15, 0), "Today"},
                       {EncodeDateTime(2024, 5, 15, 23, 59), "Today"}, // later today
                       {EncodeDateTime(2024, 5, 14, 23, 59), "Yesterday"},
                       {Day(2024, 5, 13), "This week"}, // Monday
                       {Day(2024, 5, 12), "This week"}, // Sunday
                       {Day(2024, 5, 11), "Last week"}, // Saturday
                       {Day(2024, 5, 7), "Last week"},  // Tuesday, 8 days back
                       {Day(2024, 5, 5), "Last week"},  // Sunday, 10 days back
                       {Day(2024, 5, 4), "2 wks ago"},  // Saturday, 11 days back
                       {Day(2024, 4, 30), "2 wks ago"}, // Tuesday, 15 days back
                       {Day(2024, 3, 1), "11 wks ago"}, // 2 months back by the calendar
                       {Day(2024, 2, 29), "3 mons ago"},
                       {Day(2023, 12, 31), "5 mons ago"},
                       {Day(2022, 1, 10), "28 mons ago"},      // two years back: still months
                       {Day(2021, 12, 1), "2 yrs 5 mons ago"}, // three calendar years back
                       {Day(2021, 4, 20), "3 yrs 1 mon ago"},
                       {Day(2021, 1, 20), "3 yrs 4 mons ago"}, // 40 months back
                       {Day(2021, 5, 20), "3 yrs ago"},
                       {Day(1980, 1, 1), "44 yrs 4 mons ago"},
                   });
}

TEST(RelativeDateText, FutureDates) {
    ExpectRelative(Wednesday(), 4,
                   {
                       {EncodeDateTime(2024, 5, 16, 0, 1), "Tomorrow"},
                       {Day(2024, 5, 17), "This week"}, // Friday
                       {Day(2024, 5, 18), "This week"}, // Saturday
                       {Day(2024, 5, 19), "Next week"}, // Sunday
                       {Day(2024, 5, 25), "Next week"}, // Saturday after
                       {Day(2024, 5, 26), "2 wks"},
                       {Day(2024, 7, 31), "11 wks"},
                       {Day(2024, 8, 1), "3 mons"},
                       {Day(2026, 12, 1), "31 mons"},
                       {Day(2027, 1, 1), "2 yrs 8 mons"},
                       {Day(2027, 6, 10), "3 yrs 1 mon"},
                       {Day(2027, 9, 1), "3 yrs 4 mons"},
                       {Day(2027, 5, 1), "3 yrs"},
                   });
}

TEST(RelativeDateText, WeekBoundariesFollowTheWeekdayOfNow) {
    // On a Saturday the week is over: two days ahead is already next week.
    ExpectRelative(EncodeDateTime(2024, 5, 18, 9), 7,
                   {
                       {Day(2024, 5, 20), "Next week"},
                       {Day(2024, 5, 25), "Next week"},
                       {Day(2024, 5, 26), "2 wks"},
                       {Day(2024, 5, 12), "This week"}, // Sunday of this week
                       {Day(2024, 5, 11), "Last week"},
                   });
    // On a Sunday the whole week lies ahead.
    ExpectRelative(EncodeDateTime(2024, 5, 19, 9), 1,
                   {
                       {Day(2024, 5, 25), "This week"},
                       {Day(2024, 5, 26), "Next week"},
                       {Day(2024, 6, 1), "Next week"},
                       {Day(2024, 6, 2), "2 wks"},
                       {Day(2024, 5, 17), "Last week"},
                   });
}

TEST(RelativeDateText, NoDateGivesEmptyText) {
    const test::FixedClock clock(Wednesday());
    EXPECT_EQ(RelativeDateText(kNoDate), "");
    EXPECT_EQ(RelativeDateText(kNaN), "");
    EXPECT_EQ(RelativeDateText(1e12), "");
}

} // namespace
} // namespace quillon
