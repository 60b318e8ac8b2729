#include "screen/Setup.h"

#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

namespace kvl {

QFont ReportFont;

namespace {

bool g_picked = false;

}  // namespace

QString FontDisplay(const QFont& font) {
    int points = font.pointSize();
    if (points <= 0 && font.pixelSize() > 0) points = qRound(font.pixelSize() * 72.0 / 96.0);
    return font.family() + QLatin1Char('@') + QString::number(points);
}

PrintTarget PrintTargetOf(const PrinterState& state) {
    if (state.toFile && !state.fileName.isEmpty())
        return {PrintTargetKind::File, state.fileName, state.landscape};
    if (!state.installed) return {};
    // Without a default, Qt takes the first printer it finds; the user must know and choose.
    const bool chosen = state.picked || state.printerName == state.defaultPrinter;
    if (!state.toFile && !state.printerName.isEmpty() && chosen)
        return {PrintTargetKind::Printer, state.printerName, state.landscape};
    return {PrintTargetKind::NotChosen, QString(), state.landscape};
}

QString PrinterDisplay(const PrintTarget& target) {
    const QString orientation =
        target.landscape ? QStringLiteral("-Landscape") : QStringLiteral("-Portrait");
    switch (target.kind) {
        case PrintTargetKind::Printer:
            return target.name + orientation;
        case PrintTargetKind::File:
            return QStringLiteral("PDF file ") + target.name + orientation;
        case PrintTargetKind::NotChosen:
            return QStringLiteral("No default printer");
        case PrintTargetKind::NoPrinter:
            break;
    }
    return QString();
}

QPrinter& CurrentPrinter() {
    static std::unique_ptr<QPrinter> printer;
    if (!printer) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        printer = info.isNull() ? std::make_unique<QPrinter>(QPrinter::HighResolution)
                                : std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    return *printer;
}

bool PrinterInstalled() {
    return !QPrinterInfo::availablePrinters().isEmpty();
}

PrintTarget CurrentPrintTarget() {
    const QPrinter& printer = CurrentPrinter();
    PrinterState state;
    state.toFile = printer.outputFormat() == QPrinter::PdfFormat;
    state.printerName = printer.printerName();
    state.fileName = printer.outputFileName();
    state.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    state.picked = g_picked;
    state.defaultPrinter = QPrinterInfo::defaultPrinterName();
    state.installed = PrinterInstalled();
    return PrintTargetOf(state);
}

QString PrinterDisplay() {
    return PrinterDisplay(CurrentPrintTarget());
}

bool PickPrinter(QWidget* parent) {
    QPrintDialog dialog(&CurrentPrinter(), parent);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    const bool taken = dialog.exec() == QDialog::Accepted;
    if (taken) g_picked = true;
    return taken;
}

}  // namespace kvl
