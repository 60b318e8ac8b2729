// The report period and the fiscal year: what the reports, the archive and kvl-cli compute from the
// period the user set and the fiscal-year start kept in the settings record.
//
// ReportFrom and ReportThrough are what the report date fields last read as dates; nothing
// requires From not to be after Through. They last for the run. The fiscal-year start
// (Settings.fyMonth, Settings.fyDay) is kept within MonthLength, in which February has 28 days.
#pragma once

#include <QDate>

namespace kvl {

extern QDate ReportFrom;
extern QDate ReportThrough;

// Days of months 1 to 12; February has 28 in every year. 0 for any other month.
int MonthLength(int month);

// The first and last day of today's month.
void CurrentMonthPeriod(const QDate& today, QDate* from, QDate* through);

// A fiscal-year start: month 1 to 12 and a day within MonthLength of that month.
bool FiscalMonthValid(int month);
bool FiscalDayValid(int month, int day);

// The latest fiscal-year start (month fyMonth, day fyDay) on or before date. A start that is not a
// month and a day within MonthLength (a settings record left blank or damaged) counts as
// 1 January: the calendar year, never an invalid date.
QDate FiscalYearStart(const QDate& date, int fyMonth, int fyDay);

}  // namespace kvl
