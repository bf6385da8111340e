#pragma once
// The test of the files-by-date finder: which of a file's three times it looks
// at, and how that time compares with the chosen days. No widgets.
#include "platform/clock.h"
#include "platform/filefacts.h"
#include <QString>
#include <cstdint>

namespace quillon {

// "Search for files that were": the items of rgWhat, in order.
enum class DateWhat { Accessed, Created, Modified };
// The items of rgWhen, in order.
enum class DateWhen { OnOrBefore, Between, OnOrAfter };

inline DateTime ChosenTime(const FileFacts& facts, DateWhat what) {
    switch (what) {
    case DateWhat::Accessed: return facts.accessed;
    case DateWhat::Created: return facts.created;
    case DateWhat::Modified: return facts.modified;
    }
    return kNoDate;
}

// Whole days: the time of day plays no part, and both ends are inside.
class DateRange {
public:
    // `end` is used only for Between.
  DateRange(DateWhen when, DateTime start, DateTime end)
      : when_(when), startDay_(DayNumber(start)), endDay_(DayNumber(end)) {}

  // A time the file system did not record (kNoDate, as a missing birth
  // time) has no date: it passes "On or Before" only.
  bool accepts(DateTime time) const {
      if (time == kNoDate) return when_ == DateWhen::OnOrBefore;
      const int64_t day = DayNumber(time);
      switch (when_) {
      case DateWhen::OnOrBefore:
          return day <= startDay_;
      case DateWhen::Between:
          return startDay_ <= day && day <= endDay_;
      case DateWhen::OnOrAfter:
          return day >= startDay_;
      }
      return false;
    }

  private:
    DateWhen when_;
    int64_t startDay_;
    int64_t endDay_;
};

// The print title: "Files Modified between 1/1/1997 and 3/31/1997".
QString DateRangeTitle(DateWhat what, DateWhen when, const QString& start, const QString& end);

// The locale's short date format for a date edit, with the year in four
// digits (a two-digit year cannot name a date before 1950 or after 2049).
QString DateEditFormat();

} // namespace quillon
