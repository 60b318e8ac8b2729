// What Print uses and what the setup tab shows of it, decided without a print queue: the default
// printer, a printer the user picked, a PDF file, printers without a default, and none at all.
#include <QTest>

#include "screen/Setup.h"

using namespace kvl;

class PrintTargetTest : public QObject {
    Q_OBJECT

  private slots:
    void theTargetAndItsDisplay() {
        PrinterState state;
        state.installed = true;
        state.printerName = state.defaultPrinter = QStringLiteral("Office");
        QCOMPARE(PrinterDisplay(PrintTargetOf(state)), QStringLiteral("Office-Portrait"));
        // No default: Qt has taken the first printer it found, which nobody chose.
        state.defaultPrinter.clear();
        QCOMPARE(PrintTargetOf(state).kind, PrintTargetKind::NotChosen);
        QCOMPARE(PrinterDisplay(PrintTargetOf(state)), QStringLiteral("No default printer"));
        state.picked = state.landscape = true;
        QCOMPARE(PrinterDisplay(PrintTargetOf(state)), QStringLiteral("Office-Landscape"));
        // "Print to File": the file, not the printer chosen before it, and no printer needed.
        state.toFile = true;
        state.installed = false;
        state.fileName = QStringLiteral("/home/books/report.pdf");
        QCOMPARE(PrintTargetOf(state).name, state.fileName);
        QCOMPARE(PrinterDisplay(PrintTargetOf(state)),
                 QStringLiteral("PDF file /home/books/report.pdf-Landscape"));
        state.fileName.clear();
        QCOMPARE(PrintTargetOf(state).kind, PrintTargetKind::NoPrinter);
        QCOMPARE(PrinterDisplay(PrintTargetOf(state)), QString());
    }
};

QTEST_MAIN(PrintTargetTest)
#include "PrintTargetTest.moc"
