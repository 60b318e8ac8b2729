// The report viewer "Report": shows a finished report grid maximised on white, painting only the
// rows in view below a one-pixel rule, with a scroll bar down the right edge; prints it on the
// current printer; exports it as "Ascii Text" (*.txt), "Tab Delimited" (*.asc), "PDF" (*.pdf,
// through the printing code) or "Spreadsheet (xlsx)" (*.xlsx). The report font is reduced to fit
// the width, not below 8 points on screen. The export dialog leaves the current directory as it
// was, since the tables are opened by bare names. The grid stays its owner's; the viewer only reads
// it while shown.
#pragma once

#include <QDialog>
#include <QPageLayout>

#include "reports/ReportExport.h"
#include "reports/ReportPaint.h"

class QAction;
class QFileDialog;
class QMenu;
class QMenuBar;
class QScrollBar;

namespace kvl {

class ReportGrid;
class TReportArea;

class TReportF : public QDialog {
    Q_OBJECT
  public:
    explicit TReportF(QWidget* parent = nullptr);

    // Shows grid modally until the viewer is closed.
    void ShowReport(const ReportGrid& grid);
    const ReportGrid* Grid() const { return grid_; }

    QMenuBar* MainMenu1;  // Exit, Print and Export
    QAction* MenuExit;
    QAction* MenuPrint;
    QMenu* MenuExport;
    QAction* MenuAsciiText;
    QAction* MenuTabDelimited;
    QAction* MenuPdf;
    QAction* MenuXlsx;
    TReportArea* PaintBox1;  // the page drawn
    QScrollBar* ScrollBar1;  // pages through the report
    // The save dialog of the exports, "Export Report", created for each export.
    QFileDialog* SaveDialog1 = nullptr;

    // Screen metrics, computed at each showing and resize.
    ReportMetrics Metrics;
    int RowsPerScreen = 0;
    int FirstRow = 0;

    void FormShow();
    void MenuExitClick();
    void MenuPrintClick();
    void MenuAsciiTextClick() { ExportReport(ExportFormat::AsciiText); }
    void MenuTabDelimitedClick() { ExportReport(ExportFormat::TabDelimited); }
    void MenuPdfClick();
    void MenuXlsxClick();
    void ScrollBar1Change(int position);
    void PaintBox1Paint(QPainter& painter);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void ExportReport(ExportFormat format);
    // The save dialog's file name, or empty when cancelled; the current directory is restored.
    QString AskFileName(const QString& filter, const QString& suffix);
    void Measure();
    void ReportImageFailures();

    const ReportGrid* grid_ = nullptr;
    ReportImages images_;
};

// The drawing area left of the scroll bar.
class TReportArea : public QWidget {
    Q_OBJECT
  public:
    explicit TReportArea(TReportF* viewer);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    TReportF* viewer_;
};

extern TReportF* ReportForm;

}  // namespace kvl
