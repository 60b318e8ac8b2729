// What a chart shows, apart from how it is drawn: the monthly profit chart's series (one point a
// month, as the monthly profit report cuts the period) or a by-account chart's bars (largest
// first, the accounts after the twelfth summed as "Other", account 0), in cents, with the title
// lines. The window draws it, kvl-cli writes it as tab-separated values, and the chart renderer
// that kvl-cli starts for pictures reads those values back, so the three show the same numbers.
//
// The tab-separated form: one header line, then a line a point or bar, fields separated by tabs
// and lines ended by LF, amounts with two decimals, a point and no thousands separators:
//   monthly-profit:  end  income  expenses  taxable-profit  net-profit   (end as YYYY-MM-DD)
//   by account:      account  name  total                                ("Other" is account 0)
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class QIODevice;

namespace kvl {

enum class ChartId { MonthlyProfit, ExpensesByAccount, IncomeByAccount };

struct ProfitPoint {
    QDate end;  // the month's last day, or Through
    long long income = 0, expenses = 0, taxableProfit = 0, netProfit = 0;  // cents
    bool operator==(const ProfitPoint&) const = default;
};

struct AccountBar {
    int account = 0;  // 0 for "Other"
    QString name;     // the account's description, trimmed
    long long total = 0;
    bool operator==(const AccountBar&) const = default;
};

struct ChartData {
    ChartId id = ChartId::MonthlyProfit;
    QStringList titles;
    std::vector<ProfitPoint> months;  // MonthlyProfit
    std::vector<AccountBar> bars;     // the others

    // Whether there is anything to draw: a value that is not zero.
    bool HasData() const;
};

// The bars most a by-account chart shows before "Other".
constexpr int kChartAccounts = 12;
// Orders bars largest first (equal totals by account number) and sums those after the twelfth
// into one "Other" bar.
void RankBars(std::vector<AccountBar>& bars);

// Amounts as the tab-separated form has them: "-1234.50".
QString PlainCents(long long cents);

bool WriteChartTsv(const ChartData& data, QIODevice& out);
// The series of a chart of kind id read back from its tab-separated form; nothing when the text
// is not that form (a wrong header, a missing field, an amount that is not two decimals).
std::optional<ChartData> ReadChartTsv(ChartId id, const QByteArray& text);

}  // namespace kvl
