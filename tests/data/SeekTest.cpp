#include <gtest/gtest.h>

#include <vector>

#include "Support.h"
#include "data/DbUtil.h"

namespace {

using kvltest::DataDirTest;

class SeekTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet();
        ASSERT_TRUE(kvl::OpenExpenseAccounts());
        AddAccount(12, QStringLiteral("Twelve"));
        AddAccount(3, QStringLiteral("Three"));
        AddAccount(7, QStringLiteral("Seven"));
        ASSERT_TRUE(kvl::OpenExpenses());
        AddExpense(QDate(2026, 1, 5), 7);    // 1
        AddExpense(QDate(2025, 12, 30), 7);  // 2
        AddExpense(QDate(2026, 1, 1), 7);    // 3
        AddExpense(QDate(2025, 11, 1), 9);   // 4
        AddExpense(QDate(2026, 1, 1), 3);    // 5
    }

    // Record numbers in the order of the selected tag.
    static std::vector<long> Walk(DATA4* table) {
        std::vector<long> out;
        for (int rc = d4top(table); rc == 0; rc = d4skip(table, 1)) out.push_back(d4recNo(table));
        return out;
    }
};

TEST_F(SeekTest, AccountNumberKeyFindsTheAccount) {
    d4tagSelect(kvl::dbExpenseAccounts, kvl::tagAcc);
    EXPECT_EQ(kvl::PadNumber(7, 4), "   7");
    EXPECT_EQ(kvl::SeekText(kvl::dbExpenseAccounts, kvl::PadNumber(7, 4)), 0);
    EXPECT_EQ(f4int(kvl::fAccNo), 7);
    // A missing number lands on the next higher one; past the last there is none.
    EXPECT_EQ(kvl::SeekText(kvl::dbExpenseAccounts, kvl::PadNumber(8, 4)), r4after);
    EXPECT_EQ(f4int(kvl::fAccNo), 12);
    EXPECT_EQ(kvl::SeekText(kvl::dbExpenseAccounts, kvl::PadNumber(13, 4)), r4eof);
}

TEST_F(SeekTest, AccountAndDateKeyOnEAcc) {
    d4tagSelect(kvl::dbExpenses, kvl::tagEAcc);
    const QString day = kvl::DateToKey(QDate(2026, 1, 1));
    EXPECT_EQ(kvl::SeekText(kvl::dbExpenses, kvl::PadNumber(7, 4) + day), 0);
    EXPECT_EQ(d4recNo(kvl::dbExpenses), 3);
    // No expense of account 7 that day: the first later one of the account.
    EXPECT_EQ(
        kvl::SeekText(kvl::dbExpenses, kvl::PadNumber(7, 4) + kvl::DateToKey(QDate(2026, 1, 2))),
        r4after);
    EXPECT_EQ(d4recNo(kvl::dbExpenses), 1);
    // None later for account 7: the first record of a higher account.
    EXPECT_EQ(
        kvl::SeekText(kvl::dbExpenses, kvl::PadNumber(7, 4) + kvl::DateToKey(QDate(2026, 2, 1))),
        r4after);
    kvl::LoadExpenseRecord();
    EXPECT_EQ(kvl::ExpenseBuffer.account, 9);
}

TEST_F(SeekTest, DateAloneOnEDate) {
    d4tagSelect(kvl::dbExpenses, kvl::tagEDate);
    EXPECT_EQ(kvl::SeekText(kvl::dbExpenses, kvl::DateToKey(QDate(2026, 1, 1))), 0);
    kvl::LoadExpenseRecord();
    EXPECT_EQ(kvl::ExpenseBuffer.date, QDate(2026, 1, 1));
    EXPECT_EQ(kvl::ExpenseBuffer.account, 3);  // account text breaks the tie
    EXPECT_EQ(kvl::SeekText(kvl::dbExpenses, kvl::DateToKey(QDate(2026, 1, 2))), r4after);
    EXPECT_EQ(d4recNo(kvl::dbExpenses), 1);
    EXPECT_EQ(Walk(kvl::dbExpenses), (std::vector<long>{4, 2, 5, 3, 1}));
}

TEST_F(SeekTest, AFieldViewIsTheFieldTextWithoutACopy) {
    d4tagSelect(kvl::dbExpenses, kvl::tagEDate);
    ASSERT_EQ(kvl::SeekText(kvl::dbExpenses, kvl::DateToKey(QDate(2026, 1, 1))), 0);
    EXPECT_EQ(f4view(kvl::fExpDate), std::string_view(f4str(kvl::fExpDate)));
    EXPECT_EQ(f4view(kvl::fExpDate), "20260101");
    f4assign(kvl::fPayTo, "ab");
    EXPECT_EQ(f4view(kvl::fPayTo), std::string(f4str(kvl::fPayTo)));
    EXPECT_EQ(f4view(kvl::fPayTo).substr(0, 3), "ab ");
}

TEST_F(SeekTest, DeletedRecordIsInvisibleThroughEveryTagYetCountedAndReachable) {
    ASSERT_EQ(d4go(kvl::dbExpenses, 3), 0);
    d4delete(kvl::dbExpenses);
    ASSERT_EQ(d4refresh(kvl::dbExpenses), 0);

    d4tagSelect(kvl::dbExpenses, kvl::tagEDate);
    EXPECT_EQ(Walk(kvl::dbExpenses), (std::vector<long>{4, 2, 5, 1}));
    d4tagSelect(kvl::dbExpenses, kvl::tagEAcc);
    EXPECT_EQ(Walk(kvl::dbExpenses), (std::vector<long>{5, 2, 1, 4}));
    EXPECT_EQ(
        kvl::SeekText(kvl::dbExpenses, kvl::PadNumber(7, 4) + kvl::DateToKey(QDate(2026, 1, 1))),
        r4after);
    EXPECT_EQ(d4recNo(kvl::dbExpenses), 1);

    EXPECT_EQ(d4recCountDo(kvl::dbExpenses), 5);
    ASSERT_EQ(d4go(kvl::dbExpenses, 3), 0);
    EXPECT_EQ(d4deleted(kvl::dbExpenses), 1);
    kvl::LoadExpenseRecord();
    EXPECT_EQ(kvl::ExpenseBuffer.date, QDate(2026, 1, 1));

    // Record-number order, selected through the missing empty tag name, shows it.
    code4errTagName(kvl::cb, 0);
    TAG4* none = d4tag(kvl::dbExpenses, "");
    code4errTagName(kvl::cb, 1);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(code4errorCode(kvl::cb, 0), 0);
    d4tagSelect(kvl::dbExpenses, none);
    EXPECT_EQ(Walk(kvl::dbExpenses), (std::vector<long>{1, 2, 3, 4, 5}));
}

TEST_F(SeekTest, DeletedAccountIsSkippedOnAccTag) {
    ASSERT_EQ(kvl::SeekText(kvl::dbExpenseAccounts, kvl::PadNumber(7, 4)), 0);
    d4delete(kvl::dbExpenseAccounts);
    EXPECT_EQ(kvl::SeekText(kvl::dbExpenseAccounts, kvl::PadNumber(7, 4)), r4after);
    EXPECT_EQ(f4int(kvl::fAccNo), 12);
    EXPECT_EQ(Walk(kvl::dbExpenseAccounts), (std::vector<long>{2, 1}));
    EXPECT_EQ(d4recCountDo(kvl::dbExpenseAccounts), 3);
}

}  // namespace
