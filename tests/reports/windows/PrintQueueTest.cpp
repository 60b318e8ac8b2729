// Printing through a real CUPS queue: a two-page report printed with the viewer's printing code
// to the queue KVL_CUPS_QUEUE, whose cups-pdf back end writes each job as a PDF file into
// KVL_CUPS_PDF_DIR, arrives with both pages and their rows; and the setup shows that queue as the
// current printer. Without such a queue (no variables, or lpstat cannot reach the scheduler) the
// tests are skipped: .ci/run sets the queue up through scripts/print-queue.sh.
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QThread>

#include "reports/ReportGrid.h"
#include "reports/ReportPaint.h"
#include "screen/Setup.h"

using namespace kvl;

namespace {

QString Run(const QString& program, const QStringList& arguments, bool* ok = nullptr) {
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(30000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput());
}

QSet<QString> PdfFiles(const QString& dir) {
    const QStringList names = QDir(dir).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    return {names.begin(), names.end()};
}

}  // namespace

class PrintQueueTest : public QObject {
    Q_OBJECT

    QString queue_ = qEnvironmentVariable("KVL_CUPS_QUEUE");
    QString pdfDir_ = qEnvironmentVariable("KVL_CUPS_PDF_DIR");

    // Empty when the queue can be printed to, else why the tests are skipped.
    QString Unavailable() const {
        if (queue_.isEmpty() || pdfDir_.isEmpty())
            return QStringLiteral("No CUPS queue: KVL_CUPS_QUEUE and KVL_CUPS_PDF_DIR are not set");
        bool ok = false;
        Run(QStringLiteral("lpstat"), {QStringLiteral("-p"), queue_}, &ok);
        if (!ok) return QStringLiteral("lpstat does not know the CUPS queue ") + queue_;
        return QString();
    }

  private slots:
    void aTwoPageReportArrivesThroughTheQueue() {
        if (const QString why = Unavailable(); !why.isEmpty()) QSKIP(qPrintable(why));
        const QPrinterInfo info = QPrinterInfo::printerInfo(queue_);
        QVERIFY2(!info.isNull(), "Qt does not list the CUPS queue");

        ReportGrid grid;
        grid.reset(40, 3);  // two cells and the flags
        for (int page = 1; page <= 2; ++page) {
            if (page > 1) {
                grid.appendRow();
                grid.set(grid.rows() - 1, 0, u"EJECT");
            }
            for (int row = 1; row <= 3; ++row) {
                grid.appendRow();
                grid.set(grid.rows() - 1, 0,
                         QStringLiteral("L00Page %1 row %2").arg(page).arg(row));
                grid.set(grid.rows() - 1, 1, QStringLiteral("R40%1.00").arg(page * 100 + row));
            }
        }
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPointSize(10);

        const QSet<QString> before = PdfFiles(pdfDir_);
        QPrinter printer(info, QPrinter::HighResolution);
        // cups-pdf names the file after the job: a name of its own makes it a new file.
        printer.setDocName(
            QStringLiteral("kvl-print-test-%1").arg(QDateTime::currentMSecsSinceEpoch()));
        ReportImages images;
        QCOMPARE(PrintReportPages(printer, grid, font, images), 2);

        // cups-pdf writes the file while the job runs: wait for a new file and an empty queue.
        QString pdf;
        const QDeadlineTimer deadline(60000);
        while (!deadline.hasExpired()) {
            const QSet<QString> added = PdfFiles(pdfDir_) - before;
            if (!added.isEmpty() &&
                Run(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue_}).trimmed().isEmpty()) {
                pdf = QDir(pdfDir_).filePath(*added.begin());
                break;
            }
            QThread::msleep(250);
        }
        QVERIFY2(!pdf.isEmpty(), "no PDF file from the queue within 60 seconds");

        bool ok = false;
        const QString details = Run(QStringLiteral("pdfinfo"), {pdf}, &ok);
        QVERIFY2(ok, qPrintable(pdf));
        QVERIFY2(details.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\b"))),
                 qPrintable(details));
        const QStringList pages =
            Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                .split(QChar('\f'));
        QVERIFY(pages.size() >= 2);
        for (int page = 1; page <= 2; ++page)
            for (int row = 1; row <= 3; ++row) {
                QVERIFY(pages.at(page - 1).contains(
                    QStringLiteral("Page %1 row %2").arg(page).arg(row)));
                QVERIFY(pages.at(page - 1).contains(QStringLiteral("%1.00").arg(page * 100 + row)));
            }
        QVERIFY(!pages.at(0).contains(QStringLiteral("Page 2")));
        QFile::remove(pdf);
    }

    // .ci/run makes the queue the default, which the setup shows until the user picks another.
    void theSetupShowsTheDefaultQueue() {
        if (const QString why = Unavailable(); !why.isEmpty()) QSKIP(qPrintable(why));
        QCOMPARE(QPrinterInfo::defaultPrinterName(), queue_);
        QVERIFY(PrinterInstalled());
        QCOMPARE(PrinterDisplay(), queue_ + QStringLiteral("-Portrait"));
    }
};

QTEST_MAIN(PrintQueueTest)
#include "PrintQueueTest.moc"
