#include "reports/RptSummary.h"

#include <cstring>
#include <string>

#include "data/DbUtil.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "reports/CellText.h"
#include "reports/MultFolOps.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

// What tells the two summaries apart.
struct Summary {
    DATA4* accounts;
    TAG4* accountTag;
    FIELD4* accountNo;
    FIELD4* accountDesc;
    FIELD4* taxFlag;
    DATA4* records;
    TAG4* recordTag;  // account number, then date
    FIELD4* recordAccount;
    FIELD4* recordDate;
    FIELD4* recordFolder;
    FIELD4* recordAmount;
    const char* title;
    const char* flagged;    // the section of the accounts whose flag is set
    const char* unflagged;  // and of the others
};

struct Totals {
    long long period = 0;  // cents
    long long prior = 0;
};

// Columns 2 to 4 of a row: the period, the prior and their sum.
void SetAmounts(const Totals& t) {
    SetValue(2, FormatCents(t.period));
    SetValue(3, FormatCents(t.prior));
    SetValue(4, FormatCents(t.period + t.prior));
}

// The period and prior totals of one account's records in the selected folders. The records of
// an account lie in date order on the tag, so the walk starts at the fiscal-year start and ends
// with the account; records after Through are read and ignored.
Totals SumAccount(const Summary& s, int account, const std::string& start, const std::string& from,
                  const std::string& through) {
    Totals t;
    const QString key = PadNumber(account, 4) + QString::fromStdString(start);
    for (int rc = SeekText(s.records, key);
         rc >= 0 && rc != r4eof && f4int(s.recordAccount) == account; rc = d4skip(s.records, 1)) {
        if (FolderSelected(f4int(s.recordFolder)) < 0) continue;
        // Stored dates are CCYYMMDD and order as the days do; a date that names no day counts
        // nowhere, as date 0 would.
        const char* date = f4str(s.recordDate);
        if (std::memcmp(date, start.data(), 8) < 0 || std::memcmp(date, through.data(), 8) > 0 ||
            !CellText::isDay(date))
            continue;
        double amount = 0;
        f4double2(s.recordAmount, &amount);
        (std::memcmp(date, from.data(), 8) < 0 ? t.prior : t.period) += ToCents(amount);
    }
    return t;
}

ReportResult BuildSummary(ReportContext& ctx, const Summary& s) {
    if (!SelectReportFolders(ctx)) return ReportResult::NotRun;
    W = 76;
    N = 6;
    BeginReport(ctx.LinesPerPage());
    TitleLines = {FolderTitle(QString::fromLatin1(s.title)),
                  PeriodTitle(ReportFrom, ReportThrough)};
    ColumnStops = {QStringLiteral("R05"), QStringLiteral("L07"), QStringLiteral("R50"),
                   QStringLiteral("R63"), QStringLiteral("R76")};
    HeaderRows[0] = {QString(),
                     QString(),
                     QStringLiteral("R50Period"),
                     QStringLiteral("R63Prior"),
                     QStringLiteral("R76Year"),
                     QString()};
    HeaderRows.push_back({QStringLiteral("R05Acnt."), QStringLiteral("L07Account Name"),
                          QStringLiteral("R50Totals"), QStringLiteral("R63Totals"),
                          QStringLiteral("R76To Date"), QStringLiteral("U")});
    const QDate fyStart = FiscalYearStart(ReportFrom);
    const std::string start = DateToKey(fyStart).toStdString();
    const std::string from = DateToKey(ReportFrom).toStdString();
    const std::string through = DateToKey(ReportThrough).toStdString();
    SectionLine = QString::fromLatin1(s.flagged);

    d4tagSelect(s.records, s.recordTag);
    d4tagSelect(s.accounts, s.accountTag);
    ctx.ShowProgress(true, QStringLiteral("Building Report"));
    const long progressTotal = 2 * d4recCountDo(s.accounts);
    long walked = 0;
    int shown = -1;
    Totals grand;
    for (const bool flagged : {true, false}) {
        Totals section;
        for (int rc = d4top(s.accounts); rc == r4success; rc = d4skip(s.accounts, 1)) {
            Totals account;
            if ((f4true(s.taxFlag) != 0) == flagged) {
                const int number = f4int(s.accountNo);
                account = SumAccount(s, number, start, from, through);
                if (account.period != 0 || account.prior != 0) {
                    StartRow();
                    SetValue(0, QString::number(number));
                    SetValue(1, FieldText(s.accountDesc));
                    SetAmounts(account);
                }
            }
            section.period += account.period;
            section.prior += account.prior;
            ++walked;
            const int position =
                progressTotal > 0 ? static_cast<int>(walked * 100 / progressTotal) : 0;
            if (position != shown) ctx.SetProgress(shown = position);
        }
        if (LastRow() >= 0) {
            UnderlineLastRow();
            StartRow();
            SetValue(1, QStringLiteral("Total ") + SectionLine);
            SetAmounts(section);
        }
        grand.period += section.period;
        grand.prior += section.prior;
        if (flagged) {
            SectionLine = QString::fromLatin1(s.unflagged);
            if (LastRow() >= 0) OpenSectionOnPage();
        }
    }
    SectionLine.clear();
    ctx.ShowProgress(false, QString());

    if (LastRow() < 0) return NoReportData();
    UnderlineLastRow();
    NewLine();
    StartRow();
    SetValue(1, QStringLiteral("GRAND TOTAL"));
    SetAmounts(grand);
    if (FolderSelection.size() > 1) AddIncludedFolders();
    return ShowReport(ctx);
}

}  // namespace

ReportResult BuildExpenseSummary(ReportContext& ctx) {
    return BuildSummary(
        ctx, {dbExpenseAccounts, tagAcc, fAccNo, fAcDesc, fAcDed, dbExpenses, tagEAcc, fExpAccNo,
              fExpDate, fExpFolNo, fAmount, "Expense Summary Report", "Deductible Expenses",
              "Non-Deductible Expenses"});
}

ReportResult BuildIncomeSummary(ReportContext& ctx) {
    return BuildSummary(ctx, {dbIncomeAccounts, tagAccI, fIAccNo, fIAcDesc, fIAcDed, dbIncome,
                              tagIncAcc, fIncAcc, fIncDate, fIncFolNo, fIncAmt,
                              "Income Summary Report", "Taxable Income", "Non-Taxable Income"});
}

}  // namespace kvl
