#include "accounts/AccountOps.h"

#include "accounts/RecordWalk.h"
#include "data/DbUtil.h"

namespace kvl {

char AccountMode = 'E';
int CurrentExpenseAccount = 0;
int CurrentIncomeAccount = 0;

namespace {

// Opens the chart's entries table, hands every record to visit, and closes the table.
void WalkEntries(const Chart& chart, const std::function<void()>& visit) {
    chart.openEntries();
    ForEachRecord(chart.entries, visit);
    (void)d4close(chart.entries);  // its failure is pending, for the test below
    chart.entries = nullptr;
    error4exitTest(cb);
}

}  // namespace

const Chart& ChartOf(char accountMode) {
    static const Chart expense{'E',
                               OpenExpenseAccounts,
                               dbExpenseAccounts,
                               fAccNo,
                               ExpenseAccountBuffer,
                               CurrentExpenseAccount,
                               OpenExpenses,
                               dbExpenses,
                               fExpAccNo,
                               QStringLiteral("expenses"),
                               QStringLiteral("Tax Deductible"),
                               QStringLiteral("Deduct")};
    static const Chart income{'I',
                              OpenIncomeAccounts,
                              dbIncomeAccounts,
                              fIAccNo,
                              IncomeAccountBuffer,
                              CurrentIncomeAccount,
                              OpenIncome,
                              dbIncome,
                              fIncAcc,
                              QStringLiteral("income"),
                              QStringLiteral("Taxable"),
                              QStringLiteral("Taxable")};
    return accountMode == 'E' ? expense : income;
}

int NextAccountNo(const Chart& chart) {
    const int rc = d4bottom(chart.accounts);
    error4exitTest(cb);
    if (rc != r4success) return 1;
    return f4int(chart.number) + 1;
}

bool AccountNoFree(const Chart& chart, int n) {
    const int rc = SeekText(chart.accounts, PadNumber(n, 4));
    error4exitTest(cb);
    if (rc != r4success) return true;
    return f4int(chart.number) != n || d4deleted(chart.accounts);
}

void MoveAccountEntries(const Chart& chart, int oldNo, int newNo) {
    WalkEntries(chart, [&] {
        if (f4int(chart.entryAccount) == oldNo) f4assignInt(chart.entryAccount, newNo);
    });
}

long DeleteAccount(const Chart& chart, long record, int number) {
    long marked = 0;
    WalkEntries(chart, [&] {
        if (f4int(chart.entryAccount) == number) {
            d4delete(chart.entries);
            ++marked;
        }
    });
    GoToRecord(chart.accounts, record);
    d4delete(chart.accounts);
    return marked;
}

}  // namespace kvl
