// The report viewer: maximised with its scroll bar set by the rows in view, what it paints, and
// its print and export commands with their dialogs and messages.
#include <QFileDialog>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "common/FileDialogAnswers.h"
#include "common/NextModal.h"
#include "common/ScriptedResponder.h"
#include "data/Clock.h"
#include "reports/ReportGrid.h"
#include "reports/ReportU.h"
#include "screen/Setup.h"

using namespace kvl;
using kvltest::OnNextModal;

namespace {

// Pages of a heading, a ruled header and `perPage` rows, EJECT between them.
void Fill(ReportGrid& grid, int pages, int perPage) {
    grid.reset(40, 3);
    auto row = [&](const QString& a, const QString& b, const QString& flags) {
        grid.appendRow();
        grid.set(grid.rows() - 1, 0, a);
        grid.set(grid.rows() - 1, 1, b);
        grid.set(grid.rows() - 1, 2, flags);
    };
    for (int p = 1; p <= pages; ++p) {
        if (p > 1) row(QStringLiteral("EJECT"), QString(), QString());
        row(QStringLiteral("L00Page %1").arg(p), QStringLiteral("R406/15/26"), QString());
        row(QStringLiteral("R05Acnt."), QStringLiteral("L10Account Name"), QStringLiteral("U"));
        for (int i = 1; i <= perPage; ++i)
            row(QStringLiteral("R05%1").arg(i),
                QStringLiteral("L10Row %1 of page %2").arg(i).arg(p), QString());
    }
}

QString PdfText(const QString& file) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
    text.waitForFinished();
    return QString::fromUtf8(text.readAllStandardOutput());
}

}  // namespace

class ViewerTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        // The file dialogs keep their history in the test area, not in the user's settings.
        QStandardPaths::setTestModeEnabled(true);
        SetRegional(QLocale(QStringLiteral("en_US")));
        ReportFont = QFont(QStringLiteral("DejaVu Sans"), 10);
    }

    void showsMaximisedAndScrollsALongReport() {
        ReportGrid grid;
        Fill(grid, 5, 60);
        TReportF viewer;
        bool checked = false;
        OnNextModal<TReportF>([&](TReportF* v) {
            QCOMPARE(v->windowTitle(), QStringLiteral("Report"));
            QVERIFY(v->isMaximized());
            QVERIFY(v->RowsPerScreen > 0);
            QVERIFY(v->ScrollBar1->isEnabled());
            QCOMPARE(v->ScrollBar1->maximum(), grid.rows() - v->RowsPerScreen);
            QCOMPARE(v->ScrollBar1->pageStep(), v->RowsPerScreen - 1);
            QTest::keyClick(v, Qt::Key_PageDown);
            QCOMPARE(v->FirstRow, v->RowsPerScreen - 1);
            QTest::keyClick(v, Qt::Key_End);
            QCOMPARE(v->FirstRow + v->RowsPerScreen, grid.rows());
            checked = true;
            v->MenuExit->trigger();
        });
        viewer.ShowReport(grid);
        QVERIFY(checked);
        QCOMPARE(viewer.Grid(), nullptr);
    }

    void aShortReportHasNoScrolling() {
        ReportGrid grid;
        Fill(grid, 1, 3);
        TReportF viewer;
        OnNextModal<TReportF>([&](TReportF* v) {
            QVERIFY(!v->ScrollBar1->isEnabled());
            QCOMPARE(v->FirstRow, 0);
            v->close();
        });
        viewer.ShowReport(grid);
    }

    // Escape closes the viewer also after the menu bar was worked from the keyboard, which takes
    // the focus while it is in use.
    void escapeClosesItAfterTheMenuWasUsed() {
        ReportGrid grid;
        Fill(grid, 1, 3);
        TReportF viewer;
        bool menuOpened = false, stayed = false;
        OnNextModal<TReportF>([&](TReportF* v) {
            QTest::keyClick(v, Qt::Key_E, Qt::AltModifier);
            menuOpened = QApplication::activePopupWidget() == static_cast<QWidget*>(v->MenuExport);
            for (int press = 0; press < 3 && v->isVisible(); ++press) {
                QWidget* keys = QApplication::activePopupWidget();
                if (!keys) keys = QApplication::focusWidget();
                QTest::keyClick(keys ? keys : v, Qt::Key_Escape);
            }
            stayed = v->isVisible();
            if (stayed) v->close();
        });
        viewer.ShowReport(grid);
        QVERIFY(menuOpened);
        QVERIFY(!stayed);
    }

    void exportsAskForAFileAndKeepTheCurrentDirectory() {
        QTemporaryDir dir, elsewhere;
        const QString before = QDir::currentPath();
        ReportGrid grid;
        Fill(grid, 2, 2);
        TReportF viewer;
        test::ScriptedResponder messages;
        kvltest::FileDialogAnswers dialogs;
        auto answer = [&](const QString& file) {
            dialogs.next(dir.path(), elsewhere.path(), file);
        };
        OnNextModal<TReportF>([&](TReportF* v) {
            answer(QStringLiteral("plain"));
            v->MenuAsciiText->trigger();
            answer(QStringLiteral("tabs"));
            v->MenuTabDelimited->trigger();
            answer(QString());
            v->MenuTabDelimited->trigger();
            answer(QStringLiteral("pages"));
            v->MenuPdf->trigger();
            answer(QStringLiteral("sheet"));
            v->MenuXlsx->trigger();
            v->close();
        });
        viewer.ShowReport(grid);

        QCOMPARE(dialogs.titles, QStringList(5, QStringLiteral("Export Report")));
        QCOMPARE(dialogs.filters, QStringList({"Text files (*.txt)", "Delimited files (*.asc)",
                                               "Delimited files (*.asc)", "PDF files (*.pdf)",
                                               "Spreadsheets (*.xlsx)"}));
        QCOMPARE(dialogs.suffixes, QStringList({"txt", "asc", "asc", "pdf", "xlsx"}));
        QCOMPARE(QDir::currentPath(), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList({"pages.pdf", "plain.txt", "sheet.xlsx", "tabs.asc"}));
        QFile plain(dir.filePath(QStringLiteral("plain.txt")));
        QVERIFY(plain.open(QIODevice::ReadOnly));
        QCOMPARE(plain.readLine(), "Page 1" + QByteArray(27, ' ') + "6/15/26\r\n");
        QFile tabs(dir.filePath(QStringLiteral("tabs.asc")));
        QVERIFY(tabs.open(QIODevice::ReadOnly));
        QCOMPARE(tabs.readLine(), QByteArray("Page 1\t6/15/26\r\n"));
        const QString pdf = PdfText(dir.filePath(QStringLiteral("pages.pdf")));
        QCOMPARE(pdf.count(QChar('\f')), 2);
        QVERIFY(pdf.contains(QStringLiteral("Row 2 of page 2")));
        QVERIFY(messages.shown.isEmpty());
    }

    void printingWithoutAPrinterSaysSoAndPrintsNothing() {
        if (PrinterInstalled()) QSKIP("a printer is installed on this machine");
        ReportGrid grid;
        Fill(grid, 1, 1);
        TReportF viewer;
        test::ScriptedResponder messages;
        OnNextModal<TReportF>([&](TReportF* v) {
            v->MenuPrint->trigger();
            v->close();
        });
        viewer.ShowReport(grid);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].kind, MsgKind::Error);
        QCOMPARE(messages.shown[0].text, QStringLiteral("There is no printer installed."));
    }
};

QTEST_MAIN(ViewerTest)
#include "ViewerTest.moc"
