#include "reports/RptLedger.h"

#include <cstring>

#include "data/DbUtil.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "reports/MultFolOps.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

// One table walked in date order: income (credits) or expenses (debits).
struct LedgerTable {
    LedgerTable(DATA4* table, FIELD4* date, FIELD4* folder, FIELD4* amount, FIELD4* text)
        : table(table), date(date), folder(folder), amount(amount), text(text) {}

    DATA4* table;
    FIELD4* date;
    FIELD4* folder;
    FIELD4* amount;
    FIELD4* text;  // the description or the payee
    int rc = r4eof;
    QDate next;  // the current record's date; Through + 1 past the end

    bool AtEnd() const { return rc != r4success; }
    bool Selected() const { return FolderSelected(f4int(folder)) >= 0; }
    long long Cents() const {
        double value = 0;
        (void)f4double2(amount, &value);  // no number reads as 0, as a blank amount does
        return ToCents(value);
    }
    void Skip(ProgressSteps& walked) {
        rc = d4skip(table, 1);
        walked.step();
    }
    void TakeNextDate() { next = AtEnd() ? ReportThrough.addDays(1) : KeyToDate(f4str(date)); }

    // Sums the records dated before From (compared as stored text) into prior years and the
    // fiscal year, then passes the records of unselected folders up to the first selected one.
    void SumBeforePeriod(const QByteArray& fromKey, const QByteArray& fyStartKey, long long* prior,
                         long long* year, ProgressSteps& walked) {
        for (rc = d4top(table); !AtEnd();) {
            const char* key = f4str(date);
            if (std::strncmp(key, fromKey.constData(), 8) >= 0) break;
            const bool inYear = std::strncmp(key, fyStartKey.constData(), 8) >= 0;
            if (Selected()) *(inYear ? year : prior) += Cents();
            Skip(walked);
        }
        while (!AtEnd() && !Selected()) Skip(walked);
        TakeNextDate();
    }
};

void LedgerRow(const QDate& date, const QString& description, long long credit, long long debit,
               long long balance) {
    StartRow();
    SetValue(0, ReportDate(date));
    SetValue(1, description);
    if (credit != 0) SetValue(2, FormatCents(credit));
    if (debit != 0) SetValue(3, FormatCents(debit));
    SetValue(4, FormatCents(balance));
}

}  // namespace

ReportResult BuildGeneralLedger(ReportContext& ctx) {
    if (!SelectReportFolders(ctx)) return ReportResult::NotRun;
    ReportWidth = 73;
    CellsPerRow = 6;
    BeginReport(ctx.LinesPerPage());
    TitleLines = {FolderTitle(QStringLiteral("General Ledger")),
                  PeriodTitle(ReportFrom, ReportThrough)};
    ColumnStops = {QStringLiteral("L00"), QStringLiteral("L10"), QStringLiteral("R50"),
                   QStringLiteral("R61"), QStringLiteral("R73")};
    SetColumnKinds(
        {CellKind::Date, CellKind::Text, CellKind::Amount, CellKind::Amount, CellKind::Amount});
    HeaderRows[0] = {QStringLiteral("L00Date"),    QStringLiteral("L10Description"),
                     QStringLiteral("R50Credit"),  QStringLiteral("R61Debit"),
                     QStringLiteral("R73Balance"), QStringLiteral("U")};
    const QByteArray fromKey = DateToKey(ReportFrom).toLatin1();
    const QByteArray fyStartKey = DateToKey(FiscalYearStart(ReportFrom)).toLatin1();

    d4tagSelect(dbIncome, tagIncDate);
    d4tagSelect(dbExpenses, tagEDate);
    ProgressSteps walked(ctx, d4recCountDo(dbIncome) + d4recCountDo(dbExpenses), false);
    ctx.ShowProgress(true, QStringLiteral("Building Report"));

    LedgerTable income{dbIncome, fIncDate, fIncFolNo, fIncAmt, fIncDesc};
    LedgerTable expenses{dbExpenses, fExpDate, fExpFolNo, fAmount, fPayTo};
    long long priorIncome = 0, priorExpense = 0, yearIncome = 0, yearExpense = 0;
    income.SumBeforePeriod(fromKey, fyStartKey, &priorIncome, &yearIncome, walked);
    expenses.SumBeforePeriod(fromKey, fyStartKey, &priorExpense, &yearExpense, walked);

    long long balance = priorIncome - priorExpense;
    LedgerRow(QDate(), QStringLiteral("Prior Year Totals"), priorIncome, priorExpense, balance);
    MarkTotalRow();
    balance += yearIncome - yearExpense;
    LedgerRow(QDate(), QStringLiteral("Fiscal YTD Totals"), yearIncome, yearExpense, balance);
    MarkTotalRow();
    UnderlineLastRow();
    yearIncome += priorIncome;
    yearExpense += priorExpense;

    // Income first on a shared date: an expense is taken only while it is strictly earlier.
    while (expenses.next <= ReportThrough || income.next <= ReportThrough) {
        const bool debit = income.next > expenses.next;
        LedgerTable& table = debit ? expenses : income;
        if (table.Selected()) {
            const long long cents = table.Cents();
            balance += debit ? -cents : cents;
            (debit ? yearExpense : yearIncome) += cents;
            LedgerRow(table.next, FieldText(table.text), debit ? 0 : cents, debit ? cents : 0,
                      balance);
        }
        table.Skip(walked);
        table.TakeNextDate();
    }
    ctx.ShowProgress(false, QString());

    UnderlineLastRow();
    LedgerRow(QDate(), QStringLiteral("Fiscal YTD Totals"), yearIncome, yearExpense, balance);
    MarkTotalRow();
    if (FolderSelection.size() > 1) AddIncludedFolders();
    return ShowReport(ctx);
}

}  // namespace kvl
