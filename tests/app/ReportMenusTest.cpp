// The Report Generation tab's menus: an entry is there for each report, the charts of accounts
// run from both menus into the viewer, and the Charts menu's charts over the folders chosen into
// the chart window.
#include <QMenu>
#include <QPushButton>

#include "common/AppFixture.h"
#include "common/NextModal.h"
#include "data/Period.h"
#include "reports/ChartU.h"
#include "reports/MultFolU.h"
#include "reports/ReportGrid.h"
#include "reports/ReportKinds.h"
#include "reports/ReportU.h"

using namespace kvl;
using kvl::test::AppFixture;

class ReportMenusTest : public QObject {
    Q_OBJECT

  private slots:
    void everyEntryNamesAReport() {
        AppFixture app;
        QVERIFY(app.start());
        for (QMenu* menu : {app.form->PopupExpRpt, app.form->PopupIncRpt, app.form->PopupProfRpt})
            for (const QAction* action : menu->actions())
                QVERIFY2(FindReportKind(action->objectName()), qPrintable(action->objectName()));
        QCOMPARE(app.form->PopupExpRpt->actions().last()->objectName(),
                 QStringLiteral("expense-chart"));
        QCOMPARE(app.form->PopupIncRpt->actions().last()->objectName(),
                 QStringLiteral("income-chart"));
    }

    void theChartsRunFromBothMenusIntoTheViewer() {
        AppFixture app;
        QVERIFY(app.start());
        QStringList titles;
        int rows = 0;
        auto look = [&] {
            kvltest::OnNextModal<TReportF>([&](TReportF* viewer) {
                titles << viewer->Grid()->cell(2, 0);
                rows = viewer->Grid()->rows();
                viewer->MenuExit->trigger();
            });
        };
        look();
        app.form->PopupExpRpt->actions().last()->trigger();
        look();
        app.form->PopupIncRpt->actions().last()->trigger();
        QCOMPARE(titles, QStringList({QStringLiteral("C20Expense Accounts"),
                                      QStringLiteral("C20Income Accounts")}));
        QVERIFY(rows > 8);
        QVERIFY(app.progress.shows.contains({true, QStringLiteral("Building Report")}));
        QCOMPARE(ReportForm->Grid(), nullptr);
    }

    void theChartsMenuShowsEachChartOverTheFoldersChosen() {
        AppFixture app;
        QVERIFY(app.start());
        QList<ChartId> shown;
        QStringList titles;
        auto chooseAll = [] {
            kvltest::OnNextModal<TMultFol>([](TMultFol* folders) {
                folders->BtnAll->click();
                folders->BtnRun->click();
            });
        };
        auto look = [&] {
            chooseAll();
            kvltest::OnNextModal<TChartF>([&](TChartF* chart) {
                shown << chart->Data()->id;
                titles << chart->Data()->titles;
                chart->MenuExit->trigger();
            });
        };
        for (QAction* action : app.form->PopupCharts->actions()) {
            look();
            action->trigger();
        }
        QCOMPARE(shown, QList<ChartId>({ChartId::MonthlyProfit, ChartId::ExpensesByAccount,
                                        ChartId::IncomeByAccount}));
        QCOMPARE(titles, QStringList({"Monthly Profit", "for 2/1/28 through 2/29/28",
                                      "Expenses by Account", "for 2/1/28 through 2/29/28",
                                      "Income by Account", "for 2/1/28 through 2/29/28"}));
        QVERIFY(app.progress.shows.contains({true, QStringLiteral("Building Chart")}));
        QVERIFY(app.responder.shown.isEmpty());

        ReportFrom = QDate(2040, 1, 1);
        ReportThrough = QDate(2040, 1, 31);
        chooseAll();
        app.form->PopupCharts->actions().first()->trigger();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(app.responder.shown.size(), 1);
        QCOMPARE(app.responder.shown[0].text, QStringLiteral("Report contains no data."));
    }
};

QTEST_MAIN(ReportMenusTest)
#include "ReportMenusTest.moc"
