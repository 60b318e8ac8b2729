// Today's date, the time of day and the regional settings, from one place each so tests can set
// them. The C/POSIX locale counts as US English.
#pragma once

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace kvl {

QDate Today();
QDateTime Now();
// Fixes "today" (and the time, at noon of that day unless given). An invalid date returns to the
// system clock.
void SetToday(const QDate& date);
void SetNow(const QDateTime& now);

struct Regional {
    QString shortDateFormat;  // Qt date format, e.g. "M/d/yy"
    QChar dateSeparator;
    QChar decimalPoint;
    QChar thousandsSeparator;
    QLocale locale;
};

const Regional& RegionalSettings();
// Takes the settings of locale (the C locale counts as en_US).
void SetRegional(const QLocale& locale);

}  // namespace kvl
