// Archiving and de-archiving a date range over both entries tables.
#include <algorithm>

#include "Fixture.h"
#include "transfer/ArchiveOps.h"

namespace {

using kvltest::TransferTest;

TEST(ArchiveRangeProposal, IsTheLastCompleteFiscalYear) {
    QDate from, through;
    kvl::LastCompleteFiscalYear(QDate(2024, 3, 15), 1, 1, &from, &through);
    EXPECT_EQ(from, QDate(2023, 1, 1));
    EXPECT_EQ(through, QDate(2023, 12, 31));
    kvl::LastCompleteFiscalYear(QDate(2024, 3, 15), 7, 1, &from, &through);
    EXPECT_EQ(from, QDate(2022, 7, 1));
    EXPECT_EQ(through, QDate(2023, 6, 30));
    // On the first day of a fiscal year, the year just ended is proposed.
    kvl::LastCompleteFiscalYear(QDate(2024, 7, 1), 7, 1, &from, &through);
    EXPECT_EQ(from, QDate(2023, 7, 1));
    EXPECT_EQ(through, QDate(2024, 6, 30));
}

class ArchiveTest : public TransferTest {
  protected:
    void SetUp() override {
        TransferTest::SetUp();
        kvl::OpenExpenses();
        kvl::OpenIncome();
        AddExpense(QDate(2023, 12, 31), 1);
        AddExpense(QDate(2024, 1, 1), 1);   // From
        AddExpense(QDate(2024, 6, 30), 2);  // Through
        AddExpense(QDate(2024, 7, 1), 1);
        AddExpense(QDate(), 1);  // no date
        AddIncome(QDate(2024, 3, 3), 5, false);
        AddIncome(QDate(2024, 7, 2), 5, true);
        code4close(kvl::cb);
    }

    std::vector<bool> Marks() {
        std::vector<bool> marks;
        for (const auto& [e, deleted] : Expenses()) marks.push_back(e.archived);
        for (const auto& [i, deleted] : Income()) marks.push_back(i.archived);
        return marks;
    }
};

TEST_F(ArchiveTest, MarksExactlyTheRangeInBothTablesAndDeArchiveClearsIt) {
    EXPECT_EQ(kvl::ArchiveRange(true, QDate(2024, 1, 1), QDate(2024, 6, 30)), 3);
    EXPECT_EQ(Marks(), (std::vector<bool>{false, true, true, false, false, true, false}));
    EXPECT_TRUE(kvl::cb->tables().empty());
    EXPECT_EQ(progress.events.front(), "show Archiving Data");
    EXPECT_EQ(progress.events.back(), "hide");

    // De-archiving a wider range writes "F" everywhere in it, also where nothing was archived.
    kvl::ArchiveRange(true, QDate(2024, 7, 1), QDate(2024, 7, 1));
    EXPECT_EQ(kvl::ArchiveRange(false, QDate(2023, 1, 1), QDate(2024, 12, 31)), 6);
    EXPECT_EQ(Marks(), std::vector<bool>(7, false));
    ExpectSound();
}

TEST_F(ArchiveTest, FromAfterThroughWalksBothTablesAndChangesNothing) {
    EXPECT_EQ(kvl::ArchiveRange(true, QDate(2024, 6, 30), QDate(2024, 1, 1)), 0);
    EXPECT_EQ(Marks(), std::vector<bool>(7, false));
    const auto sets = std::count_if(progress.events.begin(), progress.events.end(),
                                    [](const std::string& e) { return e.rfind("set ", 0) == 0; });
    EXPECT_EQ(sets, 7);
    EXPECT_EQ(progress.events[progress.events.size() - 2], "set 100");
}

TEST_F(ArchiveTest, TwoDigitYearsAreReadInTheCenturyWindow) {
    // 1924 lies before the window (1966 to 2065 in 2026) and is read as 2024.
    EXPECT_EQ(kvl::ArchiveRange(true, QDate(1924, 1, 1), QDate(1924, 6, 30)), 3);
}

}  // namespace
