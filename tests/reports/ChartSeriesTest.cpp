// The charts' series against the reports they come from: the monthly profit chart against the
// monthly profit report's rows, the by-account charts against the summaries' period column, on
// three folders of which two are chosen and a period that crosses the fiscal year's start; the
// twelve largest accounts and "Other"; no data; and the series' tab-separated form.
#include <QBuffer>

#include "reports/ChartSeries.h"
#include "reports/PeriodReportFixture.h"

namespace {

using namespace kvl;

class ChartSeriesTest : public kvltest::PeriodReportTest {
  protected:
    void SetUp() override {
        PeriodReportTest::SetUp();
        Settings.fyMonth = 7;
        AddFolder(2, QStringLiteral("Farm"));
        AddFolder(3, QStringLiteral("Shop"));
        for (int a = 1; a <= 15; ++a) AddAccount(a, QStringLiteral("Acct %1").arg(a), a % 2 == 1);
        AddIncomeAccount(1, QStringLiteral("Sales"), true);
        AddIncomeAccount(2, QStringLiteral("Gifts"), false);
        for (int a = 1; a <= 14; ++a) {
            Expense(QDate(2026, 6, 15), a, a * 10.01, "Payee", {}, 0, 1);
            Expense(QDate(2026, 7, 20), a, a * 1.10, "Payee", {}, 0, 3);
            Expense(QDate(2026, 7, 5), a, 1000, "Payee", {}, 0, 2);  // a folder not chosen
        }
        Expense(QDate(2026, 6, 1), 15, 77, "Payee", {}, 0, 1);    // before From: prior, June
        Expense(QDate(2026, 8, 21), 1, 5000, "Payee", {}, 0, 1);  // after Through
        AddIncome(QDate(2026, 6, 3), 1, 1, 500);
        AddIncome(QDate(2026, 7, 1), 1, 2, 999);
        AddIncome(QDate(2026, 8, 1), 2, 3, 250.55);
        AddIncome(QDate(2026, 8, 19), 9, 1, 12.34);  // no such account: not taxable
        ReportFrom = QDate(2026, 6, 10);
        ReportThrough = QDate(2026, 8, 20);
        code4close(cb);  // a report or a chart opens the tables it reads
    }

    // The chart and the report of the same kinds, each over folders 1 and 3.
    ChartData Chart(const char* chart, const char* report, QStringList* rows) {
        ctx.folderChoices = {{1, 3}, {1, 3}};
        ChartData data;
        EXPECT_EQ(RunChart(*FindChartKind(QLatin1String(chart)), ctx, &data),
                  ReportResult::Presented);
        EXPECT_EQ(RunReport(*FindReportKind(QLatin1String(report)), ctx), ReportResult::Presented);
        *rows = Lines(tsv());
        return data;
    }
    // A report's amount as cents: "   -1,234.56" gives -123456.
    static long long Cents(QString text) {
        text.remove(QLatin1Char(',')).remove(QLatin1Char('.'));
        return text.trimmed().toLongLong();
    }
};

TEST_F(ChartSeriesTest, MonthlyProfitIsTheMonthlyProfitReportRowByRow) {
    QStringList rows;
    const ChartData data = Chart("monthly-profit", "monthly-profit", &rows);
    EXPECT_EQ(data.titles, QStringList({"Monthly Profit", "for 6/1/26 through 8/20/26"}));
    const std::vector<ProfitPoint> expected = {
        {QDate(2026, 6, 30), 50000, 112805, -6749, -62805},
        {QDate(2026, 7, 31), 0, 11550, -5390, -11550},
        {QDate(2026, 8, 20), 26289, 0, 0, 26289},
    };
    EXPECT_EQ(data.months, expected);
    int compared = 0;
    for (const QString& row : rows) {
        const QStringList f = row.split(QLatin1Char('\t'));
        if (f.size() != 7 || !f[0].contains(QLatin1Char('/'))) continue;
        ASSERT_LT(compared, static_cast<int>(data.months.size()));
        const ProfitPoint& p = data.months[static_cast<std::size_t>(compared++)];
        EXPECT_EQ(f[0], ReportDate(p.end, QStringLiteral("MM/DD/YY")));
        EXPECT_EQ(p.income, Cents(f[1]) + Cents(f[4]));
        EXPECT_EQ(p.expenses, Cents(f[2]) + Cents(f[5]));
        EXPECT_EQ(p.taxableProfit, Cents(f[3]));
        EXPECT_EQ(p.netProfit, Cents(f[6]));
    }
    EXPECT_EQ(compared, 3);
}

TEST_F(ChartSeriesTest, ByAccountIsTheSummarysPeriodColumnLargestFirstTheRestAsOther) {
    QStringList rows;
    const ChartData data = Chart("expenses-by-account", "expense-summary", &rows);
    EXPECT_EQ(data.titles, QStringList({"Expenses by Account", "for 6/10/26 through 8/20/26"}));
    std::map<int, long long> period;  // the summary's accounts and their period column
    for (const QString& row : rows) {
        const QStringList f = row.split(QLatin1Char('\t'));
        bool number = false;
        const int account = f[0].toInt(&number);
        if (number && f.size() == 5) period[account] = Cents(f[2]);
    }
    ASSERT_EQ(period.size(), 15u);
    EXPECT_EQ(period[15], 0);  // prior only: in the summary, not on the chart
    ASSERT_EQ(data.bars.size(), 13u);
    for (std::size_t i = 0; i < 12; ++i) {
        const int account = 14 - static_cast<int>(i);
        EXPECT_EQ(data.bars[i],
                  (AccountBar{account, QStringLiteral("Acct %1").arg(account), period[account]}));
        EXPECT_EQ(data.bars[i].total, account * 1111);
    }
    EXPECT_EQ(data.bars[12], (AccountBar{0, QStringLiteral("Other"), period[1] + period[2]}));

    const ChartData income = Chart("income-by-account", "income-summary", &rows);
    EXPECT_EQ(income.bars, std::vector<AccountBar>({{2, QStringLiteral("Gifts"), 25055}}));
}

TEST_F(ChartSeriesTest, APeriodWithoutAmountsHasNoDataAndNoFolderNoChart) {
    ChartData data;
    ReportFrom = QDate(2027, 1, 1);
    ReportThrough = QDate(2027, 1, 31);
    ctx.folderChoices = {{1, 2, 3}};
    EXPECT_EQ(RunChart(ChartKindOf(ChartId::MonthlyProfit), ctx, &data), ReportResult::NoData);
    EXPECT_EQ(data.months.size(), 1u);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Report contains no data."));
    EXPECT_EQ(RunChart(ChartKindOf(ChartId::IncomeByAccount), ctx, &data), ReportResult::NotRun);
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST(ChartData, TheTabSeparatedFormReadsBackAsWritten) {
    ChartData months{ChartId::MonthlyProfit, {}, {{QDate(2026, 2, 28), 5, -1234567, 0, -5}}, {}};
    ChartData bars{ChartId::IncomeByAccount, {}, {}, {{7, "Tab\there", 100}, {0, "Other", -99}}};
    for (ChartData* data : {&months, &bars}) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        ASSERT_TRUE(WriteChartTsv(*data, out));
        if (data == &months) {
            EXPECT_EQ(out.data(),
                      "end\tincome\texpenses\ttaxable-profit\tnet-profit\n"
                      "2026-02-28\t0.05\t-12345.67\t0.00\t-0.05\n");
        }
        if (data == &bars) data->bars[0].name = "Tab here";
        const std::optional<ChartData> read = ReadChartTsv(data->id, out.data());
        ASSERT_TRUE(read);
        EXPECT_EQ(read->months, data->months);
        EXPECT_EQ(read->bars, data->bars);
    }
    EXPECT_FALSE(ReadChartTsv(ChartId::IncomeByAccount, "account\tname\ttotal\n1\tx\t1.5\n"));
    EXPECT_FALSE(ReadChartTsv(ChartId::MonthlyProfit, "account\tname\ttotal\n"));
}

}  // namespace
