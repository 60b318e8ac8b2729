// The general ledger on its exported text: the opening rows from the fiscal-year start, the merge
// by date with income first, amounts written only when not zero, and the closing row.
#include <gtest/gtest.h>

#include "data/Period.h"
#include "reports/MultFolOps.h"
#include "reports/ReportsFixture.h"
#include "reports/RptLedger.h"
#include "reports/RptUtil.h"

namespace {

using namespace kvl;

class LedgerTest : public kvltest::ReportsTest {
  protected:
    void SetUp() override {
        ReportsTest::SetUp();
        OpenFolders();
        OpenIncome();
        OpenExpenses();
        Settings.fyMonth = 4;
        Settings.fyDay = 1;
        AddFolder(1, QStringLiteral("Office"));
    }
    void TearDown() override {
        EndReport();
        FolderSelection.clear();
        Settings = SettingsRecord{};
        ReportsTest::TearDown();
    }
    void AddIncome(const QDate& date, int folder, double amount, const QString& description) {
        ASSERT_EQ(d4appendBlank(dbIncome), 0);
        IncomeBuffer = IncomeRecord{};
        IncomeBuffer.account = 1;
        IncomeBuffer.date = date;
        IncomeBuffer.folder = folder;
        IncomeBuffer.amount = amount;
        IncomeBuffer.description = description;
        StoreIncomeRecord();
        ASSERT_EQ(d4refresh(dbIncome), 0);
    }
    QStringList Run(const QDate& from, const QDate& through) {
        ReportFrom = from;
        ReportThrough = through;
        EXPECT_EQ(BuildGeneralLedger(ctx), ReportResult::Presented);
        return ctx.presented.isEmpty() ? QStringList() : Lines(ctx.presented.back());
    }
    static QString Pad(const QString& text) { return text.leftJustified(30); }  // as stored
};

TEST_F(LedgerTest, MergesByDateWithIncomeFirstFromOpeningBalancesToTheClosingRow) {
    AddFolder(2, QStringLiteral("Farm"));
    AddFolder(3, QStringLiteral("Other"));
    AddIncome(QDate(2025, 12, 10), 1, 500, QStringLiteral("Old sale"));
    AddIncome(QDate(2026, 4, 10), 2, 200, QStringLiteral("April sale"));
    AddIncome(QDate(2026, 4, 11), 3, 999, QStringLiteral("Not chosen"));
    AddIncome(QDate(2026, 5, 5), 1, 300, QStringLiteral("Consulting"));
    AddIncome(QDate(2026, 5, 20), 3, 50, QStringLiteral("Not chosen"));
    AddIncome(QDate(2026, 6, 2), 1, 1, QStringLiteral("After"));
    AddExpense(QDate(2026, 1, 15), 1, 1, 100, QStringLiteral("Old rent"));
    AddExpense(QDate(2026, 4, 20), 1, 1, 50.25, QStringLiteral("Supplies"));
    AddExpense(QDate(2026, 5, 5), 1, 2, 75.5, QStringLiteral("Fuel"));
    AddExpense(QDate(2026, 5, 10), 1, 1, 0, QStringLiteral("Nothing"));
    AddExpense(QDate(2026, 6, 1), 1, 2, 10, QStringLiteral("After"));
    ctx.folderChoices = {{1, 2}};

    const QStringList lines = Run(QDate(2026, 5, 1), QDate(2026, 5, 31));
    const QString blank;
    const QStringList expected = {
        QStringLiteral("Page 1") + QString(60, ' ') + QStringLiteral("6/15/26"),
        blank,
        QString(29, ' ') + QStringLiteral("General Ledger"),
        QString(23, ' ') + QStringLiteral("for 5/1/26 through 5/31/26"),
        blank,
        blank,
        blank,
        QStringLiteral("Date      Description") + QString(23, ' ') +
            QStringLiteral("Credit      Debit     Balance"),
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
        blank,
        blank,
        QStringLiteral("Included Folders: ") + Pad(QStringLiteral("Office")),
        QString(18, ' ') + Pad(QStringLiteral("Farm")),
    };
    EXPECT_EQ(lines, expected);

    // In tab-delimited text an amount that is not written adds no field.
    const QStringList tabs = Lines(ctx.presentedTabs.back());
    ASSERT_EQ(tabs.size(), expected.size());
    EXPECT_EQ(tabs[10], QStringLiteral("05/05/26\t") + Pad(QStringLiteral("Consulting")) +
                            QStringLiteral("\t       300.00\t       849.75"));
    EXPECT_EQ(tabs[11], QStringLiteral("05/05/26\t") + Pad(QStringLiteral("Fuel")) +
                            QStringLiteral("\t        75.50\t       774.25"));
    EXPECT_EQ(tabs[12].count('\t'), 2);
}

TEST_F(LedgerTest, FromOnTheFiscalYearStartLeavesTheYearRowWithOnlyTheBalance) {
    AddIncome(QDate(2026, 3, 31), 1, 80, QStringLiteral("March"));
    Run(QDate(2026, 4, 1), QDate(2026, 4, 30));
    const QStringList tabs = Lines(ctx.presentedTabs.back());
    ASSERT_EQ(tabs.size(), 11);
    EXPECT_EQ(tabs[0], QStringLiteral("Page 1\t6/15/26"));
    EXPECT_EQ(tabs[2], QStringLiteral("Office General Ledger"));
    EXPECT_EQ(tabs[8], QStringLiteral("Prior Year Totals\t        80.00\t        80.00"));
    EXPECT_EQ(tabs[9], QStringLiteral("Fiscal YTD Totals\t        80.00"));
    EXPECT_EQ(tabs[10], QStringLiteral("Fiscal YTD Totals\t        80.00\t        80.00"));
}

TEST_F(LedgerTest, AnEmptyPeriodIsShownAndRecordsAfterItAreNotWalked) {
    AddIncome(QDate(2026, 4, 2), 1, 10, QStringLiteral("Before"));
    AddExpense(QDate(2026, 4, 3), 1, 1, 4, QStringLiteral("Before"));
    for (int day = 1; day <= 3; ++day) {
        AddIncome(QDate(2026, 6, day), 1, 1, QStringLiteral("After"));
        AddExpense(QDate(2026, 6, day), 1, 1, 1, QStringLiteral("After"));
    }
    const QStringList lines = Run(QDate(2026, 5, 1), QDate(2026, 5, 31));
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

}  // namespace
