// The rate change: its checks in order, the walk over the period on the date tag, the rescaling,
// an amount too large for its field, and writes refused at every stage.
#include "Fixture.h"
#include "data/EntryRules.h"
#include "data/Maintenance.h"
#include "engine/Files.h"
#include "transfer/RateChangeOps.h"

namespace {

class RateChangeTest : public kvltest::TransferTest {
  protected:
    void SetUp() override {
        TransferTest::SetUp();
        kvl::OpenExpenses();
        AddExpense(QDate(2026, 1, 31), 7, 1, 99.00);  // before From
        AddExpense(QDate(2026, 2, 1), 7, 2, 31.00);   // on From, another folder
        AddExpense(QDate(2026, 3, 10), 8, 1, 50.00);  // another account
        AddExpense(QDate(2026, 3, 10), 7, 1, 10.00);
        AddExpense(QDate(2026, 4, 30), 7, 1, 20.00);  // on Through
        AddExpense(QDate(2026, 5, 1), 7, 1, 40.00);   // the day after Through
        code4close(kvl::cb);
    }

    kvl::ChangeResult Apply(double oldRate, double newRate, QDate from = QDate(2026, 2, 1),
                            QDate through = QDate(2026, 4, 30)) {
        kvl::OpenExpenseAccounts();
        kvl::OpenExpenses();
        const kvl::ChangeResult r = kvl::ApplyRateChange({oldRate, newRate, from, through, 7});
        EXPECT_EQ(d4top(kvl::dbExpenses), 0);  // open again for the dialog
        code4close(kvl::cb);
        return r;
    }

    const std::vector<long> before_{9900, 3100, 5000, 1000, 2000, 4000};
};

TEST_F(RateChangeTest, RescalesTheAccountsExpensesOfThePeriodOnly) {
    EXPECT_EQ(Apply(0.31, 0.325), kvl::ChangeResult::Done);
    EXPECT_EQ(Cents(), (std::vector<long>{9900, 3250, 5000, 1048, 2097, 4000}));
    ExpectSound();
    // The reverse change restores the amounts only up to the rounding to cents.
    EXPECT_EQ(Apply(0.325, 0.31), kvl::ChangeResult::Done);
    EXPECT_EQ(Cents(), before_);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RateChangeTest, ChecksComeInTheirOrderAndChangeNothing) {
    const QDate early(2026, 1, 1), late(2026, 5, 1);
    const struct {
        double oldRate, newRate;
        QDate from, through;
        const char* message;
    } cases[] = {
        {0, 0, late, early, "RATES MUST BE NON-ZERO"},
        {1, 0, early, late, "RATES MUST BE NON-ZERO"},
        {1, 1, late, early, "RATES MUST NOT BE EQUAL"},
        {1, 2, late, early, "Beginning date must be on or before end date."},
        // 99.00 * 40000 does not fit N 9.2 (10.00 and 20.00 would): nothing is changed.
        {1, 40000, early, late, "The new rate would make the expense of 99.00 dated "},
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        EXPECT_EQ(Apply(c.oldRate, c.newRate, c.from, c.through), kvl::ChangeResult::Refused);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::Warning);
        EXPECT_TRUE(messages.shown[0].text.startsWith(c.message)) << c.message;
    }
    EXPECT_TRUE(messages.shown[0].text.endsWith("No amounts were changed."));
    EXPECT_EQ(Cents(), before_);
}

// A full disk or a refused rename at any stage: every amount as before, or (once the replacement
// was committed, finished by the next start) every amount changed.
TEST_F(RateChangeTest, AFailedWriteAtAnyStageLeavesAllAmountsBeforeOrAllAfter) {
    const std::vector<long> after{9900, 6200, 5000, 2000, 4000, 4000};
    for (const bool disk : {true, false}) {
        for (int limit = 0;; ++limit) {
            SCOPED_TRACE((disk ? "bytes " : "renames ") + std::to_string(limit * (disk ? 512 : 1)));
            xb::FaultPlan plan = xb::FaultPlan::FullDisk(limit * 512);
            if (!disk) plan = xb::FaultPlan{}, plan.renames = limit;
            kvl::OpenExpenseAccounts();
            kvl::OpenExpenses();
            xb::InstallFaultPlan(plan);
            kvl::ChangeResult r = kvl::ChangeResult::Refused;
            try {
                r = kvl::ApplyRateChange({1, 2, QDate(2026, 2, 1), QDate(2026, 4, 30), 7});
            } catch (const kvl::ProgramEnded&) {
            }
            xb::RemoveFaultPlan();
            code4close(kvl::cb);
            kvl::RebuildIndexes(true);
            ExpectSound();
            const std::vector<long> cents = Cents();
            if (r == kvl::ChangeResult::Failed) {
                EXPECT_TRUE(messages.shown.back().text.startsWith("The rate change could not be "));
                ASSERT_EQ(cents, before_);
                continue;
            }
            ASSERT_EQ(cents, after);
            ASSERT_EQ(Apply(2, 1), kvl::ChangeResult::Done);
            if (r == kvl::ChangeResult::Done) break;
        }
    }
}

}  // namespace
