// The byte-level cell texts against the general routines they stand in for.
#include <gtest/gtest.h>

#include <QDate>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "common/QStringPrint.h"
#include "data/Clock.h"
#include "data/DbUtil.h"
#include "engine/NumberText.h"
#include "reports/CellText.h"
#include "reports/ReportGrid.h"
#include "reports/RptUtil.h"

namespace {

using namespace kvl;

// What a writer makes after a stop, in a buffer of just its room.
QString Made(std::size_t room, const std::function<char*(char*)>& make) {
    std::string out = "R50" + std::string(room, '\0');
    const char* end = make(out.data() + 3);
    EXPECT_LE(end, out.data() + out.size());
    return QString::fromUtf8(out.data(), end - out.data());
}

TEST(CellText, GivesTheTextsOfTheGeneralRoutinesInEveryLocale) {
    for (const QLocale& locale :
         {QLocale(QLocale::English, QLocale::UnitedStates),
          QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::French, QLocale::France)}) {
        SetRegional(locale);
        ReportWidth = 67, CellsPerRow = 6;
        BeginReport(kLinesWithoutPrinter);
        const CellText text;
        for (const long long cents : {0LL, 5LL, -5LL, 99LL, 100LL, 99999LL, -100000LL, -123456LL,
                                      99999999LL, 100000000LL, -1234567890123LL, 99999999999999LL})
            EXPECT_EQ(
                Made(CellText::kAmountRoom, [&](char* out) { return text.amount(out, cents); }),
                "R50" + FormatCents(cents))
                << cents;
        for (const char* stored : {"20260131", "19991231", "        ", "20260230", " 2026 1 5"})
            EXPECT_EQ(Made(text.dateRoom(), [&](char* out) { return text.date(out, stored); }),
                      "R50" + ReportDate(KeyToDate(stored)))
                << stored;
        EndReport();
    }
    auto text = [](std::string_view field, char* (*make)(char*, std::string_view)) {
        return Made(CellText::textRoom(field.size()), [&](char* out) { return make(out, field); });
    };
    EXPECT_EQ(text("\xA0 Caf\xE9\t ", CellText::trimmed), QStringLiteral("R50Café"));
    EXPECT_EQ(text("  Paper Co  ", CellText::trimmed), "R50Paper Co");
    // Fields shorter than, as long as and just longer than a word, blanks and tabs trimmed.
    for (const auto& [field, trimmed] :
         std::vector<std::pair<std::string, QString>>{{"", "R50"},
                                                      {"   ", "R50"},
                                                      {" a\t", "R50a"},
                                                      {"abcdefgh", "R50abcdefgh"},
                                                      {" abcdefg ", "R50abcdefg"},
                                                      {"ab" + std::string(20, ' '), "R50ab"},
                                                      {"x  y" + std::string(9, ' '), "R50x  y"}})
        EXPECT_EQ(text(field, CellText::trimmed), trimmed) << field;
    EXPECT_EQ(text("\x80\x80\x80", CellText::trimmed), QStringLiteral("R50€€€"));
    EXPECT_EQ(text("Caf\xE9  ", CellText::text), QStringLiteral("R50Café  "));
    EXPECT_EQ(
        Made(CellText::kNumberRoom, [](char* out) { return CellText::number(out, LONG_MIN); }),
        "R50" + QString::number(LONG_MIN));
}

TEST(CellText, APlainNumberFieldGivesTheTextOfItsValueAndNoOtherFieldIsTaken) {
    for (const std::string field : {"   12", " 0012", "    0", "0000", "123456789", "7"}) {
        const QString value = QString::number(xb::IntegerText(field));
        EXPECT_EQ(Made(CellText::kNumberRoom,
                       [&](char* out) { return CellText::plainNumber(out, field); }),
                  "R50" + value)
            << field;
    }
    char out[CellText::kNumberRoom];
    for (const std::string field :
         {"", "     ", "  -12", " 1 2", "12  ", "+5", "1234567890", "1.5"})
        EXPECT_EQ(CellText::plainNumber(out, field), nullptr) << field;
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

TEST(CellText, RowsSetAtOnceOrWrittenInPlaceReadBackAsCellsSetOneByOne) {
    ReportGrid grid;
    grid.reset(67, 6);
    grid.appendRow();
    grid.appendRow();
    const QByteArrayView cells[] = {"L0005/01/26", "", "R24 10", "L26Caf\xC3\xA9"};
    grid.setRow(1, cells, 4);
    grid.setRow(0, cells, 0);
    // In place: a row begun and left unplaced, then rows placed over a block boundary.
    grid.beginRow(100);
    for (int r = 2; r < 3000; ++r) {
        char* text = grid.beginRow(64);
        grid.appendRow();
        const int n = std::snprintf(text, 64, "L00row %d", r);
        std::memcpy(text + n, "R50x", 4);
        const std::uint16_t lengths[] = {static_cast<std::uint16_t>(n), 0, 4};
        grid.endRow(r, lengths, r % 7 == 0 ? 0 : 3);
    }
    EXPECT_EQ(grid.cell(1, 0), QStringLiteral("L0005/01/26"));
    EXPECT_EQ(grid.cell(1, 1), QString());
    EXPECT_EQ(grid.cell(1, 3), QStringLiteral("L26Café"));
    EXPECT_EQ(grid.cell(1, 5), QString());
    EXPECT_EQ(grid.cell(0, 0), QString());
    EXPECT_EQ(grid.cell(2999, 0), QStringLiteral("L00row 2999"));
    EXPECT_EQ(grid.cell(2999, 2), QStringLiteral("R50x"));
    EXPECT_EQ(grid.cell(2999, 5), QString());
    EXPECT_EQ(grid.cell(2996, 0), QString());  // placed with no cells
    EXPECT_EQ(grid.cell(2, 0), QStringLiteral("L00row 2"));
}

}  // namespace
