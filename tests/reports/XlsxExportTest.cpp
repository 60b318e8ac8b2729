// The spreadsheet export read back (through openpyxl): values by their columns' kinds in the
// locale's formats (German here), exact cents, the page layout left out, titles and column headers
// once at the top of each sheet, section lines where a section begins, totals in bold, and a
// report longer than a sheet going on in a second sheet.
#include <gtest/gtest.h>

#include <QProcess>

#include "common/QStringPrint.h"
#include "common/TempDir.h"
#include "data/Clock.h"
#include "reports/ReportGrid.h"
#include "reports/RptUtil.h"
#include "reports/XlsxExport.h"

namespace {

using namespace kvl;

// The cells of every sheet as reports/xlsx_cells.py prints them.
QStringList ReadBack(const QString& file) {
    QProcess python;
    python.start(QStringLiteral(KVL_PYTHON),
                 {QStringLiteral(KVL_TEST_DATA_DIR "/reports/xlsx_cells.py"), file});
    EXPECT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

TEST(XlsxExport, CellsAreValuesOfTheirColumnsKindAndPageHeadersAreLeftOut) {
    SetRegional(QLocale(QStringLiteral("de_DE")));
    SetToday(QDate(2026, 2, 15));
    ReportWidth = 40;
    CellsPerRow = 4;
    BeginReport(9);  // a page break every few rows
    TitleLines = {QStringLiteral("Kasse"), QStringLiteral("for 2026")};
    ColumnStops = {QStringLiteral("L00"), QStringLiteral("R22"), QStringLiteral("R30")};
    SetColumnKinds({CellKind::Date, CellKind::Amount, CellKind::Number});
    HeaderRows[0] = {QStringLiteral("L00Date"), QStringLiteral("R22Amount"),
                     QStringLiteral("R30No"), QStringLiteral("U")};
    SectionLine = QStringLiteral("First");
    long long total = 0;
    for (int i = 0; i < 5; ++i) {
        StartRow();
        SetValue(0, ReportDate(QDate(2026, 1, 30).addDays(i)));
        SetValue(1, FormatCents(-123456789 + i));
        SetValue(2, QString::number(i * 1000));
        total += -123456789 + i;
    }
    StartRow();
    SetValue(0, QStringLiteral("a\x01memo"));  // a control character, which a sheet cannot hold
    SetValue(1, QStringLiteral("n/a"));
    UnderlineLastRow();
    StartRow();
    SetValue(0, QStringLiteral("Total"));
    SetValue(1, FormatCents(total));
    MarkTotalRow();
    SectionLine = QStringLiteral("Second");
    OpenSectionOnPage();
    StartRow();
    SetValue(1, FormatCents(5));

    kvltest::TempDir dir;
    const QString file = QString::fromStdString(dir.file("r.xlsx"));
    QString error;
    ASSERT_TRUE(WriteReportXlsx(Grid, file, &error, 8)) << error.toStdString();
    EndReport();
    SetRegional(QLocale(QStringLiteral("en_US")));
    SetToday(QDate());

    const QString top = QStringLiteral("*s:Kasse\n*s:for 2026\n*s:Date\t*s:Amount\t*s:No");
    const QStringList expected = (QStringLiteral("== Kasse\n") + top + QStringLiteral(R"(
*s:First
d:2026-01-30	a:-1234567.89	n:0
d:2026-01-31	a:-1234567.88	n:1000
d:2026-02-01	a:-1234567.87	n:2000
d:2026-02-02	a:-1234567.86	n:3000
== Kasse (2)
)") + top + QStringLiteral(R"(
d:2026-02-03	a:-1234567.85	n:4000
s:a memo	s:n/a
*s:Total	*a:-6172839.35
*s:Second
	a:0.05)"))
                                     .split('\n');
    EXPECT_EQ(ReadBack(file), expected);
}

TEST(XlsxExport, AFileThatCannotBeWrittenSaysWhy) {
    ReportGrid grid;
    grid.reset(10, 2);
    grid.appendRow();
    grid.set(0, 0, u"L00x");
    QString error;
    EXPECT_FALSE(WriteReportXlsx(grid, QStringLiteral("/nonexistent/dir/r.xlsx"), &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
