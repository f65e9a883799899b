#pragma once

#include <QDateTime>
#include <QString>

namespace DateFormat {

// The date that stands for "unknown": earlier than any date a file system gives.
// It is a valid QDateTime, so it can be compared and stored like any other.
[[nodiscard]] QDateTime distantPast();

// "yyyy-MM-dd HH:mm" in local time, or "—" for the distant past and anything before.
[[nodiscard]] QString string(const QDateTime &date);

} // namespace DateFormat
