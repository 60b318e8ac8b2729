#include "data/Period.h"

namespace kvl {

QDate ReportFrom;
QDate ReportThrough;

int MonthLength(int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return kDays[month - 1];
}

void CurrentMonthPeriod(const QDate& today, QDate* from, QDate* through) {
    *from = QDate(today.year(), today.month(), 1);
    *through = QDate(today.year(), today.month(), today.daysInMonth());
}

bool FiscalMonthValid(int month) {
    return month >= 1 && month <= 12;
}

bool FiscalDayValid(int month, int day) {
    return day >= 1 && day <= MonthLength(month);
}

QDate FiscalYearStart(const QDate& date, int fyMonth, int fyDay) {
    if (!FiscalMonthValid(fyMonth) || !FiscalDayValid(fyMonth, fyDay)) fyMonth = fyDay = 1;
    int year = date.year();
    if (date.month() < fyMonth || (date.month() == fyMonth && date.day() < fyDay)) --year;
    return QDate(year, fyMonth, fyDay);
}

}  // namespace kvl
