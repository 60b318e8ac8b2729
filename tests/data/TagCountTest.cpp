// Counting a key range on a tag alone, and the quick readings of numbers a report walk makes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

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

// The quick readings of integers and cents give what the general parse gives, for every text.
TEST_F(TagCountTest, IntegersAndCentsReadAsTheGeneralParseReadsThem) {
    MakeDataSet();
    ASSERT_TRUE(kvl::OpenExpenses());
    AddExpense(QDate(2026, 1, 5), 7);
    for (const char* text :
         {"      1234.56", "   -0.05", "12", "  -17", "1234.5", "1.234", "  12.34  ", "+5.00", "-",
          ".25", "1e3", "999999999999999", "9999999999999999", "99999999999999.99",
          "9999999999999.99", "12-3.45", "", "   ", "\x01"}) {
        // As a number field holds it, right-aligned, and with blanks after it.
        const std::string rightAligned = std::string(30 - std::strlen(text), ' ') + text;
        for (const std::string& stored : {rightAligned, std::string(text)}) {
            f4assign(kvl::fPayTo, stored.c_str());
            double number = 0;
            (void)f4double2(kvl::fPayTo, &number);
            EXPECT_EQ(f4long(kvl::fPayTo), static_cast<long>(number)) << stored;
            EXPECT_EQ(f4cents(kvl::fPayTo), std::llround(number * 100.0)) << stored;
        }
    }
}

// A field's text ends at its first NUL byte, wherever in the field it lies.
TEST_F(TagCountTest, FieldTextEndsAtItsFirstNul) {
    for (const std::size_t at : {0u, 3u, 7u, 8u, 15u, 24u, 29u}) {
        std::string raw(30, 'x');
        raw[at] = '\0';
        raw[29] = at == 29 ? '\0' : 'y';
        EXPECT_EQ(f4viewText(raw), raw.substr(0, at)) << at;
    }
    EXPECT_EQ(f4viewText(std::string(30, 'x')), std::string(30, 'x'));
    EXPECT_EQ(f4viewText(std::string_view("ab\0", 3)), "ab");
}

}  // namespace
