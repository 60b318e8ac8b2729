// The chart window "Chart": shows a chart (ChartData.h) as ChartDraw.h draws it, prints it on the
// current printer, one page, and exports it as "PNG" (*.png) or "SVG" (*.svg) of 1200 by 800, or
// "PDF" (*.pdf, a page of the current printer's layout, or of the locale's paper, landscape). It is
// created once at start-up and shown modally for each chart, like the report viewer; Escape or
// "Exit" closes it. The data is its owner's; the window only reads it while shown.
#pragma once

#include <QDialog>

#include "reports/ChartData.h"
#include "reports/ChartDraw.h"

class QAction;
class QChartView;
class QFileDialog;
class QMenu;
class QMenuBar;

namespace kvl {

class TChartF : public QDialog {
    Q_OBJECT
  public:
    explicit TChartF(QWidget* parent = nullptr);

    // Shows the chart of data modally until the window is closed.
    void ShowChart(const ChartData& data);
    const ChartData* Data() const { return data_; }

    QMenuBar* MainMenu1;  // Exit, Print and Export
    QAction* MenuExit;
    QAction* MenuPrint;
    QMenu* MenuExport;
    QAction* MenuPng;
    QAction* MenuSvg;
    QAction* MenuPdf;
    QChartView* ChartView1;  // the chart drawn
    // The save dialog of the exports, "Export Chart", while it is open.
    QFileDialog* SaveDialog1 = nullptr;

    void MenuExitClick();
    void MenuPrintClick();
    void MenuPngClick() { ExportChart(ChartFormat::Png); }
    void MenuSvgClick() { ExportChart(ChartFormat::Svg); }
    void MenuPdfClick() { ExportChart(ChartFormat::Pdf); }

  private:
    void ExportChart(ChartFormat format);

    const ChartData* data_ = nullptr;
};

extern TChartF* ChartForm;

}  // namespace kvl
