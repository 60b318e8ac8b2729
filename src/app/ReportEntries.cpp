// The Report Generation tab's entries: each runs one report of the report table through the
// desktop's report context, with the account pick list for the account detail reports, or one
// chart, shown in the chart window.
#include <QAction>
#include <QMenu>

#include "accounts/AccountOps.h"
#include "accounts/PickAccU.h"
#include "app/MainU.h"
#include "reports/ChartSeries.h"
#include "reports/ChartU.h"
#include "reports/DesktopContext.h"
#include "reports/ReportKinds.h"

namespace kvl {

namespace {

// The account pick list of the chart, from no choice: the record chosen, or negative.
long ChooseReportAccount(char chart) {
    if (!PickAccForm) return -1;
    AccountMode = chart;
    int& chosen = chart == 'E' ? CurrentExpenseAccount : CurrentIncomeAccount;
    chosen = 0;
    PickAccForm->exec();
    return chosen;
}

}  // namespace

QAction* TFormMain::AddReportEntry(QMenu* menu, const char* text, const char* kind) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QString::fromLatin1(kind));
    connect(action, &QAction::triggered, this, [this, kind] { RunReportEntry(kind); });
    return action;
}

QAction* TFormMain::AddChartEntry(QMenu* menu, const char* text, const char* kind) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QStringLiteral("chart-") + QString::fromLatin1(kind));
    connect(action, &QAction::triggered, this, [this, kind] { RunChartEntry(kind); });
    return action;
}

void TFormMain::RunChartEntry(const char* kind) {
    const ChartKind* chart = FindChartKind(QString::fromLatin1(kind));
    if (!chart || !ChartForm) return;
    DesktopContext ctx;
    ChartData data;
    if (RunChart(*chart, ctx, &data) == ReportResult::Presented) ChartForm->ShowChart(data);
}

void TFormMain::RunReportEntry(const char* kind) {
    const ReportKind* report = FindReportKind(QString::fromLatin1(kind));
    if (!report) return;
    DesktopContext ctx;
    ctx.accountChooser = ChooseReportAccount;
    RunReport(*report, ctx);
    showPrinter();  // Print may have had the user pick a printer
}

}  // namespace kvl
