#include "reports/RptChart.h"

#include "data/dbFiles.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

struct Chart {
    DATA4* table;
    TAG4* tag;
    FIELD4* number;
    FIELD4* description;
    FIELD4* flag;
    const char* title;
    const char* flagged;    // section of the accounts whose flag is set
    const char* unflagged;  // and of the others
};

ReportResult BuildChart(ReportContext& ctx, const Chart& chart) {
    ReportWidth = 40;
    CellsPerRow = 3;
    BeginReport(ctx.LinesPerPage());
    TitleLines = {QString::fromLatin1(chart.title)};
    ColumnStops = {QStringLiteral("R05"), QStringLiteral("L10")};
    SetColumnKinds({CellKind::Number, CellKind::Text});
    HeaderRows[0] = {QStringLiteral("R05Acnt."), QStringLiteral("L10Account Name"),
                     QStringLiteral("U")};
    SectionLine = QString::fromLatin1(chart.flagged);

    d4tagSelect(chart.table, chart.tag);
    const long total = 2 * d4recCountDo(chart.table);
    long read = 0;
    ctx.ShowProgress(true, QStringLiteral("Building Report"));
    for (const bool flagged : {true, false}) {
        for (int rc = d4top(chart.table); rc == r4success; rc = d4skip(chart.table, 1)) {
            if (!d4deleted(chart.table) && (f4true(chart.flag) != 0) == flagged) {
                StartRow();
                SetValue(0, QString::number(f4int(chart.number)));
                SetValue(1, FieldText(chart.description));
            }
            ++read;
            if (total > 0) ctx.SetProgress(static_cast<int>(read * 100 / total));
        }
        if (flagged) {
            SectionLine = QString::fromLatin1(chart.unflagged);
            if (LastRow() >= 0) {
                UnderlineLastRow();
                OpenSectionOnPage();
            }
        }
    }
    SectionLine.clear();
    ctx.ShowProgress(false, QString());

    if (LastRow() < 0) return NoReportData();
    UnderlineLastRow();
    NewLine();
    return ShowReport(ctx);
}

}  // namespace

ReportResult BuildExpenseChart(ReportContext& ctx) {
    return BuildChart(ctx, {dbExpenseAccounts, tagAcc, fAccNo, fAcDesc, fAcDed, "Expense Accounts",
                            "Deductible Accounts", "Non-Deductible Accounts"});
}

ReportResult BuildIncomeChart(ReportContext& ctx) {
    return BuildChart(ctx, {dbIncomeAccounts, tagAccI, fIAccNo, fIAcDesc, fIAcDed,
                            "Income Accounts", "Taxable Accounts", "Non-Taxable Accounts"});
}

}  // namespace kvl
