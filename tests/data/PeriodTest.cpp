#include <gtest/gtest.h>

#include "data/Clock.h"
#include "data/DbUtil.h"
#include "data/Period.h"

namespace {

TEST(PeriodTest, TwoDigitYearsShareTheStoredDatesWindow) {
    kvl::SetToday(QDate(2026, 3, 10));
    EXPECT_EQ(kvl::TwoDigitYear(66), 1966);
    EXPECT_EQ(kvl::TwoDigitYear(99), 1999);
    EXPECT_EQ(kvl::TwoDigitYear(0), 2000);
    EXPECT_EQ(kvl::TwoDigitYear(65), 2065);
    for (int written = 0; written < 100; ++written) {
        const QDate typed(kvl::TwoDigitYear(written), 6, 1);
        EXPECT_EQ(kvl::WindowYear(typed), typed) << written;
    }
    kvl::SetToday(QDate());
}

TEST(PeriodTest, FiscalYearStartIsTheLatestOnOrBeforeTheDate) {
    EXPECT_EQ(kvl::FiscalYearStart(QDate(2026, 7, 1), 7, 1), QDate(2026, 7, 1));
    EXPECT_EQ(kvl::FiscalYearStart(QDate(2026, 6, 30), 7, 1), QDate(2025, 7, 1));
    EXPECT_EQ(kvl::FiscalYearStart(QDate(2026, 7, 14), 7, 15), QDate(2025, 7, 15));
    EXPECT_EQ(kvl::FiscalYearStart(QDate(2026, 12, 31), 1, 1), QDate(2026, 1, 1));
    // A settings record without a valid start counts the calendar year.
    EXPECT_EQ(kvl::FiscalYearStart(QDate(2026, 6, 30), 0, 0), QDate(2026, 1, 1));
    EXPECT_EQ(kvl::FiscalYearStart(QDate(2026, 6, 30), 2, 30), QDate(2026, 1, 1));
    EXPECT_EQ(kvl::FiscalYearStart(QDate(2026, 6, 30), 13, 1), QDate(2026, 1, 1));
}

TEST(PeriodTest, MonthsAndFiscalStarts) {
    QDate from, through;
    kvl::CurrentMonthPeriod(QDate(2028, 2, 10), &from, &through);
    EXPECT_EQ(from, QDate(2028, 2, 1));
    EXPECT_EQ(through, QDate(2028, 2, 29));
    EXPECT_TRUE(kvl::FiscalDayValid(2, 28));
    EXPECT_FALSE(kvl::FiscalDayValid(2, 29));
    EXPECT_FALSE(kvl::FiscalDayValid(4, 31));
    EXPECT_FALSE(kvl::FiscalMonthValid(13));
}

}  // namespace
