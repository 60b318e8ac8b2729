// The charts of accounts as their exported text: two sections, the second opened on the page,
// and the edge cases of charts with one kind of account or none.
#include <gtest/gtest.h>

#include "reports/ReportsFixture.h"
#include "reports/RptChart.h"

namespace {

using namespace kvl;

class RptChartTest : public kvltest::ReportsTest {
  protected:
    static QString Account(int number, const char* name) {
        return QString::number(number).rightJustified(5) + QStringLiteral("     ") +
               QString::fromLatin1(name).leftJustified(30);
    }
    static QString Header() { return QStringLiteral("Acnt.     Account Name"); }
    static QString PageRow() { return QStringLiteral("Page 1") + QString(27, ' ') + "6/15/26"; }
};

TEST_F(RptChartTest, TheExpenseChartListsDeductibleThenNonDeductibleAccounts) {
    OpenExpenseAccounts();
    AddAccount(10, QStringLiteral("Supplies"), true);
    AddAccount(2, QStringLiteral("Owner Draw"), false);
    AddAccount(1, QStringLiteral("Advertising"), true);
    AddAccount(3, QStringLiteral("Deleted"), true);
    d4delete(dbExpenseAccounts);
    EXPECT_EQ(BuildExpenseChart(ctx), ReportResult::Presented);
    ASSERT_EQ(ctx.presented.size(), 1);
    const QStringList expected = {PageRow(),
                                  "",
                                  QString(12, ' ') + "Expense Accounts",
                                  "",
                                  "Deductible Accounts",
                                  "",
                                  Header(),
                                  Account(1, "Advertising"),
                                  Account(10, "Supplies"),
                                  "",
                                  "",
                                  "Non-Deductible Accounts",
                                  "",
                                  Header(),
                                  Account(2, "Owner Draw"),
                                  ""};
    EXPECT_EQ(Lines(ctx.presented[0]), expected);
    EXPECT_EQ(progress.events.front(), "show Building Report");
    EXPECT_EQ(progress.events.back(), "hide");
    // The total counts the deleted record too, which the tag hides: 6 of 8.
    EXPECT_EQ(progress.events[progress.events.size() - 2], "set 75");
}

TEST_F(RptChartTest, AChartOfDeductibleAccountsStillOpensTheSecondSection) {
    OpenExpenseAccounts();
    AddAccount(1, QStringLiteral("Advertising"), true);
    EXPECT_EQ(BuildExpenseChart(ctx), ReportResult::Presented);
    const QStringList lines = Lines(ctx.presented[0]);
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[10], QStringLiteral("Non-Deductible Accounts"));
    EXPECT_EQ(lines[12], Header());
    EXPECT_EQ(lines[13], QString());
}

TEST_F(RptChartTest, AChartOfNonTaxableAccountsStartsWithItsSection) {
    OpenIncomeAccounts();
    AddIncomeAccount(4, QStringLiteral("Gifts"), false);
    AddIncomeAccount(5, QStringLiteral("Loans"), false);
    EXPECT_EQ(BuildIncomeChart(ctx), ReportResult::Presented);
    const QStringList lines = Lines(ctx.presented[0]);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[2], QString(13, ' ') + "Income Accounts");
    EXPECT_EQ(lines[4], QStringLiteral("Non-Taxable Accounts"));
    EXPECT_EQ(lines[7], Account(4, "Gifts"));
    EXPECT_EQ(lines[8], Account(5, "Loans"));
    EXPECT_EQ(ctx.presentedTabs[0].split("\r\n")[8], QStringLiteral("5\tLoans") + QString(25, ' '));
}

TEST_F(RptChartTest, AnEmptyChartHasNoData) {
    OpenIncomeAccounts();
    EXPECT_EQ(BuildIncomeChart(ctx), ReportResult::NoData);
    EXPECT_TRUE(ctx.presented.isEmpty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Report contains no data."));
    EXPECT_EQ(messages.shown[0].kind, MsgKind::Information);
}

}  // namespace
