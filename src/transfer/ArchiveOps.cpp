#include "transfer/ArchiveOps.h"

#include <functional>
#include <vector>

#include "data/DbUtil.h"
#include "data/Messages.h"
#include "data/Period.h"
#include "data/Progress.h"
#include "data/StagedChange.h"
#include "data/dbFiles.h"

namespace kvl {

namespace {

bool InRange(const QDate& date, const QDate& from, const QDate& through) {
    return date.isValid() && date >= from && date <= through;
}

// The records of one table that the change must write: those of the range whose mark differs.
// The handles are the program's own variables, which the staged change points at the copy.
struct Marks {
    DATA4*& table;
    FIELD4*& field;
    std::vector<long> toWrite;
};

// Walks the table in its selected (date) order, counting k on towards total for the bar, and
// notes each record that dateOf places in the range. Returns the number in the range.
long Walk(Marks& marks, const std::function<QDate()>& dateOf, bool archive, const QDate& from,
          const QDate& through, long& k, long total) {
    long inRange = 0;
    int rc = d4top(marks.table);
    error4exitTest(cb);
    while (rc == r4success) {
        ++k;
        SetProgress(static_cast<int>(k * 100 / total));
        if (InRange(dateOf(), from, through)) {
            ++inRange;
            // A mark that already holds the letter would be rewritten with the same byte.
            if (f4view(marks.field) != (archive ? "T" : "F"))
                marks.toWrite.push_back(d4recNo(marks.table));
        }
        rc = d4skip(marks.table, 1);
        error4exitTest(cb);
    }
    return inRange;
}

bool Write(const Marks& marks, bool archive) {
    for (long record : marks.toWrite) {
        if (d4go(marks.table, record) != r4success) return false;
        AssignBool(marks.field, archive);
    }
    return true;
}

}  // namespace

void LastCompleteFiscalYear(const QDate& today, int fyMonth, int fyDay, QDate* from,
                            QDate* through) {
    *through = FiscalYearStart(today, fyMonth, fyDay).addDays(-1);
    *from = FiscalYearStart(*through, fyMonth, fyDay);
}

ChangeResult ArchiveRange(bool archive, const QDate& fromDate, const QDate& throughDate,
                          long* marked) {
    const QDate from = KeyToDate(DateToKey(fromDate));
    const QDate through = KeyToDate(DateToKey(throughDate));
    OpenExpenses();
    OpenIncome();
    // Records marked deleted count here but are never visited, so the bar may end short of 100.
    const long total = d4recCountDo(dbExpenses) + d4recCountDo(dbIncome);
    ShowProgress(true, QStringLiteral("Archiving Data"));
    long k = 0;
    long inRange = 0;
    Marks expenses{dbExpenses, fExpArchive, {}};
    Marks income{dbIncome, fIncArchive, {}};
    if (total > 0) {
        inRange += Walk(
            expenses,
            [] {
                LoadExpenseRecord();
                return ExpenseBuffer.date;
            },
            archive, from, through, k, total);
        inRange += Walk(
            income,
            [] {
                LoadIncomeRecord();
                return IncomeBuffer.date;
            },
            archive, from, through, k, total);
    }
    std::vector<StagedTable> tables;
    if (!expenses.toWrite.empty()) tables.push_back(StagedTable::Expenses);
    if (!income.toWrite.empty()) tables.push_back(StagedTable::Income);
    QString failure;
    const bool done =
        tables.empty() ||
        ChangeStaged(
            tables, [&] { return Write(expenses, archive) && Write(income, archive); }, &failure);
    code4close(cb);
    error4exitTest(cb);
    ShowProgress(false, QString());
    if (!done) {
        ShowMessage(MsgKind::Warning,
                    QStringLiteral("The records could not be %1: %2\r\nNo records were changed.")
                        .arg(archive ? QStringLiteral("archived") : QStringLiteral("de-archived"),
                             failure));
        return ChangeResult::Failed;
    }
    if (marked) *marked = inRange;
    return ChangeResult::Done;
}

}  // namespace kvl
