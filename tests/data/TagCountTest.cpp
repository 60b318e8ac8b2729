// Counting a key range on a tag alone: live entries only, and the table's walk undisturbed.
#include <gtest/gtest.h>

#include "Support.h"

namespace {

class TagCountTest : public kvltest::DataDirTest {};

TEST_F(TagCountTest, CountsTheDateRangeAndLeavesTheWalkWhereItWas) {
    MakeDataSet();
    ASSERT_TRUE(kvl::OpenExpenses());
    AddExpense(QDate(2026, 1, 5), 7);    // 1
    AddExpense(QDate(2025, 12, 30), 7);  // 2
    AddExpense(QDate(2026, 1, 1), 7);    // 3
    AddExpense(QDate(2025, 11, 1), 9);   // 4
    AddExpense(QDate(2026, 1, 1), 3);    // 5
    AddExpense(QDate(2025, 12, 31), 3);  // 6, deleted below
    ASSERT_EQ(d4go(kvl::dbExpenses, 6), 0);
    d4delete(kvl::dbExpenses);
    ASSERT_EQ(d4refresh(kvl::dbExpenses), 0);

    d4tagSelect(kvl::dbExpenses, kvl::tagEDate);
    ASSERT_EQ(d4seek(kvl::dbExpenses, "20251230"), 0);
    EXPECT_EQ(d4tagCount(kvl::dbExpenses, "20251230", "20260101"), 3);
    EXPECT_EQ(d4tagCount(kvl::dbExpenses, "20251101", "20261231"), 5);
    EXPECT_EQ(d4tagCount(kvl::dbExpenses, "20260102", "20260104"), 0);
    EXPECT_EQ(d4recNo(kvl::dbExpenses), 2);
    ASSERT_EQ(d4skip(kvl::dbExpenses, 1), 0);
    EXPECT_EQ(d4recNo(kvl::dbExpenses), 5);  // 1 January, account 3 before account 7
}

}  // namespace
