// The byte-level cell texts against the general routines they stand in for.
#include <gtest/gtest.h>

#include <QDate>
#include <cstdio>

#include "common/QStringPrint.h"
#include "data/Clock.h"
#include "data/DbUtil.h"
#include "reports/CellText.h"
#include "reports/ReportGrid.h"
#include "reports/RptUtil.h"

namespace {

using namespace kvl;

QString Made(const std::function<void(std::string&)>& make) {
    std::string out = "R50";
    make(out);
    return QString::fromStdString(out);
}

TEST(CellText, GivesTheTextsOfTheGeneralRoutinesInEveryLocale) {
    for (const QLocale& locale :
         {QLocale(QLocale::English, QLocale::UnitedStates),
          QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::French, QLocale::France)}) {
        SetRegional(locale);
        W = 67, N = 6;
        BeginReport(kLinesWithoutPrinter);
        const CellText text;
        for (const long long cents : {0LL, 5LL, -5LL, 99LL, 100LL, -123456LL, 99999999LL,
                                      100000000LL, -1234567890123LL, 99999999999999LL})
            EXPECT_EQ(Made([&](auto& out) { text.amount(out, cents); }), "R50" + FormatCents(cents))
                << cents;
        for (const char* stored : {"20260131", "19991231", "        ", "20260230", " 2026 1 5"})
            EXPECT_EQ(Made([&](auto& out) { text.date(out, stored); }),
                      "R50" + ReportDate(KeyToDate(stored)))
                << stored;
        EndReport();
    }
    EXPECT_EQ(Made([](auto& out) { CellText::trimmed(out, "\xA0 Caf\xE9\t "); }),
              QStringLiteral("R50Café"));
    EXPECT_EQ(Made([](auto& out) { CellText::trimmed(out, "  Paper Co  "); }), "R50Paper Co");
    EXPECT_EQ(Made([](auto& out) { CellText::text(out, "Caf\xE9  "); }), "R50Café  ");
    EXPECT_EQ(Made([](auto& out) { CellText::number(out, -1001); }), "R50-1001");
}

TEST(CellText, ADayIsRealExactlyWhenQDateSaysSo) {
    for (int year : {0, 1, 1900, 1999, 2000, 2024, 2025, 2100, 2400, 9999})
        for (int month = 0; month <= 13; ++month)
            for (int day = 0; day <= 32; ++day) {
                char stored[16];
                std::snprintf(stored, sizeof stored, "%04d%02d%02d", year, month, day);
                EXPECT_EQ(CellText::isDay(stored), QDate::isValid(year, month, day)) << stored;
            }
}

TEST(CellText, AWholeRowSetAtOnceReadsBackAsCellsSetOneByOne) {
    ReportGrid grid;
    grid.reset(67, 6);
    grid.appendRow();
    grid.appendRow();
    const QByteArrayView cells[] = {"L0005/01/26", "", "R24 10", "L26Caf\xC3\xA9"};
    grid.setRow(1, cells, 4);
    grid.setRow(0, cells, 0);
    EXPECT_EQ(grid.cell(1, 0), QStringLiteral("L0005/01/26"));
    EXPECT_EQ(grid.cell(1, 1), QString());
    EXPECT_EQ(grid.cell(1, 3), QStringLiteral("L26Café"));
    EXPECT_EQ(grid.cell(1, 5), QString());
    EXPECT_EQ(grid.cell(0, 0), QString());
}

}  // namespace
