// The rate change: its checks in order, the period walk on the date tag, the rescaling, the
// refusal of an amount that would not fit, and a failed write that changes nothing.
#include <cmath>

#include "Fixture.h"
#include "data/EntryRules.h"
#include "data/Maintenance.h"
#include "engine/Files.h"
#include "transfer/RateChangeOps.h"

namespace {

using kvltest::TransferTest;

class RateChangeTest : public TransferTest {
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
                            QDate through = QDate(2026, 4, 30), int account = 7) {
        kvl::OpenExpenseAccounts();
        kvl::OpenExpenses();
        const kvl::ChangeResult r =
            kvl::ApplyRateChange({oldRate, newRate, from, through, account});
        EXPECT_NE(kvl::dbExpenses, nullptr);
        code4close(kvl::cb);
        return r;
    }

    std::vector<long> Cents() {
        std::vector<long> cents;
        for (const auto& [e, deleted] : Expenses()) cents.push_back(std::lround(e.amount * 100));
        return cents;
    }

    const std::vector<long> before_{9900, 3100, 5000, 1000, 2000, 4000};
};

TEST_F(RateChangeTest, RescalesTheAccountsExpensesOfThePeriodOnly) {
    EXPECT_EQ(Apply(0.31, 0.325), kvl::ChangeResult::Done);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(Cents(), (std::vector<long>{9900, 3250, 5000, 1048, 2097, 4000}));
    ExpectSound();
    // The reverse change restores the amounts only up to the rounding to cents.
    EXPECT_EQ(Apply(0.325, 0.31), kvl::ChangeResult::Done);
    EXPECT_EQ(Cents(), (std::vector<long>{9900, 3100, 5000, 1000, 2000, 4000}));
}

TEST_F(RateChangeTest, ChecksComeInTheirOrderAndChangeNothing) {
    const struct {
        double oldRate, newRate;
        QDate from, through;
        const char* message;
    } cases[] = {
        {0, 0, QDate(2026, 5, 1), QDate(2026, 1, 1), "RATES MUST BE NON-ZERO"},
        {1, 0, QDate(2026, 1, 1), QDate(2026, 5, 1), "RATES MUST BE NON-ZERO"},
        {1, 1, QDate(2026, 5, 1), QDate(2026, 1, 1), "RATES MUST NOT BE EQUAL"},
        {1, 2, QDate(2026, 5, 1), QDate(2026, 1, 1),
         "Beginning date must be on or before end date."},
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        EXPECT_EQ(Apply(c.oldRate, c.newRate, c.from, c.through), kvl::ChangeResult::Refused);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::Warning);
        EXPECT_EQ(messages.shown[0].text.toStdString(), c.message);
    }
    EXPECT_EQ(Cents(), before_);
}

TEST_F(RateChangeTest, APeriodWithoutTheAccountsExpensesChangesNothing) {
    EXPECT_EQ(Apply(1, 2, QDate(2026, 3, 1), QDate(2026, 3, 9)), kvl::ChangeResult::Done);
    EXPECT_EQ(Apply(1, 2, QDate(2027, 1, 1), QDate(2027, 2, 1)), kvl::ChangeResult::Done);
    EXPECT_EQ(Cents(), before_);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RateChangeTest, AnAmountTooLargeForItsFieldRefusesTheWholeChange) {
    // 31.00 * 40000 = 1,240,000.00 does not fit N 9.2; 10.00 and 20.00 would.
    EXPECT_EQ(Apply(1, 40000), kvl::ChangeResult::Refused);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(
        "31.00 dated " + kvl::DateToShortText(QDate(2026, 2, 1)) + " (Payee) 1240000.00,"))
        << messages.shown[0].text.toStdString();
    EXPECT_TRUE(messages.shown[0].text.endsWith("No amounts were changed."));
    EXPECT_EQ(Cents(), before_);
    // 999,999.99 is the largest amount the field holds.
    messages.shown.clear();
    EXPECT_EQ(Apply(1, 49999.9995, QDate(2026, 4, 30), QDate(2026, 4, 30)),
              kvl::ChangeResult::Done);
    EXPECT_EQ(Cents()[4], 99999999);
}

TEST_F(RateChangeTest, AFullDiskAtAnyStageChangesNothingAndKeepsTheTablesOpen) {
    for (int64_t room = 0;; room += 512) {
        SCOPED_TRACE("room " + std::to_string(room));
        messages.shown.clear();
        kvl::OpenExpenseAccounts();
        kvl::OpenExpenses();
        xb::InstallFaultPlan(xb::FaultPlan::FullDisk(room));
        const kvl::ChangeResult r =
            kvl::ApplyRateChange({1, 2, QDate(2026, 1, 1), QDate(2026, 12, 31), 7});
        xb::RemoveFaultPlan();
        // The dialog stays open over usable tables.
        ASSERT_NE(kvl::dbExpenses, nullptr);
        EXPECT_EQ(d4top(kvl::dbExpenses), 0);
        code4close(kvl::cb);
        ExpectSound();
        if (r == kvl::ChangeResult::Done) {
            EXPECT_EQ(Cents(), (std::vector<long>{19800, 6200, 5000, 2000, 4000, 8000}));
            EXPECT_GT(room, 0);
            break;
        }
        EXPECT_EQ(r, kvl::ChangeResult::Failed);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_TRUE(messages.shown[0].text.startsWith("The rate change could not be saved: "));
        ASSERT_EQ(Cents(), before_);
    }
}

TEST_F(RateChangeTest, RefusedRenamesLeaveTheAmountsAllBeforeOrAllAfter) {
    const std::vector<long> after{9900, 6200, 5000, 2000, 4000, 4000};
    for (int renames = 0;; ++renames) {
        SCOPED_TRACE("renames " + std::to_string(renames));
        kvl::OpenExpenseAccounts();
        kvl::OpenExpenses();
        xb::FaultPlan plan;
        plan.renames = renames;
        xb::InstallFaultPlan(plan);
        kvl::ChangeResult r = kvl::ChangeResult::Failed;
        bool ended = false;
        try {
            r = kvl::ApplyRateChange({1, 2, QDate(2026, 2, 1), QDate(2026, 4, 30), 7});
        } catch (const kvl::ProgramEnded&) {
            // Committed but not finished: the next start finishes the replacement.
            ended = true;
        }
        xb::RemoveFaultPlan();
        code4close(kvl::cb);
        kvl::RebuildIndexes(true);
        ExpectSound();
        const std::vector<long> cents = Cents();
        if (r == kvl::ChangeResult::Failed && !ended) {
            ASSERT_EQ(cents, before_);
            continue;
        }
        ASSERT_EQ(cents, after);
        if (!ended) break;
        EXPECT_EQ(Apply(2, 1), kvl::ChangeResult::Done);
        ASSERT_EQ(Cents(), before_);
    }
}

}  // namespace
