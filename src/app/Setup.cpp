#include "app/Setup.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

namespace kvl {

QDate ReportFrom;
QDate ReportThrough;
QFont ReportFont;

int MonthLength(int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return kDays[month - 1];
}

void CurrentMonthPeriod(const QDate& today, QDate* from, QDate* through) {
    *from = QDate(today.year(), today.month(), 1);
    // A month is never longer than 31 days, so stepping back from 31 days on lands on its last.
    QDate last = from->addDays(31);
    while (last.month() != today.month()) last = last.addDays(-1);
    *through = last;
}

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
