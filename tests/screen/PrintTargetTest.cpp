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
        state.printerName = QStringLiteral("Office");
        state.defaultPrinter = QStringLiteral("Office");
        QCOMPARE(PrinterDisplay(PrintTargetOf(state)), QStringLiteral("Office-Portrait"));

        // No default: Qt has taken the first printer it found, which nobody chose.
        state.defaultPrinter.clear();
        PrintTarget target = PrintTargetOf(state);
        QCOMPARE(target.kind, PrintTargetKind::NotChosen);
        QCOMPARE(PrinterDisplay(target), QStringLiteral("No default printer"));
        state.picked = true;
        state.landscape = true;
        QCOMPARE(PrinterDisplay(PrintTargetOf(state)), QStringLiteral("Office-Landscape"));

        // "Print to File": the file, not the printer chosen before it.
        state.toFile = true;
        state.fileName = QStringLiteral("/home/books/report.pdf");
        target = PrintTargetOf(state);
        QCOMPARE(target.kind, PrintTargetKind::File);
        QCOMPARE(target.name, state.fileName);
        QCOMPARE(PrinterDisplay(target),
                 QStringLiteral("PDF file /home/books/report.pdf-Landscape"));
        state.installed = false;  // a file needs no printer
        QCOMPARE(PrintTargetOf(state).kind, PrintTargetKind::File);

        state.fileName.clear();
        QCOMPARE(PrintTargetOf(state).kind, PrintTargetKind::NoPrinter);
        QCOMPARE(PrinterDisplay(PrintTargetOf(state)), QString());
        state.installed = true;
        QCOMPARE(PrintTargetOf(state).kind, PrintTargetKind::NotChosen);
    }
};

QTEST_MAIN(PrintTargetTest)
#include "PrintTargetTest.moc"
