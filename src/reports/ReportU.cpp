#include "reports/ReportU.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "data/Messages.h"
#include "reports/ReportGrid.h"
#include "reports/ViewerParts.h"
#include "reports/XlsxExport.h"
#include "screen/Setup.h"

namespace kvl {

TReportF* ReportForm = nullptr;

namespace {

// The screen font never goes below this size.
constexpr int kSmallestScreenPoints = 8;

}  // namespace

TReportArea::TReportArea(TReportF* viewer) : QWidget(viewer), viewer_(viewer) {
    setObjectName(QStringLiteral("PaintBox1"));
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The viewer's keys (scrolling, Escape) reach it through the drawing area. Without a control
    // of its own to hold the focus, the menu bar would keep it after its first keyboard use and
    // take Escape for itself.
    setFocusPolicy(Qt::StrongFocus);
}

void TReportArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    viewer_->PaintBox1Paint(painter);
}

void TReportArea::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 40;
    QScrollBar* bar = viewer_->ScrollBar1;
    if (bar->isEnabled()) bar->setValue(bar->value() - steps);
    event->accept();
}

TReportF::TReportF(QWidget* parent) : QDialog(parent) {
    const ViewerMenus menus =
        SetUpViewer(this, QStringLiteral("ReportF"), QStringLiteral("Report"));
    MainMenu1 = menus.bar;
    MenuExit = menus.exit;
    MenuPrint = menus.print;
    MenuExport = menus.exports;
    MenuAsciiText = MenuExport->addAction(QStringLiteral("Ascii &Text"));
    MenuTabDelimited = MenuExport->addAction(QStringLiteral("Tab &Delimited"));
    MenuPdf = MenuExport->addAction(QStringLiteral("&PDF"));
    MenuXlsx = MenuExport->addAction(QStringLiteral("&Spreadsheet (xlsx)"));

    auto* rule = new QFrame(this);
    rule->setObjectName(QStringLiteral("Rule"));
    rule->setFixedHeight(1);
    rule->setFrameShape(QFrame::NoFrame);
    rule->setAutoFillBackground(true);
    QPalette black = rule->palette();
    black.setColor(QPalette::Window, Qt::black);
    rule->setPalette(black);

    PaintBox1 = new TReportArea(this);
    ScrollBar1 = new QScrollBar(Qt::Vertical, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(PaintBox1, 1);
    body->addWidget(ScrollBar1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(rule);
    layout->addLayout(body, 1);

    connect(MenuExit, &QAction::triggered, this, &TReportF::MenuExitClick);
    connect(MenuPrint, &QAction::triggered, this, &TReportF::MenuPrintClick);
    connect(MenuAsciiText, &QAction::triggered, this, &TReportF::MenuAsciiTextClick);
    connect(MenuTabDelimited, &QAction::triggered, this, &TReportF::MenuTabDelimitedClick);
    connect(MenuPdf, &QAction::triggered, this, &TReportF::MenuPdfClick);
    connect(MenuXlsx, &QAction::triggered, this, &TReportF::MenuXlsxClick);
    connect(ScrollBar1, &QScrollBar::valueChanged, this, &TReportF::ScrollBar1Change);
}

void TReportF::ShowReport(const ReportGrid& grid) {
    grid_ = &grid;
    // The whole screen also where no window manager maximises windows.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    FormShow();
    exec();
    grid_ = nullptr;
}

void TReportF::FormShow() {
    PaintBox1->setFocus();
    FirstRow = 0;
    Measure();
    ScrollBar1->setValue(0);
}

void TReportF::Measure() {
    if (!grid_) return;
    const int drawingWidth = PaintBox1->width();
    const QFont font =
        FitReportFont(ReportFont, PaintBox1, grid_->width(), drawingWidth, kSmallestScreenPoints);
    Metrics = MeasureReport(font, PaintBox1, grid_->width(), drawingWidth);
    RowsPerScreen = Metrics.lh > 0 ? PaintBox1->height() / Metrics.lh : 0;
    const bool scrolls = grid_->rows() > RowsPerScreen;
    ScrollBar1->setEnabled(scrolls);
    if (scrolls) {
        ScrollBar1->setRange(0, grid_->rows() - RowsPerScreen);
        ScrollBar1->setPageStep(std::max(1, RowsPerScreen - 1));
        ScrollBar1->setSingleStep(1);
    } else {
        ScrollBar1->setRange(0, 0);
    }
    FirstRow = ScrollBar1->value();
    PaintBox1->update();
}

void TReportF::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Measure();
}

void TReportF::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Down:
            ScrollBar1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            return;
        case Qt::Key_Up:
            ScrollBar1->triggerAction(QAbstractSlider::SliderSingleStepSub);
            return;
        case Qt::Key_PageDown:
            ScrollBar1->triggerAction(QAbstractSlider::SliderPageStepAdd);
            return;
        case Qt::Key_PageUp:
            ScrollBar1->triggerAction(QAbstractSlider::SliderPageStepSub);
            return;
        case Qt::Key_Home:
            ScrollBar1->triggerAction(QAbstractSlider::SliderToMinimum);
            return;
        case Qt::Key_End:
            ScrollBar1->triggerAction(QAbstractSlider::SliderToMaximum);
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void TReportF::ScrollBar1Change(int position) {
    FirstRow = position;
    PaintBox1->repaint();
}

void TReportF::PaintBox1Paint(QPainter& painter) {
    if (!grid_) return;
    PaintReportRows(painter, *grid_, Metrics, FirstRow, RowsPerScreen, PaintBox1->width(), images_);
    QTimer::singleShot(0, this, &TReportF::ReportImageFailures);
}

void TReportF::ReportImageFailures() {
    for (const QString& name : images_.takeFailures())
        ShowMessage(MsgKind::Error, QStringLiteral("Unable to load the picture %1").arg(name));
}

void TReportF::MenuExitClick() {
    close();
}

void TReportF::MenuPrintClick() {
    if (!grid_) return;
    PrintTarget target = CurrentPrintTarget();
    if (target.kind == PrintTargetKind::NoPrinter) {
        ShowMessage(MsgKind::Error, QStringLiteral("There is no printer installed."));
        return;
    }
    if (target.kind == PrintTargetKind::NotChosen) {
        ShowMessage(MsgKind::Information,
                    QStringLiteral("There is no default printer. Choose the printer to use."));
        if (!PickPrinter(this)) return;
        target = CurrentPrintTarget();
        if (target.kind == PrintTargetKind::NotChosen) return;
    }
    QPrinter& printer = CurrentPrinter();
    printer.setDocName(windowTitle());
    int pages = 0;
    {
        const WaitCursor wait;
        pages = PrintReportPages(printer, *grid_, ReportFont, images_);
    }
    ReportImageFailures();
    if (pages == 0)
        ShowMessage(MsgKind::Error,
                    QStringLiteral("The report could not be printed on %1.").arg(target.name));
}

QString TReportF::AskFileName(const QString& filter, const QString& suffix) {
    return AskExportFile(this, QStringLiteral("Export Report"), filter, suffix, &SaveDialog1);
}

void TReportF::ExportReport(ExportFormat format) {
    if (!grid_) return;
    const bool tabs = format == ExportFormat::TabDelimited;
    const QString name = AskFileName(
        tabs ? QStringLiteral("Delimited files (*.asc)") : QStringLiteral("Text files (*.txt)"),
        tabs ? QStringLiteral("asc") : QStringLiteral("txt"));
    if (name.isEmpty()) return;
    const WaitCursor wait;
    ExportReportFile(*grid_, name, format);
}

void TReportF::MenuPdfClick() {
    if (!grid_) return;
    const QString name = AskFileName(QStringLiteral("PDF files (*.pdf)"), QStringLiteral("pdf"));
    if (name.isEmpty()) return;
    const QPageLayout layout =
        PrinterInstalled() ? CurrentPrinter().pageLayout() : LocalePageLayout();
    int pages = 0;
    {
        const WaitCursor wait;
        pages = WriteReportPdf(*grid_, name, ReportFont, images_, layout);
    }
    ReportImageFailures();
    if (pages == 0) ShowMessage(MsgKind::Information, QStringLiteral("Unable to save to: ") + name);
}

void TReportF::MenuXlsxClick() {
    if (!grid_) return;
    const QString name =
        AskFileName(QStringLiteral("Spreadsheets (*.xlsx)"), QStringLiteral("xlsx"));
    if (name.isEmpty()) return;
    const WaitCursor wait;
    ExportReportXlsx(*grid_, name);
}

}  // namespace kvl
