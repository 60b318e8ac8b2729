// The chart window: the chart it shows, its exports with their dialog (PNG and SVG read back),
// printing without a printer, and Escape.
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "common/FileDialogAnswers.h"
#include "common/NextModal.h"
#include "common/ScriptedResponder.h"
#include "data/Clock.h"
#include "reports/ChartU.h"
#include "screen/Setup.h"

using namespace kvl;
using kvltest::OnNextModal;

namespace {

ChartData Months() {
    return {ChartId::MonthlyProfit,
            {QStringLiteral("Office Monthly Profit"), QStringLiteral("for 1/1/26 through 2/10/26")},
            {{QDate(2026, 1, 31), 123456, 65432, 40000, 58024},
             {QDate(2026, 2, 10), 0, 99999, -99999, -99999}},
            {}};
}

}  // namespace

class ChartWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        SetRegional(QLocale(QStringLiteral("en_US")));
        ReportFont = QFont(QStringLiteral("DejaVu Sans"), 10);
    }

    void showsTheChartAndExportsItWhereTheUserSays() {
        QTemporaryDir dir, elsewhere;
        const QString before = QDir::currentPath();
        const ChartData data = Months();
        TChartF window;
        test::ScriptedResponder messages;
        kvltest::FileDialogAnswers dialogs;
        auto answer = [&](const QString& file) {
            dialogs.next(dir.path(), elsewhere.path(), file);
        };
        QString shownTitle;
        int series = 0;
        OnNextModal<TChartF>([&](TChartF* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Chart"));
            QCOMPARE(w->Data(), &data);
            shownTitle = w->ChartView1->chart()->title();
            series = static_cast<int>(w->ChartView1->chart()->series().size());
            answer(QStringLiteral("chart.png"));
            w->MenuPng->trigger();
            answer(QStringLiteral("chart.svg"));
            w->MenuSvg->trigger();
            answer(QString());
            w->MenuPdf->trigger();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        window.ShowChart(data);

        QVERIFY(!window.isVisible());
        QCOMPARE(window.Data(), nullptr);
        QVERIFY(shownTitle.contains(QStringLiteral("Office Monthly Profit<br>for 1/1/26")));
        QCOMPARE(series, 2);  // the bars and the net profit line
        QCOMPARE(dialogs.titles, QStringList(3, QStringLiteral("Export Chart")));
        QCOMPARE(dialogs.filters, QStringList({"PNG pictures (*.png)", "SVG pictures (*.svg)",
                                               "PDF files (*.pdf)"}));
        QCOMPARE(QDir::currentPath(), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"chart.png", "chart.svg"}));
        QCOMPARE(QImage(dir.filePath(QStringLiteral("chart.png"))).size(), QSize(1200, 800));
        QFile svg(dir.filePath(QStringLiteral("chart.svg")));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        QVERIFY(text.contains("viewBox=\"0 0 1200 800\""));
        QVERIFY(text.contains("01/31/26"));
        QVERIFY(messages.shown.isEmpty());
    }

    void printingWithoutAPrinterSaysSo() {
        if (PrinterInstalled()) QSKIP("a printer is installed on this machine");
        const ChartData data = Months();
        TChartF window;
        test::ScriptedResponder messages;
        OnNextModal<TChartF>([&](TChartF* w) {
            w->MenuPrint->trigger();
            w->MenuExit->trigger();
        });
        window.ShowChart(data);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].kind, MsgKind::Error);
        QCOMPARE(messages.shown[0].text, QStringLiteral("There is no printer installed."));
    }
};

QTEST_MAIN(ChartWindowTest)
#include "ChartWindowTest.moc"
