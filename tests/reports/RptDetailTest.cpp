// The expense and income details and their account variants, checked on their exported text.
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <thread>

#include "PeriodReportFixture.h"
#include "common/QStringPrint.h"
#include "reports/RptDetail.h"

namespace {

using namespace kvl;
using DetailTest = kvltest::PeriodReportTest;

// Chooses which thread makes the detail's rows while it lives.
class MadeAt {
  public:
    explicit MadeAt(std::size_t at) : before_(DetailMakeRowsAt) { DetailMakeRowsAt = at; }
    ~MadeAt() { DetailMakeRowsAt = before_; }

  private:
    std::size_t before_;
};

TEST_F(DetailTest, ExpensesOfThePeriodByDateAndAccountWithMemoRowsAndTheirTotal) {
    Expense(QDate(2026, 6, 1), 10, 7.00, "After");  // after Through
    Expense(QDate(2026, 5, 31), 10, 1234.50, "Landlord", "  May rent  ", 1001);
    Expense(QDate(2026, 5, 1), 20, 12.34, "Paper Co");
    Expense(QDate(2026, 5, 1), 10, 0.66, "  Bank  ", "fee");
    Expense(QDate(2026, 4, 30), 10, 9.00, "Before");  // before From
    ASSERT_EQ(BuildExpenseDetail(ctx), ReportResult::Presented);
    const QString expected =
        "Page 1                                                      6/15/26\n\n"
        "                   Office Expense Detail Report\n"
        "                    for 5/1/26 through 5/31/26\n\n\n\n"
        "Date       Check No Acnt  Paid to / Memo                     Amount\n"
        "05/01/26          0   10  Bank                                 0.66\n"
        "                          fee\n"
        "05/01/26          0   20  Paper Co                            12.34\n"
        "05/31/26       1001   10  Landlord                         1,234.50\n"
        "                          May rent\n"
        "TOTAL EXPENSES                                             1,247.50\n";
    EXPECT_EQ(text(), QString(expected).replace("\n", "\r\n"));
}

TEST_F(DetailTest, EveryExpenseReservesTwoLinesAtThePageCheck) {
    for (int i = 0; i < 52; ++i) Expense(QDate(2026, 5, 2), 10, 1.00);
    ASSERT_EQ(BuildExpenseDetail(ctx), ReportResult::Presented);
    const QStringList lines = Lines(text());
    // Eight header lines and 51 expenses; the 52nd would fit one line but not two.
    EXPECT_TRUE(lines.at(58).startsWith(QStringLiteral("05/02/26")));
    EXPECT_EQ(lines.at(59), QString());
    EXPECT_TRUE(lines.at(60).startsWith(QStringLiteral("Page 2")));
    EXPECT_TRUE(lines.at(68).startsWith(QStringLiteral("05/02/26")));
}

// More records than the walk hands on at once: every row arrives once, in order, and the pages
// run on across the hand-overs, whichever thread makes the rows of each batch, and whether the
// period is counted before the walk (the tag has changes not yet written) or beside it.
TEST_F(DetailTest, ThousandsOfExpensesKeepTheirOrderRowsAndPages) {
    constexpr int kExpenses = 2600;
    // Two memos in every three records: expenses with memos come to every line of the page.
    for (int i = 0; i < kExpenses; ++i)
        Expense(QDate(2026, 5, 1 + i / 100), 10, 1.00, QStringLiteral("P%1").arg(i),
                i % 3 ? QStringLiteral("m%1").arg(i) : QString(), i + 1);
    QString byWriter, byWalk;
    {
        const MadeAt writer(SIZE_MAX);
        ASSERT_EQ(BuildExpenseDetail(ctx), ReportResult::Presented);
        byWriter = text();
        const MadeAt walk(0);
        ASSERT_EQ(BuildExpenseDetail(ctx), ReportResult::Presented);
        byWalk = text();
    }
    EXPECT_EQ(byWalk, byWriter);
    ASSERT_EQ(d4flush(dbExpenses), 0);
    for (const std::size_t at : {std::size_t{0}, SIZE_MAX, DetailMakeRowsAt}) {
        const MadeAt made(at);
        ASSERT_EQ(BuildExpenseDetail(ctx), ReportResult::Presented);
        EXPECT_EQ(text(), byWriter) << at;
    }
    // A slow count: the walk places the rows of the records counted so far itself.
    DetailCountHook = [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); };
    ASSERT_EQ(BuildExpenseDetail(ctx), ReportResult::Presented);
    DetailCountHook = nullptr;
    EXPECT_EQ(text(), byWriter);
    long nextCheck = 1, memos = 0, pages = 0;
    QString before;
    for (const QString& line : Lines(text())) {
        if (line.startsWith(QStringLiteral("Page "))) {
            EXPECT_EQ(line.mid(5, 4).trimmed().toInt(), ++pages);
        }
        if (line.startsWith(QStringLiteral("05/"))) {
            EXPECT_EQ(line.mid(10, 9).trimmed().toLong(), nextCheck++);
        }
        // A memo stays on the line after its expense, a page break or not.
        if (line.startsWith(QString(26, ' ') + "m")) {
            ++memos;
            EXPECT_TRUE(before.contains(QStringLiteral(" P") + line.mid(27) + " "))
                << line.toStdString();
        }
        before = line;
    }
    EXPECT_EQ(nextCheck, kExpenses + 1);
    EXPECT_EQ(memos, kExpenses - (kExpenses + 2) / 3);
    EXPECT_GT(pages, 50);
    EXPECT_TRUE(Lines(text()).last().endsWith(QStringLiteral("2,600.00")));
}

TEST_F(DetailTest, TheProgressCountsEveryRecordOfThePeriodInAnyFolder) {
    AddFolder(2, QStringLiteral("Shop"));
    for (int i = 0; i < 4; ++i) Expense(QDate(2026, 5, 3 + i), 10, 1 << i, "P", {}, 0, 1 + i % 2);
    ctx.folderChoices = {{2}};
    const std::vector<std::string> moves{
        "show Building Report", "set 25", "set 50", "set 75", "set 100", "hide"};
    ASSERT_EQ(BuildExpenseDetail(ctx), ReportResult::Presented);
    EXPECT_EQ(progress.events, moves);
    // Counted beside the walk, the bar moves the same way.
    ASSERT_EQ(d4flush(dbExpenses), 0);
    progress.events.clear();
    ctx.folderChoices = {{2}};
    ASSERT_EQ(BuildExpenseDetail(ctx), ReportResult::Presented);
    EXPECT_EQ(progress.events, moves);
    const QStringList lines = Lines(text());
    EXPECT_EQ(lines.at(2).trimmed(), QStringLiteral("Shop Expense Detail Report"));
    EXPECT_EQ(lines.last(), QStringLiteral("TOTAL EXPENSES") + QString(48, ' ') + "10.00");
}

TEST_F(DetailTest, TheAccountVariantTitlesAndListsTheChosenAccountOnly) {
    AddAccount(10, QStringLiteral("Rent  "));
    AddAccount(20, QStringLiteral("Supplies"));
    Expense(QDate(2026, 5, 2), 10, 5.00, "Landlord");
    Expense(QDate(2026, 5, 3), 20, 6.00, "Paper Co");
    ctx.account = AccountRecord(dbExpenseAccounts, fAccNo, 10);
    ASSERT_EQ(BuildExpenseAccountDetail(ctx), ReportResult::Presented);
    EXPECT_EQ(ctx.accountQuestions.back(), 'E');
    EXPECT_EQ(Lines(text()).at(2).trimmed(), QStringLiteral("Office Rent Expense Detail Report"));
    EXPECT_TRUE(text().contains(QStringLiteral("Landlord")));
    EXPECT_FALSE(text().contains(QStringLiteral("Paper Co")));
    for (long choice : {0L, -1L}) {  // New or a closed list; Exit
        ctx.account = choice;
        EXPECT_EQ(BuildExpenseAccountDetail(ctx), ReportResult::NotRun);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(DetailTest, AnAccountWithoutRecordsInThePeriodGivesNoReport) {
    AddIncomeAccount(3, QStringLiteral("Interest"), true);
    AddIncome(QDate(2026, 4, 30), 3, 1, 5.00);
    ctx.account = AccountRecord(dbIncomeAccounts, fIAccNo, 3);
    EXPECT_EQ(BuildIncomeAccountDetail(ctx), ReportResult::NoData);
    EXPECT_EQ(ctx.accountQuestions.back(), 'I');
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Report contains no data."));
}

TEST_F(DetailTest, IncomeKeepsItsDescriptionsTrailingBlanksAndIncludesArchivedRecords) {
    AddIncome(QDate(2026, 5, 31), 4, 1, 80.00, "Mowing", true);
    AddIncome(QDate(2026, 5, 1), 3, 1, 1000.00, "Hedges");
    ASSERT_EQ(BuildIncomeDetail(ctx), ReportResult::Presented);
    const QStringList tabs = Lines(tsv());
    const QString blanks(24, ' ');
    EXPECT_EQ(tabs.at(8), "05/01/26\t3\tHedges" + blanks + "\t     1,000.00");
    EXPECT_EQ(tabs.at(9), "05/31/26\t4\tMowing" + blanks + "\t        80.00");
    EXPECT_EQ(tabs.at(10), QStringLiteral("Total\t\t\t     1,080.00"));
    EXPECT_EQ(Lines(text()).at(10), "Total" + QString(54, ' ') + "     1,080.00");
    const QString byWriter = text();
    const MadeAt walk(0);
    ASSERT_EQ(BuildIncomeDetail(ctx), ReportResult::Presented);
    EXPECT_EQ(text(), byWriter);
}

// The rows' thread running out of memory after the walk has handed it records: nothing is shown
// but the message, the grid is given back, and the next report is whole.
TEST_F(DetailTest, ARowWriterOutOfMemoryShowsItsMessageAndNoReport) {
    for (int i = 0; i < 3000; ++i) Expense(QDate(2026, 5, 2), 10, 1.00);  // three batches
    struct Fail {
        Fail() {
            DetailRowWriterHook = [] { throw std::bad_alloc(); };
        }
        ~Fail() { DetailRowWriterHook = nullptr; }
    };
    {
        Fail fail;
        EXPECT_EQ(BuildExpenseDetail(ctx), ReportResult::Failed);
    }
    EXPECT_TRUE(ctx.presented.isEmpty());
    EXPECT_EQ(LastRow(), -1);
    EXPECT_EQ(progress.events.back(), "hide");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, MsgKind::Error);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Not enough memory to build the report."));

    ASSERT_EQ(BuildExpenseDetail(ctx), ReportResult::Presented);
    EXPECT_TRUE(Lines(text()).last().endsWith(QStringLiteral("3,000.00")));
}

// A walk that ends by an exception while the rows' thread waits for records stops that thread on
// its way out instead of waiting for it for ever.
TEST_F(DetailTest, AWalkEndedByAnExceptionStopsTheRowWriter) {
    for (int i = 0; i < 3000; ++i) Expense(QDate(2026, 5, 2), 10, 1.00);
    progress.onSet = [](int position) {
        if (position == 50) throw std::runtime_error("walk ended");
    };
    EXPECT_THROW(BuildExpenseDetail(ctx), std::runtime_error);
    progress.onSet = nullptr;
    EndReport();
    ASSERT_EQ(BuildExpenseDetail(ctx), ReportResult::Presented);
    EXPECT_TRUE(Lines(text()).last().endsWith(QStringLiteral("3,000.00")));
}

}  // namespace
