// The report grid's storage: cells read back as written, rewritten in any row, within its limits.
#include <gtest/gtest.h>

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

TEST(ReportGrid, BlankRowsCostOnlyTheirReference) {
    ReportGrid grid;
    grid.reset(40, 6);
    const std::size_t before = grid.memoryUsed();
    for (int r = 0; r < 100000; ++r) grid.appendRow();
    EXPECT_LE(grid.memoryUsed() - before, 100000u * 8 * 2);
}

}  // namespace
