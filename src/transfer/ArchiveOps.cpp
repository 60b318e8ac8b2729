#include "transfer/ArchiveOps.h"

#include <functional>

#include "data/DbUtil.h"
#include "data/Period.h"
#include "data/Progress.h"
#include "data/dbFiles.h"

namespace kvl {

namespace {

bool InRange(const QDate& date, const QDate& from, const QDate& through) {
    return date.isValid() && date >= from && date <= through;
}

// Walks table in its selected (date) order, counting k on towards total for the bar, and marks
// each record that dateOf places in the range.
long MarkTable(DATA4* table, FIELD4* archiveField, const std::function<QDate()>& dateOf,
               bool archive, const QDate& from, const QDate& through, long& k, long total) {
    long marked = 0;
    int rc = d4top(table);
    error4exitTest(cb);
    while (rc == r4success) {
        ++k;
        SetProgress(static_cast<int>(k * 100 / total));
        if (InRange(dateOf(), from, through)) {
            AssignBool(archiveField, archive);
            ++marked;
        }
        rc = d4skip(table, 1);
        error4exitTest(cb);
    }
    return marked;
}

}  // namespace

void LastCompleteFiscalYear(const QDate& today, int fyMonth, int fyDay, QDate* from,
                            QDate* through) {
    // A settings record without a sound fiscal-year start counts the calendar year.
    if (!FiscalMonthValid(fyMonth) || !FiscalDayValid(fyMonth, fyDay)) fyMonth = fyDay = 1;
    const int start = FiscalYearStart(today, fyMonth, fyDay).year();
    *through = QDate(start, fyMonth, fyDay).addDays(-1);
    *from = QDate(start - 1, fyMonth, fyDay);
}

long ArchiveRange(bool archive, const QDate& fromDate, const QDate& throughDate) {
    const QDate from = KeyToDate(DateToKey(fromDate));
    const QDate through = KeyToDate(DateToKey(throughDate));
    OpenExpenses();
    OpenIncome();
    // Records marked deleted count here but are never visited, so the bar may end short of 100.
    const long total = d4recCountDo(dbExpenses) + d4recCountDo(dbIncome);
    ShowProgress(true, QStringLiteral("Archiving Data"));
    long k = 0;
    long marked = 0;
    if (total > 0) {
        marked += MarkTable(
            dbExpenses, fExpArchive,
            [] {
                LoadExpenseRecord();
                return ExpenseBuffer.date;
            },
            archive, from, through, k, total);
        marked += MarkTable(
            dbIncome, fIncArchive,
            [] {
                LoadIncomeRecord();
                return IncomeBuffer.date;
            },
            archive, from, through, k, total);
    }
    code4close(cb);
    error4exitTest(cb);
    ShowProgress(false, QString());
    return marked;
}

}  // namespace kvl
