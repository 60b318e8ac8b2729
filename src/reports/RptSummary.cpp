#include "reports/RptSummary.h"

#include "data/Period.h"
#include "reports/AccountSums.h"
#include "reports/MultFolOps.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

// What tells the two summaries apart.
struct Summary {
    char chart;  // 'E' or 'I'
    const char* title;
    const char* flagged;    // the section of the accounts whose flag is set
    const char* unflagged;  // and of the others
};

// Columns 2 to 4 of a row: the period, the prior and their sum.
void SetAmounts(const AccountTotals& t) {
    SetValue(2, FormatCents(t.period));
    SetValue(3, FormatCents(t.prior));
    SetValue(4, FormatCents(t.period + t.prior));
}

ReportResult BuildSummary(ReportContext& ctx, const Summary& s) {
    if (!SelectReportFolders(ctx)) return ReportResult::NotRun;
    ReportWidth = 76;
    CellsPerRow = 6;
    BeginReport(ctx.LinesPerPage());
    TitleLines = {FolderTitle(QString::fromLatin1(s.title)),
                  PeriodTitle(ReportFrom, ReportThrough)};
    ColumnStops = {QStringLiteral("R05"), QStringLiteral("L07"), QStringLiteral("R50"),
                   QStringLiteral("R63"), QStringLiteral("R76")};
    SetColumnKinds(
        {CellKind::Number, CellKind::Text, CellKind::Amount, CellKind::Amount, CellKind::Amount});
    HeaderRows[0] = {QString(),
                     QString(),
                     QStringLiteral("R50Period"),
                     QStringLiteral("R63Prior"),
                     QStringLiteral("R76Year"),
                     QString()};
    HeaderRows.push_back({QStringLiteral("R05Acnt."), QStringLiteral("L07Account Name"),
                          QStringLiteral("R50Totals"), QStringLiteral("R63Totals"),
                          QStringLiteral("R76To Date"), QStringLiteral("U")});
    SectionLine = QString::fromLatin1(s.flagged);

    ctx.ShowProgress(true, QStringLiteral("Building Report"));
    AccountSumWalk walk(ctx, s.chart);
    AccountTotals grand;
    for (const bool flagged : {true, false}) {
        AccountTotals section;
        walk.Pass(flagged, [&](int number, const QString& description, const AccountTotals& t) {
            if (t.period != 0 || t.prior != 0) {
                StartRow();
                SetValue(0, QString::number(number));
                SetValue(1, description);
                SetAmounts(t);
            }
            section.Add(t);
        });
        if (LastRow() >= 0) {
            UnderlineLastRow();
            StartRow();
            SetValue(1, QStringLiteral("Total ") + SectionLine);
            SetAmounts(section);
            MarkTotalRow();
        }
        grand.Add(section);
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
    MarkTotalRow();
    if (FolderSelection.size() > 1) AddIncludedFolders();
    return ShowReport(ctx);
}

}  // namespace

ReportResult BuildExpenseSummary(ReportContext& ctx) {
    return BuildSummary(
        ctx, {'E', "Expense Summary Report", "Deductible Expenses", "Non-Deductible Expenses"});
}

ReportResult BuildIncomeSummary(ReportContext& ctx) {
    return BuildSummary(ctx,
                        {'I', "Income Summary Report", "Taxable Income", "Non-Taxable Income"});
}

}  // namespace kvl
