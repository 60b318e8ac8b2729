// The date, amount and whole-number text rules in three locales, without any field.
#include <gtest/gtest.h>

#include <QLocale>

#include "data/Clock.h"
#include "data/EntryRules.h"

namespace {

class EntryRulesTest : public ::testing::Test {
  protected:
    void SetUp() override { kvl::SetToday(QDate(2026, 6, 15)); }
    void TearDown() override {
        kvl::SetToday(QDate());
        UseLocale("en_US");
    }
    static void UseLocale(const char* name) {
        kvl::SetRegional(QLocale(QString::fromLatin1(name)));
    }
};

TEST_F(EntryRulesTest, AmountMaskFollowsTheLocale) {
    const struct {
        const char* locale;
        const char* mask;
    } cases[] = {
        {"en_US", "!######.99;1;_"},
        {"en_GB", "!######.99;1;_"},
        {"de_DE", "!######,99;1;_"},
    };
    for (const auto& c : cases) {
        UseLocale(c.locale);
        EXPECT_EQ(kvl::AmountEditMask(), QString::fromLatin1(c.mask)) << c.locale;
    }
}

TEST_F(EntryRulesTest, ReadsDatesInTheLocalesOrder) {
    const QDate none;
    const struct {
        const char* name;
        const char* locale;
        const char* text;
        QDate expected;  // invalid: not a date
    } cases[] = {
        {"US 01/05/65 -> 2065", "en_US", "01/05/65", QDate(2065, 1, 5)},
        {"US 01/05/66 -> 1966", "en_US", "01/05/66", QDate(1966, 1, 5)},
        {"US 12/31/99 -> 1999", "en_US", "12/31/99", QDate(1999, 12, 31)},
        {"US 01/01/00 -> 2000", "en_US", "01/01/00", QDate(2000, 1, 1)},
        {"US 02/30/26 refused", "en_US", "02/30/26", none},
        {"US 13/01/26 refused", "en_US", "13/01/26", none},
        {"US 04/31/26 refused", "en_US", "04/31/26", none},
        {"US 02/29/28 leap", "en_US", "02/29/28", QDate(2028, 2, 29)},
        {"US 02/29/27 refused", "en_US", "02/29/27", none},
        {"US blanks before numbers", "en_US", " 1/ 5/26", QDate(2026, 1, 5)},
        {"US trailing separator", "en_US", "1/5/26/  ", QDate(2026, 1, 5)},
        {"US trailing text refused", "en_US", "1/5/26x", none},
        {"US two separators refused", "en_US", "1/5/26//", none},
        {"US missing number refused", "en_US", " 1/  /26", none},
        {"US empty field refused", "en_US", "  /  /  ", none},
        {"US four-digit year", "en_US", "1/5/1926", QDate(1926, 1, 5)},
        {"US wrong separator refused", "en_US", "01.05.26", none},
        {"GB 05/01/65 -> 2065", "en_GB", "05/01/65", QDate(2065, 1, 5)},
        {"GB 05/01/66 -> 1966", "en_GB", "05/01/66", QDate(1966, 1, 5)},
        {"GB 30/02/26 refused", "en_GB", "30/02/26", none},
        {"GB 13/12/26 day first", "en_GB", "13/12/26", QDate(2026, 12, 13)},
        {"GB 12/13/26 refused", "en_GB", "12/13/26", none},
        {"DE 05.01.65 -> 2065", "de_DE", "05.01.65", QDate(2065, 1, 5)},
        {"DE 05.01.66 -> 1966", "de_DE", "05.01.66", QDate(1966, 1, 5)},
        {"DE 30.02.26 refused", "de_DE", "30.02.26", none},
        {"DE slash refused", "de_DE", "05/01/26", none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UseLocale(c.locale);
        const std::optional<QDate> read = kvl::ReadDateText(QString::fromLatin1(c.text));
        if (!c.expected.isValid()) {
            EXPECT_FALSE(read) << (read ? read->toString(Qt::ISODate).toStdString() : "");
        } else {
            ASSERT_TRUE(read.has_value());
            EXPECT_EQ(*read, c.expected);
        }
    }
}

TEST_F(EntryRulesTest, TheWindowMovesWithToday) {
    UseLocale("en_US");
    kvl::SetToday(QDate(2080, 3, 1));  // window 2020..2119
    EXPECT_EQ(*kvl::ReadDateText(QStringLiteral("01/05/19")), QDate(2119, 1, 5));
    EXPECT_EQ(*kvl::ReadDateText(QStringLiteral("01/05/20")), QDate(2020, 1, 5));
}

TEST_F(EntryRulesTest, FormatsAmounts) {
    const struct {
        const char* name;
        const char* locale;
        double value;
        const char* format;
        const char* expected;
    } cases[] = {
        {"US f", "en_US", 123.0, "%9.2f", "   123.00"},
        {"US f negative", "en_US", -5.5, "%9.2f", "    -5.50"},
        {"US f no grouping", "en_US", 123456.78, "%9.2f", "123456.78"},
        {"US n", "en_US", 1234567.891, "%12.2n", "1,234,567.89"},
        {"US n negative", "en_US", -1234.5, "%13.2n", "    -1,234.50"},
        {"US n small", "en_US", 999.994, "%12.2n", "      999.99"},
        {"US n carry", "en_US", 999.995, "%12.2n", "    1,000.00"},
        {"US half away", "en_US", 1.005, "%9.2f", "     1.01"},
        {"US negative half", "en_US", -2.675, "%9.2f", "    -2.68"},
        {"US tiny negative", "en_US", -0.001, "%9.2f", "     0.00"},
        {"US fraction only", "en_US", 0.07, "%9.2f", "     0.07"},
        {"US too wide", "en_US", 12345678.0, "%9.2f", "12345678.00"},
        {"GB n", "en_GB", 1234567.891, "%12.2n", "1,234,567.89"},
        {"DE f", "de_DE", 123.0, "%9.2f", "   123,00"},
        {"DE n", "de_DE", 1234567.891, "%12.2n", "1.234.567,89"},
        {"DE n 13", "de_DE", -98765.4, "%13.2n", "   -98.765,40"},
    };
    for (const auto& c : cases) {
        UseLocale(c.locale);
        EXPECT_EQ(kvl::FormatAmount(c.value, QString::fromLatin1(c.format)),
                  QString::fromLatin1(c.expected))
            << c.name;
    }
}

TEST_F(EntryRulesTest, NormalizesAmountText) {
    const struct {
        const char* name;
        const char* locale;
        const char* text;
        const char* expected;  // empty: conversion fails
    } cases[] = {
        {"US digits", "en_US", "   123.  ", "   123.00"},
        {"US blanks inside", "en_US", " 1 2 3. 5", "   123.50"},
        {"US lone separator", "en_US", "      .  ", "     0.00"},
        {"US empty", "en_US", "         ", "     0.00"},
        {"US minus separator", "en_US", "     -.  ", "    -0.00"},
        {"US lone minus", "en_US", "     -   ", "    -0.00"},
        {"US minus zero digits", "en_US", "    -0.00", "    -0.00"},
        {"US negative number", "en_US", "   -12.5 ", "   -12.50"},
        {"US plus", "en_US", "   +12.  ", "    12.00"},
        {"US sign after digit", "en_US", "  1-2.   ", ""},
        {"US two minus", "en_US", "    --.  ", ""},
        {"US short text pads to text", "en_US", "-", "-0.00"},
        {"DE digits", "de_DE", "   123,  ", "   123,00"},
        {"DE minus separator", "de_DE", "     -,  ", "    -0,00"},
        {"DE point is not the separator", "de_DE", "   123.  ", ""},
        {"GB digits", "en_GB", "   123.  ", "   123.00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UseLocale(c.locale);
        const std::optional<QString> normal =
            kvl::NormalizeAmountText(QString::fromLatin1(c.text), QStringLiteral("%9.2f"));
        if (*c.expected == '\0') {
            EXPECT_FALSE(normal);
        } else {
            ASSERT_TRUE(normal.has_value());
            EXPECT_EQ(*normal, QString::fromLatin1(c.expected));
        }
    }
}

TEST_F(EntryRulesTest, IntegerConversion) {
    EXPECT_EQ(kvl::ReadIntegerText(QStringLiteral("12")), std::optional<int>(12));
    EXPECT_EQ(kvl::ReadIntegerText(QStringLiteral("-3")), std::optional<int>(-3));
    EXPECT_FALSE(kvl::ReadIntegerText(QStringLiteral("1 2")));
    EXPECT_FALSE(kvl::ReadIntegerText(QStringLiteral("99999999999")));
}

}  // namespace
