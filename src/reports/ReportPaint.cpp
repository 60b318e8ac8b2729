#include "reports/ReportPaint.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <functional>

#include "data/Clock.h"
#include "reports/ReportGrid.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

int CellColumn(QStringView cell, int at) {
    const QStringView digits = cell.mid(at, 2).trimmed();
    bool ok = false;
    const int column = digits.toInt(&ok);
    return ok ? column : 0;
}

// Inches written as a decimal number, with a point or the locale's comma.
double Inches(QStringView text) {
    QString t = text.trimmed().toString();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    return t.toDouble();
}

double PointSize(const QFont& font) {
    if (font.pointSizeF() > 0) return font.pointSizeF();
    return font.pixelSize() > 0 ? font.pixelSize() * 0.75 : 10.0;
}

// Whether the row is a page break: a cell that begins with "E" (EJECT).
bool PageBreak(const ReportGrid& grid, int row) {
    for (int c = 0; c + 1 < grid.columns(); ++c) {
        const QByteArrayView cell = grid.cellUtf8(row, c);
        if (!cell.isEmpty() && cell.front() == 'E') return true;
    }
    return false;
}

// The rows of the grid's longest page, page breaks not counted (they start a page, they take no
// line on paper).
int LongestPage(const ReportGrid& grid) {
    int longest = 0, lines = 0;
    for (int row = 0; row < grid.rows(); ++row) {
        if (PageBreak(grid, row))
            lines = 0;
        else
            longest = std::max(longest, ++lines);
    }
    return longest;
}

enum class Surface { Screen, Paper };

struct RowPainter {
    RowPainter(QPainter& p, const ReportGrid& g, const ReportMetrics& metrics, ReportImages& i,
               Surface s)
        : painter(p), grid(g), m(metrics), images(i), surface(s) {}

    QPainter& painter;
    const ReportGrid& grid;
    const ReportMetrics& m;
    ReportImages& images;
    Surface surface;
    int drawingWidth = 0;          // screen: the width of the dotted page-break rule
    std::function<int()> newPage;  // paper: starts a page, gives the row's new y
    double dpiX = 96, dpiY = 96;   // paper: for the printed size of images
    QPen solid;

    int x(int column) const { return column * m.cw + m.left; }

    // Draws the row with its top at y; returns the y of the next row.
    int paint(int row, int y) {
        const QString flags = grid.cell(row, grid.columns() - 1);
        QFont font = m.font;
        font.setBold(flags.contains(QLatin1Char('B')));
        painter.setFont(font);
        const QFontMetrics fm(font, painter.device());
        painter.setPen(solid);
        for (int c = 0; c + 1 < grid.columns(); ++c) {
            const QString cell = grid.cell(row, c);
            if (cell.isEmpty()) continue;
            const QChar kind = cell.at(0);
            if (kind == QLatin1Char('E')) {
                if (surface == Surface::Paper) {
                    y = newPage();
                } else {
                    QPen dotted(solid);
                    dotted.setStyle(Qt::DotLine);
                    painter.setPen(dotted);
                    painter.drawLine(0, y + m.lh / 2, drawingWidth - 1, y + m.lh / 2);
                    painter.setPen(solid);
                }
            } else if (kind == QLatin1Char('I')) {
                paintImage(cell, flags, y);
            } else if (kind == QLatin1Char('V')) {
                const int at = x(CellColumn(cell, 1));
                painter.drawLine(at, y, at, y + m.lh);
            } else if (kind == QLatin1Char('H')) {
                painter.drawLine(x(CellColumn(cell, 1)), y, x(CellColumn(cell, 3)), y);
            } else {
                const QString text = cell.mid(3);
                int at = x(CellColumn(cell, 1));
                if (kind == QLatin1Char('C')) at -= fm.horizontalAdvance(text) / 2;
                if (kind == QLatin1Char('R')) at -= fm.horizontalAdvance(text);
                painter.drawText(at, y + fm.ascent(), text);
            }
        }
        y += m.lh;
        if (flags.contains(QLatin1Char('U'))) painter.drawLine(m.left, y, m.right, y);
        return y;
    }

    void paintImage(const QString& cell, const QString& flags, int y) {
        const QImage* image = images.find(cell.mid(4, 60).trimmed());
        if (!image) return;
        const QChar align = cell.size() > 1 ? cell.at(1) : QLatin1Char('L');
        const int column = x(CellColumn(cell, 2));
        if (surface == Surface::Screen) {
            int at = column;
            if (align == QLatin1Char('C')) at -= image->width() / 2;
            if (align == QLatin1Char('R')) at -= image->width();
            painter.drawImage(QPoint(at, y), *image);
            return;
        }
        const int height = static_cast<int>(Inches(QStringView(flags).mid(1, 5)) * dpiY);
        const int width = static_cast<int>(Inches(QStringView(flags).mid(6, 5)) * dpiX);
        int at = column;
        if (align == QLatin1Char('C')) at -= width / 2;
        if (align == QLatin1Char('R')) at -= width;
        painter.drawImage(QRect(at, y, width, height), *image);
    }
};

}  // namespace

QFont FitReportFont(QFont font, const QPaintDevice* device, int reportWidth, int areaWidth,
                    int minPoints) {
    double points = PointSize(font);
    font.setPointSizeF(points);
    while (reportWidth * QFontMetrics(font, device).horizontalAdvance(QLatin1Char('B')) >
               areaWidth &&
           points > minPoints && points > 1) {
        points = std::max(1.0, points - 1);
        font.setPointSizeF(points);
    }
    return font;
}

ReportMetrics MeasureReport(const QFont& font, const QPaintDevice* device, int reportWidth,
                            int areaWidth) {
    ReportMetrics m;
    m.font = font;
    const QFontMetrics fm(font, device);
    m.cw = fm.horizontalAdvance(QLatin1Char('B'));
    m.lh = fm.height();
    m.ascent = fm.ascent();
    m.left = static_cast<int>(areaWidth / 2.0 - reportWidth * m.cw / 2.0);
    m.right = reportWidth * m.cw + m.left;
    return m;
}

const QImage* ReportImages::find(const QString& fileName) {
    const auto it = loaded_.constFind(fileName);
    if (it != loaded_.constEnd()) return &it.value();
    if (failed_.contains(fileName)) return nullptr;
    QImage image(fileName);
    if (image.isNull()) {
        failed_ << fileName;
        unreported_ << fileName;
        return nullptr;
    }
    return &loaded_.insert(fileName, image).value();
}

QStringList ReportImages::takeFailures() {
    QStringList failures;
    failures.swap(unreported_);
    return failures;
}

void PaintReportRows(QPainter& painter, const ReportGrid& grid, const ReportMetrics& metrics,
                     int firstRow, int count, int drawingWidth, ReportImages& images) {
    painter.setBackgroundMode(Qt::TransparentMode);
    RowPainter rows(painter, grid, metrics, images, Surface::Screen);
    rows.drawingWidth = drawingWidth;
    rows.solid = QPen(Qt::black, 0);
    int y = 0;
    const int last = std::min(grid.rows() - 1, firstRow + count - 1);
    for (int row = std::max(firstRow, 0); row <= last; ++row) y = rows.paint(row, y);
}

int PrintReportPages(QPagedPaintDevice& device, const ReportGrid& grid, const QFont& reportFont,
                     ReportImages& images) {
    QFont font = FitReportFont(reportFont, &device, grid.width(), device.width(), 1);
    // The grid's pages were laid out for some page and font, perhaps not this device's (kvl-cli's
    // 60 lines, a PDF of a report paged for the printer): the font shrinks until the longest of
    // them fits between the top and bottom margins of three lines.
    const int longest = LongestPage(grid);
    for (double points = PointSize(font); LinesPerPageOn(device, font) < longest && points > 1;) {
        points = std::max(1.0, points - 1);
        font.setPointSizeF(points);
    }
    const ReportMetrics metrics = MeasureReport(font, &device, grid.width(), device.width());
    const int top = 3 * metrics.lh;
    QPainter painter;
    if (!painter.begin(&device)) return 0;
    painter.setBackgroundMode(Qt::TransparentMode);
    int pages = 1;
    RowPainter rows(painter, grid, metrics, images, Surface::Paper);
    rows.dpiX = device.logicalDpiX();
    rows.dpiY = device.logicalDpiY();
    rows.solid = QPen(Qt::black, std::max(1, device.logicalDpiY() / 150));
    rows.newPage = [&] {
        device.newPage();
        ++pages;
        return top - metrics.lh;
    };
    int y = top;
    for (int row = 0; row < grid.rows(); ++row) {
        // A page too long for the page at the smallest font goes on over the next page, never
        // past the bottom margin.
        if (y + metrics.lh > device.height() && !PageBreak(grid, row)) {
            device.newPage();
            ++pages;
            y = top;
        }
        y = rows.paint(row, y);
    }
    return painter.end() ? pages : 0;
}

int LinesPerPageOn(const QPaintDevice& device, const QFont& font) {
    const int h = QFontMetrics(font, &device).height();
    return h > 0 ? device.height() / h - 6 : kLinesWithoutPrinter;
}

QPageSize LocalePaperSize() {
    const bool us = RegionalSettings().locale.measurementSystem() == QLocale::ImperialUSSystem;
    return QPageSize(us ? QPageSize::Letter : QPageSize::A4);
}

QPageLayout LocalePageLayout() {
    return QPageLayout(LocalePaperSize(), QPageLayout::Portrait, QMarginsF(0.25, 0.25, 0.25, 0.25),
                       QPageLayout::Inch);
}

int LinesPerPdfPage(const QFont& font, const QPageLayout& layout) {
    QBuffer nowhere;
    nowhere.open(QIODevice::WriteOnly);
    QPdfWriter writer(&nowhere);
    writer.setPageLayout(layout);
    return LinesPerPageOn(writer, font);
}

int WriteReportPdf(const ReportGrid& grid, const QString& fileName, const QFont& reportFont,
                   ReportImages& images, const QPageLayout& layout) {
    QPdfWriter writer(fileName);
    writer.setTitle(QStringLiteral("Report"));
    writer.setCreator(QStringLiteral("Kelvane Talvarin"));
    writer.setPageLayout(layout);
    return PrintReportPages(writer, grid, reportFont, images);
}

}  // namespace kvl
