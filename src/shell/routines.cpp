#include "shell/routines.h"
#include <QDate>
#include <QLocale>
#include <QTime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace quillon {

namespace {

// The program's locale, always with group separators: the default may come
// with them switched off (the C locale does), and these texts exist to show them.
QLocale GroupingLocale() {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale;
}

// Space or tab: the blanks a number may be preceded by.
bool IsLeadingBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

qsizetype SkipLeadingBlanks(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && IsLeadingBlank(text[i]))
        ++i;
    return i;
}

// Groups a string of ASCII digits too long for Qt's integer formatting, copying
// the locale's own grouping (sizes, separator, digits) from a sample it formatted.
QString GroupLongDigits(const QLocale& locale, const std::string& digits, bool negative) {
    const QString sep = locale.groupSeparator();
    const qsizetype digitWidth = locale.toString(1).size();
    const QStringList groups =
        locale.toString(qlonglong(111111111111111111LL)).split(sep, Qt::SkipEmptyParts);
    qsizetype primary = 0, secondary = 0;
    if (groups.size() >= 3 && !sep.isEmpty()) {
        primary = groups.last().size() / digitWidth;
        secondary = groups[groups.size() - 2].size() / digitWidth;
    }
    QString out;
    qsizetype next = primary; // digits left until the next separator, from the right
    for (qsizetype i = qsizetype(digits.size()) - 1; i >= 0; --i) {
        out.prepend(locale.toString(digits[size_t(i)] - '0'));
        if (primary > 0 && --next == 0 && i > 0) {
            out.prepend(sep);
            next = secondary;
        }
    }
    return negative ? locale.negativeSign() + out : out;
}

} // namespace

bool IsBlankText(const QString& text) {
    for (const QChar c : text) {
        if (c != u' ' && c != u'\r' && c != u'\n' && c != u'\b') return false;
    }
    return true;
}

bool IsLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool IsAlphaNumeric(QChar c) {
    return IsLetter(c) || IsDigit(c);
}

QString DigitsOnly(const QString& text) {
    QString digits;
    for (const QChar c : text) {
        if (IsDigit(c)) digits += c;
    }
    return digits;
}

QString FormatThousands(int64_t value) {
    return GroupingLocale().toString(qlonglong(value));
}

// Rounded to 14 significant digits first, then to a whole number, halves away
// from zero both times, so a value of 1e14 and more keeps only its 14 leading
// digits and shows zeros after them: 123456789012345678 -> 123,456,789,012,350,000.
// No exponent form: these are byte totals read in a column of plain numbers.
QString FormatThousandsFloat(double value) {
    if (!std::isfinite(value)) return {};
    // "d.ddd...e+XX" with far more digits than a double carries, so the digit
    // after the 14th tells the rounding without printf's own (half-even) rounding.
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.80e", std::fabs(value));
    std::string all;
    const char* p = buffer;
    for (; *p != 'e'; ++p) {
        if (*p != '.') all += *p;
    }
    int exponent = std::atoi(p + 1);

    const auto roundUp = [](std::string& digits) { // false when it carried out of the top
        size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9')
            digits[--i] = '0';
        if (i == 0) {
            digits.insert(digits.begin(), '1');
            return false;
        }
        ++digits[i - 1];
        return true;
    };

    std::string mantissa = all.substr(0, 14);
    if (all[14] >= '5' && !roundUp(mantissa)) {
        mantissa.pop_back();
        ++exponent;
    }

    std::string digits; // the whole part, most significant first
    if (exponent >= 0) {
        const size_t wholeDigits = size_t(exponent) + 1;
        if (wholeDigits >= mantissa.size()) {
            digits = mantissa + std::string(wholeDigits - mantissa.size(), '0');
        } else {
            digits = mantissa.substr(0, wholeDigits);
            if (mantissa[wholeDigits] >= '5') roundUp(digits);
        }
    } else {
        digits = exponent == -1 && mantissa[0] >= '5' ? "1" : "0";
    }

    const bool negative = value < 0 && digits != "0";
    const QLocale locale = GroupingLocale();
    if (digits.size() <= 18) {
        const qlonglong whole = std::stoll(digits);
        return locale.toString(negative ? -whole : whole);
    }
    return GroupLongDigits(locale, digits, negative);
}

// Strict, like a plain string-to-integer conversion: blanks (space, tab) may
// lead, then an optional sign and decimal digits up to the end of the text.
// Anything else, trailing blanks included, or a value outside 64 bits gives 0.
int64_t SafeStrToInt(const QString& text) {
    qsizetype i = SkipLeadingBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size()) return 0;
    const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return 0;
        const unsigned digit = text[i].unicode() - u'0';
        if (magnitude > (limit - digit) / 10) return 0;
        magnitude = magnitude * 10 + digit;
    }
    return negative ? int64_t(0 - magnitude) : int64_t(magnitude);
}

// Same leading-blank rule as SafeStrToInt. The text is read with '.' as the
// decimal point first, so numbers from files read the same in every locale;
// failing that, with the default locale's decimal separator, so a number typed
// the user's way ("1,5" in German) reads too. Group separators are refused in
// both: "1,234" is not a number. NaN and infinities are not valid numbers.
double SafeStrToFloat(const QString& text) {
    const QString number = text.mid(SkipLeadingBlanks(text));
    if (number.isEmpty() || number.back().isSpace() || number.front().isSpace()) return 0;
    for (QLocale locale : {QLocale::c(), QLocale()}) {
        locale.setNumberOptions(QLocale::RejectGroupSeparator);
        bool ok = false;
        const double value = locale.toDouble(number, &ok);
        if (ok) return std::isfinite(value) ? value : 0;
    }
    return 0;
}

QString SafeDateText(DateTime date) {
    const QLocale locale;
    const QDate day = ToQDateTime(date).date();
    QString text = day.isValid() ? locale.toString(day, QLocale::ShortFormat) : QString();
    if (text.isEmpty()) text = locale.toString(QDate(1980, 1, 1), QLocale::ShortFormat);
    return text;
}

QString RelativeDateText(DateTime date) {
    if (date == kNoDate) return {};
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    if (year == 0) return {};
    const DateTime now = Now();
    int nowYear = 0, nowMonth = 0, nowDay = 0;
    DecodeDate(now, nowYear, nowMonth, nowDay);

    const int64_t today = DayNumber(now);
    const int64_t thatDay = DayNumber(date);
    const bool future = today < thatDay;
    const int64_t days = future ? thatDay - today : today - thatDay;
    if (days == 0) return QStringLiteral("Today");
    if (days == 1) return future ? QStringLiteral("Tomorrow") : QStringLiteral("Yesterday");

    const auto monthsText = [](int64_t count) {
        return QString::number(count) +
               (count > 1 ? QStringLiteral(" mons") : QStringLiteral(" mon"));
    };

    if (!future) {
        const int64_t weeks = (days + DayOfWeek(date) - 1) / 7;
        const int64_t months = (int64_t(nowYear) * 12 + nowMonth) - (int64_t(year) * 12 + month);
        const int64_t years = nowYear - year;
        if (weeks == 0) return QStringLiteral("This week");
        if (weeks == 1) return QStringLiteral("Last week");
        if (months < 3) return QString::number(weeks) + QStringLiteral(" wks ago");
        if (years <= 2) return monthsText(months) + QStringLiteral(" ago");
        QString text = QString::number(months / 12) + QStringLiteral(" yrs ");
        if (months % 12 > 0) text += monthsText(months % 12) + u' ';
        return text + QStringLiteral("ago");
    }

    const int nowWeekDay = DayOfWeek(now);
    const int64_t weeks = (days + nowWeekDay - 1) / 7;
    const int64_t months = (int64_t(year) * 12 + month) - (int64_t(nowYear) * 12 + nowMonth);
    const int64_t years = year - nowYear;
    if (7 - nowWeekDay >= days) return QStringLiteral("This week");
    if (weeks < 2) return QStringLiteral("Next week");
    if (months < 3) return QString::number(weeks) + QStringLiteral(" wks");
    if (years <= 2) return monthsText(months);
    QString text = QString::number(months / 12) + QStringLiteral(" yrs");
    if (months % 12 > 0) text += u' ' + monthsText(months % 12);
    return text;
}

// The time goes through the QDateTime so that a zone name in the long time
// format is the one in force on that date (summer or winter time).
QString LongDateTimeText(DateTime value) {
    const QDateTime moment = ToQDateTime(value);
    if (!moment.isValid()) return {};
    const QLocale locale;
    return locale.toString(moment.date(), QLocale::LongFormat) + u' ' +
           locale.toString(moment, locale.timeFormat(QLocale::LongFormat));
}

QString LongDateText(DateTime value) {
    const QDate day = ToQDateTime(value).date();
    if (!day.isValid()) return {};
    return QLocale().toString(day, QLocale::LongFormat);
}

} // namespace quillon
