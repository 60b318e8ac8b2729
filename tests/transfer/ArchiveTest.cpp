// Archiving and de-archiving a date range over both entries tables, all or nothing, and the
// proposed range.
#include "Fixture.h"
#include "engine/Files.h"
#include "transfer/ArchiveOps.h"

namespace {

TEST(ArchiveRangeProposal, IsTheLastCompleteFiscalYear) {
    QDate from, through;
    kvl::LastCompleteFiscalYear(QDate(2024, 3, 15), 1, 1, &from, &through);
    EXPECT_EQ(std::make_pair(from, through),
              std::make_pair(QDate(2023, 1, 1), QDate(2023, 12, 31)));
    kvl::LastCompleteFiscalYear(QDate(2024, 3, 15), 7, 1, &from, &through);
    EXPECT_EQ(std::make_pair(from, through), std::make_pair(QDate(2022, 7, 1), QDate(2023, 6, 30)));
}

class ArchiveTest : public kvltest::TransferTest {
  protected:
    std::vector<bool> Marks() {
        std::vector<bool> marks;
        kvl::OpenExpenses();
        kvl::OpenIncome();
        for (long r = 1; r <= d4recCountDo(kvl::dbExpenses); ++r)
            marks.push_back(d4go(kvl::dbExpenses, r) == 0 && f4true(kvl::fExpArchive));
        for (long r = 1; r <= d4recCountDo(kvl::dbIncome); ++r)
            marks.push_back(d4go(kvl::dbIncome, r) == 0 && f4true(kvl::fIncArchive));
        code4close(kvl::cb);
        return marks;
    }
};

TEST_F(ArchiveTest, MarksExactlyTheRangeOfBothTablesAndDeArchiveClearsIt) {
    kvl::OpenExpenses();
    kvl::OpenIncome();
    for (const QDate& d :
         {QDate(2023, 12, 31), QDate(2024, 1, 1), QDate(2024, 6, 30), QDate(2024, 7, 1), QDate()})
        AddExpense(d, 1);
    AddIncome(QDate(2024, 3, 3), 5, false, "In");
    code4close(kvl::cb);
    // 1924 lies before the century window and is read as 2024, as stored dates are.
    long marked = -1;
    EXPECT_EQ(kvl::ArchiveRange(true, QDate(1924, 1, 1), QDate(2024, 6, 30), &marked),
              kvl::ChangeResult::Done);
    EXPECT_EQ(marked, 3);
    EXPECT_EQ(Marks(), (std::vector<bool>{false, true, true, false, false, true}));
    EXPECT_TRUE(kvl::cb->tables().empty());
    EXPECT_EQ(progress.events.front(), "show Archiving Data");
    // From after Through marks nothing, yet both tables are walked under the progress box.
    progress.events.clear();
    kvl::ArchiveRange(true, QDate(2024, 6, 30), QDate(2024, 1, 1), &marked);
    EXPECT_EQ(marked, 0);
    EXPECT_EQ(progress.events.size(), 8u);
    kvl::ArchiveRange(false, QDate(2023, 1, 1), QDate(2024, 12, 31), &marked);
    EXPECT_EQ(marked, 5);
    EXPECT_EQ(Marks(), std::vector<bool>(6, false));
    ExpectSound();
}

// A full disk at any point of the change (the copies, their indexes, the replacement) leaves
// every mark as it was and says so; with room enough the marks of both tables are written.
TEST_F(ArchiveTest, MarksThatCannotAllBeWrittenAreNoneWritten) {
    kvl::OpenExpenses();
    kvl::OpenIncome();
    for (int d = 1; d <= 20; ++d) {
        AddExpense(QDate(2024, 1, d), 1);
        AddIncome(QDate(2024, 1, d), 5, false, "In");
    }
    code4close(kvl::cb);
    for (int64_t budget = 0; budget < (1 << 20); budget += 1000) {
        xb::InstallFaultPlan(xb::FaultPlan::FullDisk(budget));
        const bool done = kvl::ArchiveRange(true, QDate(2024, 1, 1), QDate(2024, 12, 31)) ==
                          kvl::ChangeResult::Done;
        xb::RemoveFaultPlan();
        ASSERT_EQ(Marks(), std::vector<bool>(40, done)) << budget;
        if (done) break;
        EXPECT_TRUE(messages.shown.back().text.endsWith("\r\nNo records were changed."));
    }
    EXPECT_GT(messages.shown.size(), 4u);
    ExpectSound();
}

}  // namespace
