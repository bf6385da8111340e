#include "finders/daterange.h"
#include <QLocale>

namespace quillon {

QString DateRangeTitle(DateWhat what, DateWhen when, const QString& start, const QString& end) {
    const char* whatText = what == DateWhat::Accessed  ? "Last accessed"
                           : what == DateWhat::Created ? "Created"
                                                       : "Modified";
    QString range;
    switch (when) {
    case DateWhen::OnOrBefore: range = "before " + start; break;
    case DateWhen::Between: range = "between " + start + " and " + end; break;
    case DateWhen::OnOrAfter: range = "after " + start; break;
    }
    return QString("Files ") + whatText + " " + range;
}

QString DateEditFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains("yyyy")) format.replace("yy", "yyyy");
    return format;
}

} // namespace quillon
