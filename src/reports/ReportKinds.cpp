#include "reports/ReportKinds.h"

#include "data/dbFiles.h"
#include "reports/RptChart.h"
#include "reports/RptDetail.h"
#include "reports/RptLedger.h"
#include "reports/RptProfit.h"
#include "reports/RptSummary.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

using T = ReportTable;

void Open(ReportTable table) {
    switch (table) {
        case T::Folders:
            OpenFolders();
            break;
        case T::Expenses:
            OpenExpenses();
            break;
        case T::Income:
            OpenIncome();
            break;
        case T::ExpenseAccounts:
            OpenExpenseAccounts();
            break;
        case T::IncomeAccounts:
            OpenIncomeAccounts();
            break;
    }
}

}  // namespace

const std::vector<ReportKind>& ReportKinds() {
    // clang-format off
    static const std::vector<ReportKind> kinds = {
        {"expense-summary", BuildExpenseSummary, {T::Folders, T::Expenses, T::ExpenseAccounts}, true, 0},
        {"income-summary", BuildIncomeSummary, {T::Folders, T::Income, T::IncomeAccounts}, true, 0},
        {"expense-detail", BuildExpenseDetail, {T::Folders, T::Expenses, T::ExpenseAccounts}, true, 0},
        {"income-detail", BuildIncomeDetail, {T::Folders, T::Income, T::IncomeAccounts}, true, 0},
        {"expense-account-detail", BuildExpenseAccountDetail, {T::Folders, T::Expenses, T::ExpenseAccounts}, true, 'E'},
        {"income-account-detail", BuildIncomeAccountDetail, {T::Folders, T::Income, T::IncomeAccounts}, true, 'I'},
        {"general-ledger", BuildGeneralLedger, {T::Folders, T::Expenses, T::Income}, true, 0},
        {"weekly-profit", BuildWeeklyProfit, {T::Folders, T::Expenses, T::Income, T::ExpenseAccounts, T::IncomeAccounts}, true, 0},
        {"monthly-profit", BuildMonthlyProfit, {T::Folders, T::Expenses, T::Income, T::ExpenseAccounts, T::IncomeAccounts}, true, 0},
        {"expense-chart", BuildExpenseChart, {T::ExpenseAccounts}, false, 0},
        {"income-chart", BuildIncomeChart, {T::IncomeAccounts}, false, 0},
    };
    // clang-format on
    return kinds;
}

const ReportKind* FindReportKind(const QString& name) {
    for (const ReportKind& kind : ReportKinds())
        if (name == QLatin1String(kind.name)) return &kind;
    return nullptr;
}

void OpenReportTables(const std::vector<ReportTable>& tables) {
    for (ReportTable table : tables) Open(table);
}

ReportResult RunReport(const ReportKind& kind, ReportContext& ctx) {
    OpenReportTables(kind.tables);
    ReportResult result = kind.build(ctx);
    if (ShowEngineError(cb)) {
        ctx.ShowProgress(false, QString());
        EndReport();
        result = ReportResult::Failed;
    }
    code4close(cb);
    return result;
}

}  // namespace kvl
