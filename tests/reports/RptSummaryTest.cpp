// The expense and income summaries, checked on their exported text.
#include <gtest/gtest.h>

#include "PeriodReportFixture.h"
#include "common/QStringPrint.h"
#include "reports/RptSummary.h"

namespace {

using namespace kvl;
using SummaryTest = kvltest::PeriodReportTest;

TEST_F(SummaryTest, FromTheFiscalYearStartWithTwoSectionsTheirTotalsAndTheGrandTotal) {
    for (auto [number, name] :
         {std::pair{10, "Rent"}, {20, "Supplies"}, {30, "Refunded"}, {50, "Travel"}})
        AddAccount(number, QString::fromLatin1(name));
    AddAccount(40, QStringLiteral("Owner Draw"), false);
    ReportFrom = QDate(2026, 1, 1);
    ReportThrough = QDate(2026, 1, 31);
    Expense(QDate(2026, 2, 1), 10, 999.00);  // after Through: read and ignored
    Expense(QDate(2026, 1, 31), 10, 50.25);
    Expense(QDate(2026, 1, 1), 10, 1200.00);
    Expense(QDate(2026, 1, 15), 20, 19.99);
    Expense(QDate(2026, 1, 10), 30, 25.10);
    Expense(QDate(2026, 1, 11), 30, -25.10);   // cancels out: the account is left out
    Expense(QDate(2025, 12, 31), 50, 300.00);  // before the fiscal year
    Expense(QDate(2026, 1, 20), 40, 500.00);

    ASSERT_EQ(BuildExpenseSummary(ctx), ReportResult::Presented);
    const QString header =
        "                                            Period        Prior         Year\n"
        "Acnt.  Account Name                         Totals       Totals      To Date\n";
    const QString expected =
        "Page 1                                                               6/15/26\n\n"
        "                        Office Expense Summary Report\n"
        "                         for 1/1/26 through 1/31/26\n\n"
        "Deductible Expenses\n\n" +
        header +
        "   10  Rent                               1,250.25         0.00     1,250.25\n"
        "   20  Supplies                              19.99         0.00        19.99\n"
        "       Total Deductible Expenses          1,270.24         0.00     1,270.24\n\n\n"
        "Non-Deductible Expenses\n\n" +
        header +
        "   40  Owner Draw                           500.00         0.00       500.00\n"
        "       Total Non-Deductible Expenses        500.00         0.00       500.00\n\n"
        "       GRAND TOTAL                        1,770.24         0.00     1,770.24\n";
    EXPECT_EQ(text(), QString(expected).replace("\n", "\r\n"));
}

TEST_F(SummaryTest, APeriodReachingIntoTheNextFiscalYearCountsPriorFromItsOwnStart) {
    AddAccount(10, QStringLiteral("Rent"));
    Settings.fyMonth = 7;
    ReportThrough = QDate(2026, 8, 31);
    const double amounts[] = {1, 2, 4, 8, 16, 32};
    const QDate dates[] = {{2025, 6, 30}, {2025, 7, 1},  {2026, 4, 30},
                           {2026, 5, 1},  {2026, 8, 31}, {2026, 9, 1}};
    for (int i = 0; i < 6; ++i) Expense(dates[i], 10, amounts[i]);
    ASSERT_EQ(BuildExpenseSummary(ctx), ReportResult::Presented);
    EXPECT_TRUE(text().contains(
        "   10  Rent                                  24.00         6.00        30.00\r\n"));
}

TEST_F(SummaryTest, FromAfterThroughCountsPriorUpToTheDayBeforeFrom) {
    AddAccount(10, QStringLiteral("Rent"));
    ReportFrom = QDate(2026, 5, 20);
    ReportThrough = QDate(2026, 5, 10);
    const double amounts[] = {1, 2, 4, 8, 16};
    const QDate dates[] = {
        {2025, 12, 31}, {2026, 5, 5}, {2026, 5, 15}, {2026, 5, 19}, {2026, 5, 20}};
    for (int i = 0; i < 5; ++i) Expense(dates[i], 10, amounts[i]);
    ASSERT_EQ(BuildExpenseSummary(ctx), ReportResult::Presented);
    // Prior runs from 1 January to 19 May, past Through; the period from 20 May through 10 May
    // holds no day.
    EXPECT_TRUE(text().contains(
        "   10  Rent                                   0.00        14.00        14.00\r\n"))
        << text().toStdString();
}

TEST_F(SummaryTest, TwoFoldersArchivedIncomeAndProgressOverBothPasses) {
    AddFolder(2, QStringLiteral("Shop"));
    AddFolder(3, QStringLiteral("Farm"));
    AddIncomeAccount(1, QStringLiteral("Sales"), true);
    AddIncomeAccount(2, QStringLiteral("Gifts"), false);
    AddIncome(QDate(2026, 5, 5), 1, 1, 10.00, "Sale", true);
    AddIncome(QDate(2026, 5, 6), 2, 3, 3.00);
    AddIncome(QDate(2026, 5, 7), 2, 2, 4.00);  // not selected
    ctx.folderChoices = {{1, 3}};
    ASSERT_EQ(BuildIncomeSummary(ctx), ReportResult::Presented);
    const QStringList lines = Lines(text());
    EXPECT_EQ(lines.at(2).trimmed(), QStringLiteral("Income Summary Report"));
    EXPECT_EQ(lines.at(9),
              "    1  Sales                                 10.00         0.00        10.00");
    EXPECT_EQ(lines.at(17),
              "    2  Gifts                                  3.00         0.00         3.00");
    EXPECT_EQ(lines.mid(lines.size() - 3),
              (QStringList{"", "Included Folders: Office" + QString(24, ' '),
                           "                  Farm" + QString(26, ' ')}));
    EXPECT_EQ(progress.events, (std::vector<std::string>{"show Building Report", "set 25", "set 50",
                                                         "set 75", "set 100", "hide"}));
}

TEST_F(SummaryTest, APageBreakInsideASectionRepeatsTitlesSectionAndHeaders) {
    for (int a = 1; a <= 60; ++a) {
        AddAccount(a, QStringLiteral("Account %1").arg(a));
        Expense(QDate(2026, 5, 10), a, a);
    }
    ASSERT_EQ(BuildExpenseSummary(ctx), ReportResult::Presented);
    const QStringList lines = Lines(text());
    // 9 header lines and 51 account rows fill page 1; the EJECT row gives an empty line.
    EXPECT_TRUE(lines.at(59).startsWith(QStringLiteral("   51  Account 51")));
    EXPECT_EQ(lines.at(60), QString());
    EXPECT_TRUE(lines.at(61).startsWith(QStringLiteral("Page 2")));
    EXPECT_EQ(lines.at(66), QStringLiteral("Deductible Expenses"));
    EXPECT_TRUE(lines.at(69).startsWith(QStringLiteral("Acnt.  Account Name")));
    EXPECT_TRUE(lines.at(70).startsWith(QStringLiteral("   52  Account 52")));
}

}  // namespace
