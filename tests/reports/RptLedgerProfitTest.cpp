// The general ledger and the profit reports on their exported text: the ledger's opening rows
// from the fiscal-year start, its merge by date with income first, amounts written only when not
// zero and its closing row; the profit reports' periods, the split by the accounts' flags, rows of
// zeros and the Totals row.
#include <gtest/gtest.h>

#include "data/Period.h"
#include "reports/MultFolOps.h"
#include "reports/ReportsFixture.h"
#include "reports/RptLedger.h"
#include "reports/RptProfit.h"
#include "reports/RptUtil.h"

namespace {

using namespace kvl;

class LedgerProfitTest : public kvltest::ReportsTest {
  protected:
    void SetUp() override {
        ReportsTest::SetUp();
        OpenFolders();
        OpenIncome();
        OpenExpenses();
        OpenExpenseAccounts();
        OpenIncomeAccounts();
        Settings.fyMonth = 4;
        Settings.fyDay = 1;
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
        Settings = SettingsRecord{};
        ReportsTest::TearDown();
    }
    void AddIncome(const QDate& date, int account, int folder, double amount,
                   const QString& description = QStringLiteral("Sale")) {
        ASSERT_EQ(d4appendBlank(dbIncome), 0);
        IncomeBuffer = IncomeRecord{};
        IncomeBuffer.account = account;
        IncomeBuffer.date = date;
        IncomeBuffer.folder = folder;
        IncomeBuffer.amount = amount;
        IncomeBuffer.description = description;
        StoreIncomeRecord();
        ASSERT_EQ(d4refresh(dbIncome), 0);
    }
    // The ledger as plain text.
    QStringList Ledger(const QDate& from, const QDate& through) {
        ReportFrom = from;
        ReportThrough = through;
        EXPECT_EQ(BuildGeneralLedger(ctx), ReportResult::Presented);
        return ctx.presented.isEmpty() ? QStringList() : Lines(ctx.presented.back());
    }
    // The profit report as tab-delimited text.
    QStringList Profit(ProfitPeriod period, const QDate& from, const QDate& through) {
        ReportFrom = from;
        ReportThrough = through;
        EXPECT_EQ(BuildProfitReport(ctx, period), ReportResult::Presented);
        return ctx.presentedTabs.isEmpty() ? QStringList() : Lines(ctx.presentedTabs.back());
    }
    static QString Pad(const QString& text) { return text.leftJustified(30); }  // as stored
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

TEST_F(LedgerProfitTest, MergesByDateWithIncomeFirstFromOpeningBalancesToTheClosingRow) {
    AddFolder(3, QStringLiteral("Other"));
    AddIncome(QDate(2025, 12, 10), 1, 1, 500, QStringLiteral("Old sale"));
    AddIncome(QDate(2026, 4, 10), 1, 2, 200, QStringLiteral("April sale"));
    AddIncome(QDate(2026, 4, 11), 1, 3, 999, QStringLiteral("Not chosen"));
    AddIncome(QDate(2026, 5, 5), 1, 1, 300, QStringLiteral("Consulting"));
    AddIncome(QDate(2026, 5, 20), 1, 3, 50, QStringLiteral("Not chosen"));
    AddIncome(QDate(2026, 6, 2), 1, 1, 1, QStringLiteral("After"));
    AddExpense(QDate(2026, 1, 15), 1, 1, 100, QStringLiteral("Old rent"));
    AddExpense(QDate(2026, 4, 20), 1, 1, 50.25, QStringLiteral("Supplies"));
    AddExpense(QDate(2026, 5, 5), 1, 2, 75.5, QStringLiteral("Fuel"));
    AddExpense(QDate(2026, 5, 10), 1, 1, 0, QStringLiteral("Nothing"));
    AddExpense(QDate(2026, 6, 1), 1, 2, 10, QStringLiteral("After"));
    ctx.folderChoices = {{1, 2}};

    const QStringList lines = Ledger(QDate(2026, 5, 1), QDate(2026, 5, 31));
    ASSERT_EQ(lines.size(), 18);
    EXPECT_EQ(lines[2], QString(29, ' ') + QStringLiteral("General Ledger"));
    EXPECT_EQ(lines[3], QString(23, ' ') + QStringLiteral("for 5/1/26 through 5/31/26"));
    EXPECT_EQ(lines[7], QStringLiteral("Date      Description") + QString(23, ' ') +
                            QStringLiteral("Credit      Debit     Balance"));
    const QStringList rows = {
        QStringLiteral("          Prior Year Totals") + QString(10, ' ') +
            QStringLiteral("       500.00       100.00       400.00"),
        QStringLiteral("          Fiscal YTD Totals") + QString(10, ' ') +
            QStringLiteral("       200.00        50.25       549.75"),
        QStringLiteral("05/05/26  ") + Pad(QStringLiteral("Consulting")) +
            QStringLiteral("       300.00") + QString(7, ' ') + QStringLiteral("       849.75"),
        QStringLiteral("05/05/26  ") + Pad(QStringLiteral("Fuel")) + QString(8, ' ') +
            QStringLiteral("        75.50       774.25"),
        QStringLiteral("05/10/26  ") + Pad(QStringLiteral("Nothing")) + QString(20, ' ') +
            QStringLiteral("       774.25"),
        QStringLiteral("          Fiscal YTD Totals") + QString(10, ' ') +
            QStringLiteral("     1,000.00       225.75       774.25"),
        QString(),
        QString(),
        QStringLiteral("Included Folders: ") + Pad(QStringLiteral("Office")),
        QString(18, ' ') + Pad(QStringLiteral("Farm")),
    };
    EXPECT_EQ(lines.mid(8), rows);

    // In tab-delimited text an amount that is not written adds no field.
    const QStringList tabs = Lines(ctx.presentedTabs.back());
    ASSERT_EQ(tabs.size(), lines.size());
    EXPECT_EQ(tabs[10], QStringLiteral("05/05/26\t") + Pad(QStringLiteral("Consulting")) +
                            QStringLiteral("\t       300.00\t       849.75"));
    EXPECT_EQ(tabs[11], QStringLiteral("05/05/26\t") + Pad(QStringLiteral("Fuel")) +
                            QStringLiteral("\t        75.50\t       774.25"));
    EXPECT_EQ(tabs[12].count('\t'), 2);
}

TEST_F(LedgerProfitTest, FromOnTheFiscalYearStartLeavesTheYearRowWithOnlyTheBalance) {
    AddIncome(QDate(2026, 3, 31), 1, 1, 80, QStringLiteral("March"));
    Ledger(QDate(2026, 4, 1), QDate(2026, 4, 30));
    const QStringList tabs = Lines(ctx.presentedTabs.back());
    ASSERT_EQ(tabs.size(), 11);
    EXPECT_EQ(tabs[0], QStringLiteral("Page 1\t6/15/26"));
    EXPECT_EQ(tabs[2], QStringLiteral("Office General Ledger"));
    EXPECT_EQ(tabs[8], QStringLiteral("Prior Year Totals\t        80.00\t        80.00"));
    EXPECT_EQ(tabs[9], QStringLiteral("Fiscal YTD Totals\t        80.00"));
    EXPECT_EQ(tabs[10], QStringLiteral("Fiscal YTD Totals\t        80.00\t        80.00"));
}

TEST_F(LedgerProfitTest, AnEmptyPeriodIsShownAndRecordsAfterItAreNotWalked) {
    AddIncome(QDate(2026, 4, 2), 1, 1, 10, QStringLiteral("Before"));
    AddExpense(QDate(2026, 4, 3), 1, 1, 4, QStringLiteral("Before"));
    for (int day = 1; day <= 3; ++day) {
        AddIncome(QDate(2026, 6, day), 1, 1, 1, QStringLiteral("After"));
        AddExpense(QDate(2026, 6, day), 1, 1, 1, QStringLiteral("After"));
    }
    const QStringList lines = Ledger(QDate(2026, 5, 1), QDate(2026, 5, 31));
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[8], QStringLiteral("          Prior Year Totals") + QString(42, ' ') +
                            QStringLiteral("0.00"));
    EXPECT_EQ(lines[10], QStringLiteral("          Fiscal YTD Totals") + QString(10, ' ') +
                             QStringLiteral("        10.00         4.00         6.00"));
    EXPECT_EQ(lines[9], lines[10]);
    // Two of the eight records walked: the first record after the period is only looked at.
    EXPECT_EQ(progress.events.front(), "show Building Report");
    EXPECT_EQ(progress.events[progress.events.size() - 2], "set 25");
    EXPECT_EQ(progress.events.back(), "hide");
}

TEST_F(LedgerProfitTest, MonthlyStartsOnTheFirstOfFromsMonthAndEndsEachMonthAndOnThrough) {
    AddIncomeAccount(20, QStringLiteral("Rentals"), true);  // after the missing numbers
    AddAccount(90, QStringLiteral("Fuel"), true);
    AddIncome(QDate(2024, 1, 3), 1, 1, 100);   // before From, in its month
    AddIncome(QDate(2024, 2, 29), 2, 1, 40);   // not taxable
    AddIncome(QDate(2024, 2, 10), 9, 1, 7);    // no such account
    AddIncome(QDate(2024, 2, 12), 1, 2, 500);  // another folder
    AddExpense(QDate(2024, 1, 20), 5, 1, 30);
    AddExpense(QDate(2024, 3, 10), 6, 1, 20);    // not deductible
    AddExpense(QDate(2024, 3, 5), 77, 1, 5);     // no such account
    AddExpense(QDate(2024, 3, 11), 5, 1, 1000);  // after Through

    const QStringList tabs = Profit(ProfitPeriod::Monthly, QDate(2024, 1, 15), QDate(2024, 3, 10));
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

TEST_F(LedgerProfitTest, WeeklyFromAWednesdayEndsOnTuesdaysAndOnThroughWithRowsOfZeros) {
    AddIncome(QDate(2026, 5, 6), 1, 1, 10);
    AddExpense(QDate(2026, 5, 24), 5, 1, 4);
    ctx.folderChoices = {{1, 2}};
    Profit(ProfitPeriod::Weekly, QDate(2026, 5, 6), QDate(2026, 5, 24));
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

TEST_F(LedgerProfitTest, ASingleDayIsOneWeekAndTheTotals) {
    AddExpense(QDate(2026, 5, 6), 5, 1, 12.34);
    const QStringList tabs = Profit(ProfitPeriod::Weekly, QDate(2026, 5, 6), QDate(2026, 5, 6));
    ASSERT_EQ(tabs.size(), 11);
    EXPECT_EQ(tabs[9], Row("05/06/26", {"0.00", "12.34", "-12.34", "0.00", "0.00", "-12.34"}));
    EXPECT_EQ(tabs[10], Row("Totals", {"0.00", "12.34", "-12.34", "0.00", "0.00", "-12.34"}));
    const std::vector<std::string> expected = {"show Building Report", "set 0", "hide"};
    EXPECT_EQ(progress.events, expected);
}

TEST_F(LedgerProfitTest, APeriodThatEndsBeforeItStartsHasNoData) {
    ReportFrom = QDate(2026, 5, 6);
    ReportThrough = QDate(2026, 5, 5);
    EXPECT_EQ(BuildProfitReport(ctx, ProfitPeriod::Weekly), ReportResult::NoData);
    EXPECT_TRUE(ctx.presented.isEmpty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Report contains no data."));
}

}  // namespace
