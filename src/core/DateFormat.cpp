#include "core/DateFormat.h"

#include <QTimeZone>

namespace DateFormat {

QDateTime distantPast()
{
    static const QDateTime date(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc());
    return date;
}

QString string(const QDateTime &date)
{
    if (!date.isValid() || date <= distantPast())
        return QStringLiteral("—");
    return date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace DateFormat
