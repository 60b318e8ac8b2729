// The plain-text and tab-delimited exports of a grid: placement, tabs, line ends, the file.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>

#include "common/QStringPrint.h"
#include "common/TempDir.h"
#include "data/Messages.h"
#include "reports/ReportExport.h"
#include "reports/ReportGrid.h"

namespace {

using kvl::ExportFormat;
using kvl::ExportLine;

class RecordedMessages : public kvl::MessageSink {
  public:
    QStringList texts;
    kvl::MsgAnswer show(kvl::MsgKind, const QString& text, kvl::MsgDefault) override {
        texts << text;
        return kvl::MsgAnswer::Ok;
    }
};

// One row of cells.size() + 1 cells.
void Row(kvl::ReportGrid& grid, const QStringList& cells) {
    grid.appendRow();
    for (int c = 0; c < cells.size(); ++c) grid.set(grid.rows() - 1, c, cells.at(c));
}

TEST(ReportExport, AnAmountEndingAtColumnFiftyFillsCharactersThirtyEightToFifty) {
    kvl::ReportGrid grid;
    grid.reset(76, 3);
    Row(grid, {QString(), QStringLiteral("R50    -1,234.56")});
    const QString line = ExportLine(grid, 0, ExportFormat::AsciiText);
    EXPECT_EQ(line, QString(37, QLatin1Char(' ')) + QStringLiteral("    -1,234.56"));
    EXPECT_EQ(line.size(), 50);
}

TEST(ReportExport, ATitleCentredOnColumnThirtySixStartsAfterTwentyNineSpaces) {
    kvl::ReportGrid grid;
    grid.reset(73, 2);
    Row(grid, {QStringLiteral("C36General Ledger"), QStringLiteral("B")});
    EXPECT_EQ(ExportLine(grid, 0, ExportFormat::AsciiText),
              QString(29, QLatin1Char(' ')) + QStringLiteral("General Ledger"));
}

TEST(ReportExport, TextsNeverOverwriteAndEmptyTextsStillPad) {
    kvl::ReportGrid grid;
    grid.reset(67, 5);
    Row(grid, {QStringLiteral("L00A rather long first text"), QStringLiteral("R19"),
               QStringLiteral("L10next")});
    Row(grid,
        {QStringLiteral("L00TOTAL"), QStringLiteral("R19"), QString(), QStringLiteral("R30x")});
    EXPECT_EQ(ExportLine(grid, 0, ExportFormat::AsciiText),
              QStringLiteral("A rather long first textnext"));
    EXPECT_EQ(ExportLine(grid, 1, ExportFormat::AsciiText),
              QStringLiteral("TOTAL") + QString(24, QLatin1Char(' ')) + QStringLiteral("x"));
    EXPECT_EQ(ExportLine(grid, 1, ExportFormat::TabDelimited), QStringLiteral("TOTAL\t\tx"));
}

// Wide reports pad as far as their stops reach, from within the line's first 96 characters to
// beyond them.
TEST(ReportExport, PaddingReachesTheLastColumns) {
    kvl::ReportGrid grid;
    grid.reset(99, 3);
    const QString ninety(90, QLatin1Char('t'));
    Row(grid, {QStringLiteral("L00x"), QStringLiteral("R99y")});
    Row(grid, {"L00" + ninety, QStringLiteral("R99yz")});
    EXPECT_EQ(ExportLine(grid, 0, ExportFormat::AsciiText),
              "x" + QString(97, QLatin1Char(' ')) + "y");
    EXPECT_EQ(ExportLine(grid, 1, ExportFormat::AsciiText),
              ninety + QString(7, QLatin1Char(' ')) + "yz");
}

TEST(ReportExport, TabDelimitedStartsAtTheFirstSetCellAndKeepsLeadingSpaces) {
    kvl::ReportGrid grid;
    grid.reset(76, 6);
    Row(grid, {QString(), QString(), QStringLiteral("R50Period"), QStringLiteral("R63Prior")});
    Row(grid, {QStringLiteral("R05 12"), QStringLiteral("L07Rent"), QStringLiteral("R50   500.00"),
               QString(), QString(), QStringLiteral("U")});
    EXPECT_EQ(ExportLine(grid, 0, ExportFormat::TabDelimited), QStringLiteral("Period\tPrior"));
    EXPECT_EQ(ExportLine(grid, 1, ExportFormat::TabDelimited),
              QStringLiteral(" 12\tRent\t   500.00"));
}

TEST(ReportExport, OnlyTextCellsCountAndLinesEndInCrLfAsUtf8) {
    kvl::ReportGrid grid;
    grid.reset(40, 3);
    Row(grid, {QStringLiteral("L00Page 1"), QStringLiteral("R40Café")});
    Row(grid, {QStringLiteral("EJECT")});
    Row(grid, {QStringLiteral("V05"), QStringLiteral("H0110"), QStringLiteral("U")});
    Row(grid, {QStringLiteral("ILxx/picture.bmp"), QStringLiteral("R10é")});
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(kvl::WriteReportText(grid, out, ExportFormat::AsciiText));
    // "Café" is four characters ending at column 40, whatever its bytes.
    const QByteArray expected =
        "Page 1" + QByteArray(30, ' ') + "Caf\xc3\xa9\r\n\r\n\r\n         \xc3\xa9\r\n";
    EXPECT_EQ(out.data(), expected);
}

TEST(ReportExport, PlacesCountCharactersAndOddStopsReadAsTheirNumberOrZero) {
    kvl::ReportGrid grid;
    grid.reset(40, 2);
    Row(grid, {QStringLiteral("R05\U0001F600x")});  // a character beyond the basic plane
    Row(grid, {QStringLiteral("R 7ab")});
    Row(grid, {QStringLiteral("Cé5x")});  // the stop is no number: column 0
    Row(grid, {QStringLiteral("R9")});
    EXPECT_EQ(ExportLine(grid, 0, ExportFormat::AsciiText), QStringLiteral("   \U0001F600x"));
    EXPECT_EQ(ExportLine(grid, 1, ExportFormat::AsciiText), QStringLiteral("     ab"));
    EXPECT_EQ(ExportLine(grid, 2, ExportFormat::AsciiText), QStringLiteral("x"));
    EXPECT_EQ(ExportLine(grid, 3, ExportFormat::AsciiText), QString(9, QLatin1Char(' ')));
}

// Each row's cells are placed by their own stops, though a column's stop is read once while it
// stays the same.
TEST(ReportExport, AColumnsStopMayChangeFromRowToRow) {
    kvl::ReportGrid grid;
    grid.reset(40, 2);
    for (const char* cell : {"L05ab", "R05ab", "L05cd", "EJECT", "R05xyz", "C10abcd", "L5", "L05"})
        Row(grid, {QString::fromLatin1(cell)});
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(kvl::WriteReportText(grid, out, ExportFormat::AsciiText));
    EXPECT_EQ(out.data(), QByteArray("     ab\r\n   ab\r\n     cd\r\n\r\n  xyz\r\n        abcd\r\n"
                                     "     \r\n     \r\n"));
}

// A report of more than 16,384 rows is made in chunks by two threads and written in order: the
// text is every row's line in row order, in both formats, and a device that refuses a write stops
// it with false.
TEST(ReportExport, ALargeReportIsItsLinesInOrder) {
    kvl::ReportGrid grid;
    grid.reset(76, 4);
    for (int r = 0; r < 40000; ++r)
        Row(grid,
            {QStringLiteral("L00%1").arg(r), r % 3 ? QStringLiteral("R30Caf\u00e9") : QString(),
             QStringLiteral("C50%1").arg(r % 7)});
    for (const ExportFormat format : {ExportFormat::AsciiText, ExportFormat::TabDelimited}) {
        QByteArray expected;
        for (int r = 0; r < grid.rows(); ++r)
            expected += ExportLine(grid, r, format).toUtf8() + "\r\n";
        QBuffer out;
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_TRUE(kvl::WriteReportText(grid, out, format));
        EXPECT_TRUE(out.data() == expected);
    }
    QBuffer closed;  // not open: every write fails
    EXPECT_FALSE(kvl::WriteReportText(grid, closed, ExportFormat::AsciiText));
}

TEST(ReportExport, AFileIsReplacedOrReportedWhenItCannotBeCreated) {
    kvltest::TempDir dir;
    RecordedMessages messages;
    kvl::MessageSink* previous = kvl::SetMessageSink(&messages);
    kvl::ReportGrid grid;
    grid.reset(40, 2);
    Row(grid, {QStringLiteral("L00only")});
    const QString name = QString::fromStdString(dir.file("out.txt"));
    {
        QFile old(name);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(1000, 'x'));
    }
    EXPECT_TRUE(kvl::ExportReportFile(grid, name, ExportFormat::TabDelimited));
    QFile written(name);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("only\r\n"));

    const QString missing = QString::fromStdString(dir.file("no/such/dir/out.txt"));
    EXPECT_FALSE(kvl::ExportReportFile(grid, missing, ExportFormat::AsciiText));
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Unable to save to: ") + missing});
    kvl::SetMessageSink(previous);
}

}  // namespace
