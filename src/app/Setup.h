// The settings that last for the run and feed the reports: the report period, the report font and
// the current printer, with the rules the setup tabs apply to them.
//
// ReportFrom and ReportThrough are what the report date fields last read as dates; nothing
// requires From not to be after Through. The fiscal-year start lives in the settings record
// (Settings.fyMonth, Settings.fyDay) and is kept within MonthLength. CurrentPrinter() is Qt's
// default printer until the user picks another in the printer dialog; without any printer it is a
// printer with no name, and PrinterDisplay() is then empty.
#pragma once

#include <QDate>
#include <QFont>
#include <QString>

class QPrinter;

namespace kvl {

extern QDate ReportFrom;
extern QDate ReportThrough;
extern QFont ReportFont;

// Days of months 1 to 12; February has 28 in every year. 0 for any other month.
int MonthLength(int month);

// The first and last day of today's month.
void CurrentMonthPeriod(const QDate& today, QDate* from, QDate* through);

// The font as the setup tab shows it: its name, "@" and its size in points.
QString FontDisplay(const QFont& font);

QPrinter& CurrentPrinter();
bool PrinterInstalled();
// The current printer's name and "-Landscape" or "-Portrait"; empty when no printer is current.
QString PrinterDisplay();

}  // namespace kvl
