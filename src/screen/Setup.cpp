#include "screen/Setup.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

namespace kvl {

QFont ReportFont;

QString FontDisplay(const QFont& font) {
    int points = font.pointSize();
    if (points <= 0 && font.pixelSize() > 0) points = qRound(font.pixelSize() * 72.0 / 96.0);
    return font.family() + QLatin1Char('@') + QString::number(points);
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

QString PrinterDisplay() {
    QPrinter& printer = CurrentPrinter();
    if (printer.outputFormat() != QPrinter::NativeFormat || printer.printerName().isEmpty())
        return QString();
    const bool landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    return printer.printerName() +
           (landscape ? QStringLiteral("-Landscape") : QStringLiteral("-Portrait"));
}

}  // namespace kvl
