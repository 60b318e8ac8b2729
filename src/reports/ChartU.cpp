#include "reports/ChartU.h"

#include <QChartView>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QVBoxLayout>

#include "data/Messages.h"
#include "reports/ViewerParts.h"
#include "screen/Setup.h"

namespace kvl {

TChartF* ChartForm = nullptr;

TChartF::TChartF(QWidget* parent) : QDialog(parent) {
    const ViewerMenus menus = SetUpViewer(this, QStringLiteral("ChartF"), QStringLiteral("Chart"));
    MainMenu1 = menus.bar;
    MenuExit = menus.exit;
    MenuPrint = menus.print;
    MenuExport = menus.exports;
    MenuPng = MenuExport->addAction(QStringLiteral("P&NG"));
    MenuSvg = MenuExport->addAction(QStringLiteral("&SVG"));
    MenuPdf = MenuExport->addAction(QStringLiteral("&PDF"));

    ChartView1 = new QChartView(this);
    ChartView1->setObjectName(QStringLiteral("ChartView1"));
    ChartView1->setRenderHint(QPainter::Antialiasing);
    ChartView1->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(ChartView1, 1);
    resize(1000, 700);

    connect(MenuExit, &QAction::triggered, this, &TChartF::MenuExitClick);
    connect(MenuPrint, &QAction::triggered, this, &TChartF::MenuPrintClick);
    connect(MenuPng, &QAction::triggered, this, &TChartF::MenuPngClick);
    connect(MenuSvg, &QAction::triggered, this, &TChartF::MenuSvgClick);
    connect(MenuPdf, &QAction::triggered, this, &TChartF::MenuPdfClick);
}

void TChartF::ShowChart(const ChartData& data) {
    data_ = &data;
    QChart* old = ChartView1->chart();
    ChartView1->setChart(MakeChart(data, ReportFont));
    delete old;
    exec();
    data_ = nullptr;
}

void TChartF::MenuExitClick() {
    close();
}

void TChartF::MenuPrintClick() {
    if (!data_) return;
    if (!PrinterInstalled()) {
        ShowMessage(MsgKind::Error, QStringLiteral("There is no printer installed."));
        return;
    }
    QPrinter& printer = CurrentPrinter();
    printer.setDocName(data_->titles.join(QLatin1Char(' ')));
    bool printed = false;
    {
        const WaitCursor wait;
        printed = PrintChart(printer, *data_, ReportFont);
    }
    if (!printed)
        ShowMessage(
            MsgKind::Error,
            QStringLiteral("The chart could not be printed on %1.").arg(printer.printerName()));
}

void TChartF::ExportChart(ChartFormat format) {
    if (!data_) return;
    const char* const filters[] = {"PNG pictures (*.png)", "SVG pictures (*.svg)",
                                   "PDF files (*.pdf)"};
    const char* const suffixes[] = {"png", "svg", "pdf"};
    const auto which = static_cast<std::size_t>(format);
    const QString name =
        AskExportFile(this, QStringLiteral("Export Chart"), QString::fromLatin1(filters[which]),
                      QString::fromLatin1(suffixes[which]), &SaveDialog1);
    if (name.isEmpty()) return;
    const QPageLayout layout = format == ChartFormat::Pdf && PrinterInstalled()
                                   ? CurrentPrinter().pageLayout()
                                   : QPageLayout();
    bool saved = false;
    {
        const WaitCursor wait;
        saved = SaveChart(*data_, ReportFont, format, name, kChartSize, layout);
    }
    if (!saved) ShowMessage(MsgKind::Information, QStringLiteral("Unable to save to: ") + name);
}

}  // namespace kvl
