#include "reports/RptProfit.h"

#include "data/Period.h"
#include "reports/MultFolOps.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

void ProfitRow(const QString& ending, const ProfitSums& s) {
    StartRow();
    SetValue(0, ending);
    const long long amounts[] = {s.taxableIncome,    s.deductible,    s.TaxableProfit(),
                                 s.nontaxableIncome, s.nondeductible, s.NetProfit()};
    for (int column = 1; column <= 6; ++column) SetValue(column, FormatCents(amounts[column - 1]));
}

}  // namespace

ReportResult BuildProfitReport(ReportContext& ctx, ProfitPeriod period) {
    if (!SelectReportFolders(ctx)) return ReportResult::NotRun;
    ReportWidth = 99;
    CellsPerRow = 8;
    BeginReport(ctx.LinesPerPage());
    TitleLines = {FolderTitle(QStringLiteral("Profit Report")),
                  PeriodTitle(ProfitStart(ReportFrom, period), ReportThrough)};
    ColumnStops = {QStringLiteral("L00"), QStringLiteral("R29"), QStringLiteral("R43"),
                   QStringLiteral("R57"), QStringLiteral("R71"), QStringLiteral("R85"),
                   QStringLiteral("R99")};
    SetColumnKinds({CellKind::Date, CellKind::Amount, CellKind::Amount, CellKind::Amount,
                    CellKind::Amount, CellKind::Amount, CellKind::Amount});
    HeaderRows[0] = {
        period == ProfitPeriod::Weekly ? QStringLiteral("L00Week") : QStringLiteral("L00Month"),
        QStringLiteral("R29Taxable"),
        QStringLiteral("R43Deductible"),
        QStringLiteral("R57Taxable"),
        QStringLiteral("R71Nontaxable"),
        QStringLiteral("R85Nondeductible"),
        QStringLiteral("R99Net"),
        QString()};
    HeaderRows.push_back({QStringLiteral("L00Ending"), QStringLiteral("R29Income"),
                          QStringLiteral("R43Expenses"), QStringLiteral("R57Profit"),
                          QStringLiteral("R71Income"), QStringLiteral("R85Expenses"),
                          QStringLiteral("R99Profit"), QStringLiteral("U")});

    ProfitSums totals;
    ctx.ShowProgress(true, QStringLiteral("Building Report"));
    WalkProfitPeriods(ctx, period, ReportFrom, ReportThrough,
                      [&](const QDate& end, const ProfitSums& sums) {
                          ProfitRow(ReportDate(end), sums);
                          totals.Add(sums);
                      });
    ctx.ShowProgress(false, QString());

    if (LastRow() < 0) return NoReportData();
    UnderlineLastRow();
    ProfitRow(QStringLiteral("Totals"), totals);
    MarkTotalRow();
    if (FolderSelection.size() > 1) AddIncludedFolders();
    return ShowReport(ctx);
}

ReportResult BuildWeeklyProfit(ReportContext& ctx) {
    return BuildProfitReport(ctx, ProfitPeriod::Weekly);
}

ReportResult BuildMonthlyProfit(ReportContext& ctx) {
    return BuildProfitReport(ctx, ProfitPeriod::Monthly);
}

}  // namespace kvl
