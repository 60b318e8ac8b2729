// The Report Generation tab's menus: an entry is there for each report, usable once its builder
// exists, and the charts of accounts run from both menus into the viewer.
#include <QMenu>

#include "common/AppFixture.h"
#include "common/NextModal.h"
#include "reports/MultFolU.h"
#include "reports/ReportGrid.h"
#include "reports/ReportKinds.h"
#include "reports/ReportU.h"

using namespace kvl;
using kvl::test::AppFixture;

class ReportMenusTest : public QObject {
    Q_OBJECT

  private slots:
    void entriesAreUsableOnceTheirReportIsBuilt() {
        AppFixture app;
        QVERIFY(app.start());
        for (QMenu* menu : {app.form->PopupExpRpt, app.form->PopupIncRpt, app.form->PopupProfRpt})
            for (const QAction* action : menu->actions()) {
                const ReportKind* kind = FindReportKind(action->objectName());
                QVERIFY2(kind, qPrintable(action->objectName()));
                QCOMPARE(action->isEnabled(), kind->build != nullptr);
            }
        QCOMPARE(app.form->PopupExpRpt->actions().last()->objectName(),
                 QStringLiteral("expense-chart"));
        QCOMPARE(app.form->PopupIncRpt->actions().last()->objectName(),
                 QStringLiteral("income-chart"));
    }

    void theChartsRunFromBothMenusIntoTheViewer() {
        AppFixture app;
        QVERIFY(app.start());
        MultFolForm = new TMultFol(app.form);
        ReportForm = new TReportF(app.form);
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
        ReportForm = nullptr;
        MultFolForm = nullptr;
    }
};

QTEST_MAIN(ReportMenusTest)
#include "ReportMenusTest.moc"
