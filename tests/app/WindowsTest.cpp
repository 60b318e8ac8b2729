// The program's windows as CreateWindows makes them: every one under the main window in the
// global its callers reach it through, and none reachable once the main window is gone.
#include <QTest>

#include "accounts/AccountU.h"
#include "accounts/FolderU.h"
#include "accounts/PickAccU.h"
#include "accounts/PickFolU.h"
#include "app/About.h"
#include "app/DriveDirU.h"
#include "common/AppFixture.h"
#include "entry/ExpenseU.h"
#include "entry/IncomeU.h"
#include "entry/PickExpU.h"
#include "entry/PickIncU.h"
#include "reports/ChartU.h"
#include "reports/MultFolU.h"
#include "reports/ReportU.h"
#include "transfer/ArchiveU.h"
#include "transfer/PmtImportU.h"
#include "transfer/RateChangeU.h"
#include "transfer/StmtImportU.h"

using namespace kvl;

namespace {

QList<QWidget*> Windows() {
    return {AboutForm,      PickIncForm,   IncomeForm,     PickFolForm, FolderForm,   PickExpForm,
            ExpenseForm,    PickAccForm,   AccountForm,    MultFolForm, DriveDirForm, ArchiveForm,
            RateChangeForm, PmtImportForm, StmtImportForm, ReportForm,  ChartForm};
}

}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void everyWindowBelongsToTheMainWindowAndGoesWithIt() {
        {
            test::AppFixture app;
            QCOMPARE(FormMain, app.form);
            QSet<QWidget*> distinct;
            for (QWidget* window : Windows()) {
                QVERIFY(window);
                QCOMPARE(window->parentWidget(), app.form);
                distinct.insert(window);
            }
            QCOMPARE(distinct.size(), Windows().size());
            QCOMPARE(app.about, AboutForm);
            app.renewForm();
            QCOMPARE(FormMain, app.form);
            QCOMPARE(AccountForm->parentWidget(), app.form);
        }
        QCOMPARE(FormMain, nullptr);
        for (QWidget* window : Windows()) QCOMPARE(window, nullptr);
    }
};

QTEST_MAIN(WindowsTest)
#include "WindowsTest.moc"
