// The weekly and monthly profit reports on their exported text: where the periods start and end,
// the split by the accounts' flags, rows of zeros, and the Totals row.
#include <gtest/gtest.h>

#include "data/Period.h"
#include "reports/MultFolOps.h"
#include "reports/ReportsFixture.h"
#include "reports/RptProfit.h"
#include "reports/RptUtil.h"

namespace {

using namespace kvl;

class ProfitTest : public kvltest::ReportsTest {
  protected:
    void SetUp() override {
        ReportsTest::SetUp();
        OpenFolders();
        OpenIncome();
        OpenExpenses();
        OpenExpenseAccounts();
        OpenIncomeAccounts();
        AddFolder(1, QStringLiteral("Office"));
        AddFolder(2, QStringLiteral("Farm"));
        ctx.folderChoices = {{1}};
        AddIncomeAccount(1, QStringLiteral("Sales"), true);
        AddIncomeAccount(2, QStringLiteral("Gifts"), false);
        AddAccount(5, QStringLiteral("Rent"), true);
        AddAccount(6, QStringLiteral("Draws"), false);
    }
    void TearDown() override {
        EndReport();
        FolderSelection.clear();
        ReportsTest::TearDown();
    }
    void AddIncome(const QDate& date, int account, double amount, int folder = 1) {
        ASSERT_EQ(d4appendBlank(dbIncome), 0);
        IncomeBuffer = IncomeRecord{};
        IncomeBuffer.account = account;
        IncomeBuffer.date = date;
        IncomeBuffer.folder = folder;
        IncomeBuffer.amount = amount;
        StoreIncomeRecord();
        ASSERT_EQ(d4refresh(dbIncome), 0);
    }
    QStringList Run(ProfitPeriod period, const QDate& from, const QDate& through) {
        ReportFrom = from;
        ReportThrough = through;
        EXPECT_EQ(BuildProfitReport(ctx, period), ReportResult::Presented);
        return ctx.presentedTabs.isEmpty() ? QStringList() : Lines(ctx.presentedTabs.back());
    }
    // A tab-delimited row: the first cell, then the six amounts as the report writes them.
    static QString Row(const char* first, std::initializer_list<const char*> amounts) {
        QString row = QString::fromLatin1(first);
        for (const char* amount : amounts)
            row += '\t' + QString::fromLatin1(amount).rightJustified(13);
        return row;
    }
    // The same row in plain text: the amounts end on columns 29, 43, ... 99.
    static QString Plain(const char* first, std::initializer_list<const char*> amounts) {
        QStringList fields;
        for (const char* amount : amounts) fields << QString::fromLatin1(amount).rightJustified(13);
        return QString::fromLatin1(first).leftJustified(16) + fields.join(' ');
    }
};

TEST_F(ProfitTest, MonthlyStartsOnTheFirstOfFromsMonthAndEndsEachMonthAndOnThrough) {
    AddIncomeAccount(20, QStringLiteral("Rentals"), true);  // after the missing numbers
    AddAccount(90, QStringLiteral("Fuel"), true);
    AddIncome(QDate(2024, 1, 3), 1, 100);      // before From, in its month
    AddIncome(QDate(2024, 2, 29), 2, 40);      // not taxable
    AddIncome(QDate(2024, 2, 10), 9, 7);       // no such account
    AddIncome(QDate(2024, 2, 12), 1, 500, 2);  // another folder
    AddExpense(QDate(2024, 1, 20), 5, 1, 30);
    AddExpense(QDate(2024, 3, 10), 6, 1, 20);    // not deductible
    AddExpense(QDate(2024, 3, 5), 77, 1, 5);     // no such account
    AddExpense(QDate(2024, 3, 11), 5, 1, 1000);  // after Through

    const QStringList tabs = Run(ProfitPeriod::Monthly, QDate(2024, 1, 15), QDate(2024, 3, 10));
    ASSERT_EQ(tabs.size(), 13);
    EXPECT_EQ(tabs[2], QStringLiteral("Office Profit Report"));
    EXPECT_EQ(tabs[3], QStringLiteral("for 1/1/24 through 3/10/24"));
    EXPECT_EQ(tabs[7], QStringLiteral("Month\tTaxable\tDeductible\tTaxable\tNontaxable\t"
                                      "Nondeductible\tNet"));
    EXPECT_EQ(tabs[8],
              QStringLiteral("Ending\tIncome\tExpenses\tProfit\tIncome\tExpenses\tProfit"));
    EXPECT_EQ(tabs[9], Row("01/31/24", {"100.00", "30.00", "70.00", "0.00", "0.00", "70.00"}));
    EXPECT_EQ(tabs[10], Row("02/29/24", {"0.00", "0.00", "0.00", "47.00", "0.00", "47.00"}));
    EXPECT_EQ(tabs[11], Row("03/10/24", {"0.00", "0.00", "0.00", "0.00", "25.00", "-25.00"}));
    EXPECT_EQ(tabs[12], Row("Totals", {"100.00", "30.00", "70.00", "47.00", "25.00", "92.00"}));
    EXPECT_EQ(ReportFrom, QDate(2024, 1, 15));
}

TEST_F(ProfitTest, WeeklyFromAWednesdayEndsOnTuesdaysAndOnThroughWithRowsOfZeros) {
    AddIncome(QDate(2026, 5, 6), 1, 10);
    AddExpense(QDate(2026, 5, 24), 5, 1, 4);
    ctx.folderChoices = {{1, 2}};
    Run(ProfitPeriod::Weekly, QDate(2026, 5, 6), QDate(2026, 5, 24));
    const QStringList lines = Lines(ctx.presented.back());
    ASSERT_EQ(lines.size(), 17);
    EXPECT_EQ(lines[2], QString(43, ' ') + QStringLiteral("Profit Report"));
    EXPECT_TRUE(lines[7].startsWith(QStringLiteral("Week ")));
    EXPECT_EQ(lines[9], Plain("05/12/26", {"10.00", "0.00", "10.00", "0.00", "0.00", "10.00"}));
    EXPECT_EQ(lines[10], Plain("05/19/26", {"0.00", "0.00", "0.00", "0.00", "0.00", "0.00"}));
    EXPECT_TRUE(lines[11].startsWith(QStringLiteral("05/24/26")));
    EXPECT_TRUE(lines[12].startsWith(QStringLiteral("Totals")));
    EXPECT_EQ(lines[15], QStringLiteral("Included Folders: Office") + QString(24, ' '));
}

TEST_F(ProfitTest, ASingleDayIsOneWeekAndTheTotals) {
    AddExpense(QDate(2026, 5, 6), 5, 1, 12.34);
    const QStringList tabs = Run(ProfitPeriod::Weekly, QDate(2026, 5, 6), QDate(2026, 5, 6));
    ASSERT_EQ(tabs.size(), 11);
    EXPECT_EQ(tabs[9], Row("05/06/26", {"0.00", "12.34", "-12.34", "0.00", "0.00", "-12.34"}));
    EXPECT_EQ(tabs[10], Row("Totals", {"0.00", "12.34", "-12.34", "0.00", "0.00", "-12.34"}));
    const std::vector<std::string> expected = {"show Building Report", "set 0", "hide"};
    EXPECT_EQ(progress.events, expected);
}

TEST_F(ProfitTest, APeriodThatEndsBeforeItStartsHasNoData) {
    ReportFrom = QDate(2026, 5, 6);
    ReportThrough = QDate(2026, 5, 5);
    EXPECT_EQ(BuildProfitReport(ctx, ProfitPeriod::Weekly), ReportResult::NoData);
    EXPECT_TRUE(ctx.presented.isEmpty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Report contains no data."));
}

}  // namespace
