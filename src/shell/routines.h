#pragma once
// Small free routines every window uses: path joining, text tests, number and
// date formatting, guarded conversions. None of them raises an error.
#include "platform/clock.h"
#include "platform/paths.h"
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

// Empty, or only blanks (32), CR, LF and backspace (8). A tab is not blank.
bool IsBlankText(const QString& text);

bool IsLetter(QChar c); // ASCII A-Z, a-z only
bool IsDigit(QChar c);  // 0-9
bool IsAlphaNumeric(QChar c);
// The digits of a text, in order ("1,234,567" -> "1234567").
QString DigitsOnly(const QString& text);

// 1234567 -> "1,234,567" with the locale's group separator, no decimals.
QString FormatThousands(int64_t value);
// The same look for doubles (drive-sized totals); empty when it cannot be formatted.
QString FormatThousandsFloat(double value);

// Decimal value, or 0 when the text is not a valid integer.
int64_t SafeStrToInt(const QString& text);
// Value, or 0 when the text is not a valid number.
double SafeStrToFloat(const QString& text);

// The locale's short date; 1 January 1980 in the same format when the date
// cannot be shown.
QString SafeDateText(DateTime date);
// "Today", "Yesterday", "Last week", "5 wks ago", "7 mons ago", "3 yrs 2 mons ago",
// "Tomorrow", "Next week", ... measured from Now(). Empty for kNoDate.
QString RelativeDateText(DateTime date);

// The locale's long date, then its long time ("dddddd tt").
QString LongDateTimeText(DateTime value);
// The locale's long date.
QString LongDateText(DateTime value);

} // namespace quillon
