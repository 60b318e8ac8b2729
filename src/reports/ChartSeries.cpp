#include "reports/ChartSeries.h"

#include "data/Messages.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "reports/AccountSums.h"
#include "reports/MultFolOps.h"
#include "reports/ProfitSums.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

using T = ReportTable;

void SumMonths(ReportContext& ctx, ChartData* data) {
    WalkProfitPeriods(ctx, ProfitPeriod::Monthly, ReportFrom, ReportThrough,
                      [&](const QDate& end, const ProfitSums& sums) {
                          data->months.push_back({end, sums.Income(), sums.Expenses(),
                                                  sums.TaxableProfit(), sums.NetProfit()});
                      });
}

// The period column of the summary of the chart ('E' or 'I'): its accounts of both sections.
void SumAccounts(ReportContext& ctx, char chart, ChartData* data) {
    AccountSumWalk walk(ctx, chart);
    for (const bool flagged : {true, false})
        walk.Pass(flagged, [&](int account, const QString& description, const AccountTotals& t) {
            if (t.period != 0) data->bars.push_back({account, description.trimmed(), t.period});
        });
    RankBars(data->bars);
}

}  // namespace

const std::vector<ChartKind>& ChartKinds() {
    // clang-format off
    static const std::vector<ChartKind> kinds = {
        {"monthly-profit", "Monthly Profit", ChartId::MonthlyProfit, {T::Folders, T::Expenses, T::Income, T::ExpenseAccounts, T::IncomeAccounts}},
        {"expenses-by-account", "Expenses by Account", ChartId::ExpensesByAccount, {T::Folders, T::Expenses, T::ExpenseAccounts}},
        {"income-by-account", "Income by Account", ChartId::IncomeByAccount, {T::Folders, T::Income, T::IncomeAccounts}},
    };
    // clang-format on
    return kinds;
}

const ChartKind* FindChartKind(const QString& name) {
    for (const ChartKind& kind : ChartKinds())
        if (name == QLatin1String(kind.name)) return &kind;
    return nullptr;
}

const ChartKind& ChartKindOf(ChartId id) {
    for (const ChartKind& kind : ChartKinds())
        if (kind.id == id) return kind;
    return ChartKinds().front();
}

ReportResult RunChart(const ChartKind& kind, ReportContext& ctx, ChartData* data) {
    *data = ChartData();
    data->id = kind.id;
    OpenReportTables(kind.tables);
    if (!SelectReportFolders(ctx)) {
        const bool failed = ShowEngineError(cb);
        code4close(cb);
        return failed ? ReportResult::Failed : ReportResult::NotRun;
    }
    const bool monthly = kind.id == ChartId::MonthlyProfit;
    data->titles = {
        FolderTitle(QString::fromLatin1(kind.title)),
        PeriodTitle(monthly ? ProfitStart(ReportFrom, ProfitPeriod::Monthly) : ReportFrom,
                    ReportThrough)};
    ctx.ShowProgress(true, QStringLiteral("Building Chart"));
    if (monthly)
        SumMonths(ctx, data);
    else
        SumAccounts(ctx, kind.id == ChartId::IncomeByAccount ? 'I' : 'E', data);
    ctx.ShowProgress(false, QString());
    // The sums' walks end at an engine error, which stays pending: sums that missed records are
    // not drawn; the engine's message is shown instead.
    const bool failed = ShowEngineError(cb);
    code4close(cb);
    if (failed) {
        *data = ChartData();
        return ReportResult::Failed;
    }
    if (data->HasData()) return ReportResult::Presented;
    ShowMessage(MsgKind::Information, QStringLiteral("Report contains no data."));
    return ReportResult::NoData;
}

}  // namespace kvl
