// Drawing a report grid: on the viewer's screen (the rows in view, an EJECT row as a dotted rule)
// and on paged devices, a printer or a PDF file (every row, an EJECT row as a new page). Both
// follow the cells' encoding: L, C and R text placed on its column, V and H lines, I images, bold
// and underlined rows. The x of column c is c × cw + the left margin, where cw is the width of
// "B" and the report (its width in characters) is centred on the area; rows are lh apart, lh being
// the height of "A". Painting needs a QGuiApplication (kvl-cli uses the offscreen platform).
#pragma once

#include <QFont>
#include <QHash>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

class QPaintDevice;
class QPagedPaintDevice;
class QPainter;

namespace kvl {

class ReportGrid;

struct ReportMetrics {
    QFont font;
    int cw = 0;      // width of "B"
    int lh = 0;      // height of "A"
    int ascent = 0;  // of the font, to draw text with its top at a row's y
    int left = 0;    // left margin: Trunc(area width / 2 - reportWidth × cw / 2)
    int right = 0;   // right margin: reportWidth × cw + left margin
};

// The font reduced one point at a time while reportWidth × cw exceeds areaWidth and its size is
// above minPoints (the screen stops at 8; printing goes down to 1).
QFont FitReportFont(QFont font, const QPaintDevice* device, int reportWidth, int areaWidth,
                    int minPoints);
ReportMetrics MeasureReport(const QFont& font, const QPaintDevice* device, int reportWidth,
                            int areaWidth);

// Images of I cells, loaded once by file name; the names that could not be loaded are kept for
// the caller to report once, outside painting.
class ReportImages {
  public:
    const QImage* find(const QString& fileName);
    QStringList takeFailures();

  private:
    QHash<QString, QImage> loaded_;
    QStringList failed_;
    QStringList unreported_;
};

// The viewer's picture: rows first to first + count - 1 (or the last), the first at y = 0, on an
// area drawingWidth wide that the caller has cleared to white.
void PaintReportRows(QPainter& painter, const ReportGrid& grid, const ReportMetrics& metrics,
                     int firstRow, int count, int drawingWidth, ReportImages& images);

// Prints every row on device, whose painter must not be active: the report font reduced to fit
// the page width, and further while the grid's longest page (its rows between EJECT rows) exceeds
// LinesPerPageOn(device, font); the first row three line heights down, a new page at each EJECT
// row, and never a row past the page's bottom. Returns the number of pages, or 0 when the device
// could not be painted on (no printer, unwritable file).
int PrintReportPages(QPagedPaintDevice& device, const ReportGrid& grid, const QFont& reportFont,
                     ReportImages& images);

// Rows a page of device holds in font: Trunc(page height / lh) - 6.
int LinesPerPageOn(const QPaintDevice& device, const QFont& font);

// The paper of the locale of data/Clock.h: Letter where US measures are used, A4 elsewhere.
QPageSize LocalePaperSize();
// That paper upright with a quarter-inch margin, as a printer without a setup of its own prints.
QPageLayout LocalePageLayout();

// Rows a PDF page of layout holds in font, as LinesPerPageOn a printer: for a report built to be
// written as a PDF.
int LinesPerPdfPage(const QFont& font, const QPageLayout& layout = LocalePageLayout());

// Writes the report to a PDF file laid out as PrintReportPages lays out a printed report on a
// page of layout. Returns the number of pages, 0 when the file could not be written.
int WriteReportPdf(const ReportGrid& grid, const QString& fileName, const QFont& reportFont,
                   ReportImages& images, const QPageLayout& layout = LocalePageLayout());

}  // namespace kvl
