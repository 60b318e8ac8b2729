// Drawing a grid: what lands where on an image (rows, underlines, page-break rule) and the pages
// and text of a PDF written through the printing code.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

#include "common/TempDir.h"
#include "data/Clock.h"
#include "reports/ReportGrid.h"
#include "reports/ReportPaint.h"

namespace {

// Painting needs a QGuiApplication; the tests run on the offscreen platform.
class GuiEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "reports_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QGuiApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

  private:
    QGuiApplication* app_ = nullptr;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

QFont ReportFontForTest() {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSize(10);
    return font;
}

void Row(kvl::ReportGrid& grid, const QStringList& cells) {
    grid.appendRow();
    for (int c = 0; c < cells.size(); ++c) grid.set(grid.rows() - 1, c, cells.at(c));
}

int DarkPixels(const QImage& image, int y, int x0, int x1) {
    int dark = 0;
    for (int x = std::max(0, x0); x <= std::min(image.width() - 1, x1); ++x)
        if (qGray(image.pixel(x, y)) < 128) ++dark;
    return dark;
}

bool RowBandHasInk(const QImage& image, int top, int height) {
    for (int y = top; y < top + height; ++y)
        if (DarkPixels(image, y, 0, image.width() - 1) > 0) return true;
    return false;
}

TEST(ReportPaint, TheViewerDrawsTheRowsInViewWithUnderlinesAndThePageBreakRule) {
    kvl::ReportGrid grid;
    grid.reset(40, 3);
    Row(grid, {QStringLiteral("L00Page 1"), QStringLiteral("R40 6/15/26")});
    Row(grid, {QStringLiteral("R05Acnt."), QStringLiteral("L10Account Name"), QStringLiteral("U")});
    Row(grid, {QStringLiteral("EJECT")});
    Row(grid, {QStringLiteral("C20Title"), QString(), QStringLiteral("B")});
    Row(grid, {QStringLiteral("L00hidden below the view")});

    QImage image(800, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const kvl::ReportMetrics m = kvl::MeasureReport(ReportFontForTest(), &image, 40, 800);
    kvl::ReportImages images;
    kvl::PaintReportRows(painter, grid, m, 0, 4, 800, images);
    painter.end();

    ASSERT_GT(m.lh, 0);
    EXPECT_EQ(m.left, 400 - 20 * m.cw);
    EXPECT_TRUE(RowBandHasInk(image, 0, m.lh - 1));
    // The underline of row 1 runs from the left to the right margin at the row's bottom.
    EXPECT_EQ(DarkPixels(image, 2 * m.lh, m.left, m.right), m.right - m.left + 1);
    EXPECT_EQ(DarkPixels(image, 2 * m.lh, 0, m.left - 2), 0);
    // The page break is a dotted rule across the whole width, half a line down.
    const int rule = DarkPixels(image, 2 * m.lh + m.lh / 2, 0, 799);
    EXPECT_GT(rule, 200);
    EXPECT_LT(rule, 700);
    EXPECT_TRUE(RowBandHasInk(image, 3 * m.lh + 1, m.lh - 1));
    // Only four rows are in view.
    EXPECT_FALSE(RowBandHasInk(image, 4 * m.lh + 1, 400 - 4 * m.lh - 1));
}

TEST(ReportPaint, LinesAndImagesAreDrawnOnTheirColumns) {
    kvltest::TempDir dir;
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::black);
    const QString file = QString::fromStdString(dir.file("logo.png"));
    ASSERT_TRUE(picture.save(file));
    kvl::ReportGrid grid;
    grid.reset(40, 4);
    Row(grid, {QStringLiteral("V05"), QStringLiteral("H0110")});
    Row(grid, {QStringLiteral("IC20") + file, QStringLiteral("IL30missing.png")});

    QImage image(800, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const kvl::ReportMetrics m = kvl::MeasureReport(ReportFontForTest(), &image, 40, 800);
    kvl::ReportImages images;
    kvl::PaintReportRows(painter, grid, m, 0, 2, 800, images);
    painter.end();

    auto x = [&](int column) { return column * m.cw + m.left; };
    EXPECT_EQ(DarkPixels(image, 0, x(1), x(10)), x(10) - x(1) + 1);  // H at the row's top
    EXPECT_EQ(DarkPixels(image, m.lh / 2, 0, 799), 1);               // V, one line high
    EXPECT_LT(qGray(image.pixel(x(5), m.lh / 2)), 128);
    // The picture is centred on column 20, unscaled, its top at the row's.
    EXPECT_EQ(DarkPixels(image, m.lh + 5, 0, 799), 20);
    EXPECT_LT(qGray(image.pixel(x(20) - 10, m.lh)), 128);
    EXPECT_EQ(DarkPixels(image, m.lh + 10, 0, 799), 0);
    EXPECT_EQ(images.takeFailures(), QStringList{QStringLiteral("missing.png")});
}

TEST(ReportPaint, TheScreenFontShrinksToFitButNotBelowEightPoints) {
    QImage image(300, 100, QImage::Format_RGB32);
    const QFont fitted = kvl::FitReportFont(ReportFontForTest(), &image, 40, 300, 8);
    EXPECT_LT(fitted.pointSizeF(), 10);
    EXPECT_LE(40 * QFontMetrics(fitted, &image).horizontalAdvance(QLatin1Char('B')), 300);
    EXPECT_EQ(kvl::FitReportFont(ReportFontForTest(), &image, 99, 50, 8).pointSizeF(), 8);
}

TEST(ReportPaint, APdfHasAPageForEachEjectAndTheRowsAsText) {
    kvl::SetRegional(QLocale(QLocale::English, QLocale::UnitedStates));
    kvl::ReportGrid grid;
    grid.reset(40, 3);
    for (int page = 1; page <= 3; ++page) {
        if (page > 1) Row(grid, {QStringLiteral("EJECT")});
        Row(grid, {QStringLiteral("L00Page %1").arg(page), QStringLiteral("R40 6/15/26")});
        Row(grid, {QStringLiteral("R05%1").arg(page * 10),
                   QStringLiteral("L10Account %1").arg(page), QStringLiteral("U")});
    }
    kvltest::TempDir dir;
    const QString pdf = QString::fromStdString(dir.file("report.pdf"));
    kvl::ReportImages images;
    EXPECT_EQ(kvl::WriteReportPdf(grid, pdf, ReportFontForTest(), images), 3);

    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_TRUE(info.waitForFinished());
    const QString details = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(details.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\b"))));
    EXPECT_TRUE(details.contains(QStringLiteral("612 x 792")));  // Letter, for US English

    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished());
    const QStringList pages = QString::fromUtf8(text.readAllStandardOutput()).split(QChar('\f'));
    ASSERT_GE(pages.size(), 3);
    for (int page = 1; page <= 3; ++page) {
        EXPECT_TRUE(pages.at(page - 1).contains(QStringLiteral("Page %1").arg(page)));
        EXPECT_TRUE(pages.at(page - 1).contains(QStringLiteral("Account %1").arg(page)));
    }
}

// The text pdftotext reads from the file, pages separated by form feeds.
QString PdfText(const QString& pdf) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    text.waitForFinished();
    return QString::fromUtf8(text.readAllStandardOutput());
}

// Pages of `lines` rows each ("Row n" and an amount), an EJECT row between pages.
void FillPages(kvl::ReportGrid& grid, int pages, int lines) {
    grid.reset(40, 3);
    for (int page = 0, n = 0; page < pages; ++page) {
        if (page > 0) Row(grid, {QStringLiteral("EJECT")});
        for (int line = 0; line < lines; ++line, ++n)
            Row(grid, {QStringLiteral("L00Row %1").arg(n, 3, 10, QChar('0')),
                       QStringLiteral("R40%1.00").arg(n)});
    }
}

TEST(ReportPaint, APdfPageHoldsEveryRowItIsGivenWhateverTheFont) {
    kvl::SetRegional(QLocale(QLocale::English, QLocale::UnitedStates));
    kvltest::TempDir dir;
    const QString pdf = QString::fromStdString(dir.file("report.pdf"));
    kvl::ReportGrid grid;
    // Pages of 59 rows, as a report paged for 60 lines without a printer: at 14 and 18 points the
    // font shrinks until they fit, and the pages stay the report's.
    FillPages(grid, 3, 59);
    for (int points : {14, 18}) {
        QFont font = ReportFontForTest();
        font.setPointSize(points);
        kvl::ReportImages images;
        EXPECT_EQ(kvl::WriteReportPdf(grid, pdf, font, images), 3) << points;
        const QStringList pages = PdfText(pdf).split(QChar('\f'));
        ASSERT_GE(pages.size(), 3);
        for (int n = 0; n < 3 * 59; ++n)
            EXPECT_TRUE(
                pages.at(n / 59).contains(QStringLiteral("Row %1").arg(n, 3, 10, QChar('0'))))
                << points << " points, row " << n;
    }
    // A page that no font fits goes on over further pages instead of past the bottom.
    FillPages(grid, 1, 60);
    const QPageLayout stub(QPageSize(QSizeF(4, 0.75), QPageSize::Inch), QPageLayout::Portrait,
                           QMarginsF(0.1, 0.1, 0.1, 0.1), QPageLayout::Inch);
    kvl::ReportImages images;
    EXPECT_GT(kvl::WriteReportPdf(grid, pdf, ReportFontForTest(), images, stub), 1);
    const QString text = PdfText(pdf);
    for (int n = 0; n < 60; ++n)
        EXPECT_TRUE(text.contains(QStringLiteral("Row %1").arg(n, 3, 10, QChar('0')))) << n;
}

}  // namespace
