// The report grid's storage: cells read back as written, rewritten in any row, within its limits.
#include <gtest/gtest.h>

#include <cstring>

#include "common/QStringPrint.h"
#include "reports/ReportGrid.h"

namespace {

using kvl::ReportGrid;

TEST(ReportGrid, NewRowsAreEmptyAndCellsReadBackAsWritten) {
    ReportGrid grid;
    grid.reset(40, 3);
    EXPECT_EQ(grid.rows(), 0);
    grid.appendRow();
    grid.appendRow();
    grid.set(1, 1, u"L10Café – Ünïcode");
    grid.set(1, 0, u"R05 12");
    EXPECT_EQ(grid.cell(0, 0), QString());
    EXPECT_EQ(grid.cell(1, 0), QStringLiteral("R05 12"));
    EXPECT_EQ(grid.cell(1, 1), QStringLiteral("L10Café – Ünïcode"));
    EXPECT_EQ(grid.cell(1, 2), QString());
    EXPECT_EQ(grid.cell(5, 0), QString());
    EXPECT_EQ(grid.width(), 40);
    EXPECT_EQ(grid.columns(), 3);
}

TEST(ReportGrid, AnOlderRowCanBeRewrittenWithoutDisturbingItsNeighbours) {
    ReportGrid grid;
    grid.reset(40, 3);
    for (int r = 0; r < 5000; ++r) {
        grid.appendRow();
        grid.set(r, 0, QStringLiteral("R05%1").arg(r));
        grid.set(r, 1, QStringLiteral("L10account %1").arg(r));
    }
    grid.set(10, 2, u"U");
    grid.set(10, 1, u"L10a much longer description than before");
    grid.set(11, 1, u"");
    EXPECT_EQ(grid.cell(10, 0), QStringLiteral("R0510"));
    EXPECT_EQ(grid.cell(10, 1), QStringLiteral("L10a much longer description than before"));
    EXPECT_EQ(grid.cell(10, 2), QStringLiteral("U"));
    EXPECT_EQ(grid.cell(11, 0), QStringLiteral("R0511"));
    EXPECT_EQ(grid.cell(11, 1), QString());
    EXPECT_EQ(grid.cell(4999, 1), QStringLiteral("L10account 4999"));
}

TEST(ReportGrid, ACellLongerThanItsLimitIsCutAtACharacterBoundary) {
    ReportGrid grid;
    grid.reset(40, 2);
    grid.appendRow();
    grid.set(0, 0, QString(40000, QChar(0x00E9)));  // two UTF-8 bytes each
    EXPECT_EQ(grid.cell(0, 0), QString(32767, QChar(0x00E9)));
}

// A row's lengths take a byte a cell while every cell is shorter than 256 bytes, two otherwise:
// cells that cross that size either way, in the last row or an older one, read back whole.
TEST(ReportGrid, CellsCrossingTwoHundredFiftySixBytesReadBackWhole) {
    ReportGrid grid;
    grid.reset(40, 3);
    const QString longText = QStringLiteral("L10") + QString(300, QLatin1Char('x'));
    const QString edge = QStringLiteral("L10") + QString(252, QLatin1Char('y'));  // 255 bytes
    for (int r = 0; r < 3; ++r) grid.appendRow();
    grid.set(0, 0, u"R05 1");
    grid.set(0, 1, longText);  // the row read last grows past 255 in place
    grid.set(0, 2, u"C20z");
    grid.set(1, 1, edge);
    grid.set(2, 0, u"R05 3");
    grid.set(0, 1, u"L10short");  // an older row, back under 256
    grid.set(1, 2, longText);     // an older row, past 255
    EXPECT_EQ(grid.cell(0, 0), QStringLiteral("R05 1"));
    EXPECT_EQ(grid.cell(0, 1), QStringLiteral("L10short"));
    EXPECT_EQ(grid.cell(0, 2), QStringLiteral("C20z"));
    EXPECT_EQ(grid.cell(1, 1), edge);
    EXPECT_EQ(grid.cell(1, 2), longText);
    EXPECT_EQ(grid.cell(2, 0), QStringLiteral("R05 3"));

    // Whole rows: given, and written in place with more room than their cells take.
    const QByteArray wide(400, 'w');
    const QByteArrayView given[2] = {QByteArrayView("L00a"), QByteArrayView(wide)};
    grid.appendRow();
    grid.setRow(3, given, 2);
    grid.appendRow();
    char* at = grid.beginRow(1000);
    std::memcpy(at, "L00bR10cc", 9);
    const std::uint16_t lengths[2] = {4, 5};
    grid.endRow(4, lengths, 2);
    grid.appendRow();
    at = grid.beginRow(200);
    std::memcpy(at, "L00d", 4);
    grid.endRow(5, lengths, 1);
    QByteArrayView cells[3];
    EXPECT_EQ(grid.rowUtf8(3, cells), 404u);
    EXPECT_EQ(cells[1], QByteArrayView(wide));
    EXPECT_EQ(grid.rowUtf8(4, cells), 9u);
    EXPECT_EQ(cells[0], QByteArrayView("L00b"));
    EXPECT_EQ(cells[1], QByteArrayView("R10cc"));
    EXPECT_TRUE(cells[2].isEmpty());
    EXPECT_EQ(grid.cell(5, 0), QStringLiteral("L00d"));
    EXPECT_EQ(grid.cell(5, 1), QString());
    EXPECT_EQ(grid.cell(1, 1), edge);
}

TEST(ReportGrid, BlankRowsCostOnlyTheirReference) {
    ReportGrid grid;
    grid.reset(40, 6);
    const std::size_t before = grid.memoryUsed();
    for (int r = 0; r < 100000; ++r) grid.appendRow();
    EXPECT_LE(grid.memoryUsed() - before, 100000u * 8 * 2);
}

}  // namespace
