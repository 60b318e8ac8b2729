#include <gtest/gtest.h>

#include "data/Clock.h"
#include "data/DbUtil.h"

namespace {

class DbUtilTest : public ::testing::Test {
  protected:
    void SetUp() override { kvl::SetToday(QDate(2026, 3, 10)); }
    void TearDown() override { kvl::SetToday(QDate()); }
};

TEST_F(DbUtilTest, CenturyWindowIn2026) {
    EXPECT_EQ(kvl::DateToKey(QDate(1965, 5, 1)), "20650501");
    EXPECT_EQ(kvl::DateToKey(QDate(2066, 5, 1)), "19660501");
    EXPECT_EQ(kvl::DateToKey(QDate(1966, 1, 1)), "19660101");
    EXPECT_EQ(kvl::DateToKey(QDate(2065, 12, 31)), "20651231");
    EXPECT_EQ(kvl::WindowYear(QDate(1965, 12, 31)), QDate(2065, 12, 31));
    EXPECT_EQ(kvl::WindowYear(QDate(2026, 3, 10)), QDate(2026, 3, 10));
}

TEST_F(DbUtilTest, WindowFollowsTheProgramClock) {
    kvl::SetToday(QDate(2030, 1, 1));  // window 1970 to 2069
    EXPECT_EQ(kvl::DateToKey(QDate(1969, 5, 1)), "20690501");
    EXPECT_EQ(kvl::DateToKey(QDate(1970, 5, 1)), "19700501");
    EXPECT_EQ(kvl::DateToKey(QDate(2070, 5, 1)), "19700501");
}

TEST_F(DbUtilTest, LeapDayMovedIntoAYearWithoutOneBecomesThe28th) {
    kvl::SetToday(QDate(1950, 1, 1));  // window 1890 to 1989: 2000 moves to 1900
    EXPECT_EQ(kvl::DateToKey(QDate(2000, 2, 29)), "19000228");
}

TEST_F(DbUtilTest, DateZeroIsBlank) {
    EXPECT_EQ(kvl::DateToKey(QDate()), "");
    EXPECT_FALSE(kvl::KeyToDate(QStringLiteral("        ")).isValid());
    EXPECT_FALSE(kvl::KeyToDate(QString()).isValid());
    EXPECT_FALSE(kvl::KeyToDate("").isValid());
}

TEST_F(DbUtilTest, KeyToDateReadsYearMonthDay) {
    EXPECT_EQ(kvl::KeyToDate(QStringLiteral("20260101")), QDate(2026, 1, 1));
    EXPECT_EQ(kvl::KeyToDate("19991231"), QDate(1999, 12, 31));
    // Stored dates are taken as they are; the window applies only on the way in.
    EXPECT_EQ(kvl::KeyToDate("21500704"), QDate(2150, 7, 4));
}

TEST_F(DbUtilTest, KeyThatNamesNoDayIsDateZero) {
    EXPECT_FALSE(kvl::KeyToDate("20260230").isValid());
    EXPECT_FALSE(kvl::KeyToDate("2026AB01").isValid());
    EXPECT_FALSE(kvl::KeyToDate("2026").isValid());
}

TEST_F(DbUtilTest, DateRoundTripsThroughItsKey) {
    for (QDate d(1967, 1, 1); d < QDate(2065, 12, 31); d = d.addDays(97))
        EXPECT_EQ(kvl::KeyToDate(kvl::DateToKey(d)), d) << d.toString().toStdString();
}

TEST_F(DbUtilTest, PadNumberRightAlignsLikeStr) {
    EXPECT_EQ(kvl::PadNumber(7, 4), "   7");
    EXPECT_EQ(kvl::PadNumber(0, 4), "   0");
    EXPECT_EQ(kvl::PadNumber(9999, 4), "9999");
    EXPECT_EQ(kvl::PadNumber(-5, 4), "  -5");
    EXPECT_EQ(kvl::PadNumber(12345, 4), "12345");
    EXPECT_EQ(kvl::PadNumber(42, 8), "      42");
}

}  // namespace
