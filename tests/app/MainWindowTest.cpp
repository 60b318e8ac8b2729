// The main window's controls, menus, help, progress box and the two maintenance buttons that
// already work.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>

#include "common/AppFixture.h"
#include "screen/Help.h"

using namespace kvl;
using kvl::test::AppFixture;

namespace {

long RecordCount(const char* table) {
    DATA4* data = d4open(cb, table);
    const long count = data ? d4recCountDo(data) : -1;
    code4close(cb);
    return count;
}

QStringList ActionTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { SetHelpFilePath(QStringLiteral(KVL_HELP_SOURCE)); }

    void tabsAndCaptions() {
        AppFixture app;
        QTabWidget* tabs = app.form->PageControl1;
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Income and Expenses"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Report Generation"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Program Setup"));
        QCOMPARE(tabs->tabText(3), QStringLiteral("File Maintenance"));
        QCOMPARE(app.form->BtnFont->text(), QStringLiteral("Report Font"));
        QCOMPARE(app.form->BtnPSetup->text(), QStringLiteral("Page Setup"));
        QCOMPARE(app.form->GroupBox1->title(), QStringLiteral("  Fiscal Year Setup  "));
        QCOMPARE(app.form->LabelMonth->text(), QStringLiteral("Start Month:"));
        QCOMPARE(app.form->LabelDay->text(), QStringLiteral("Start Day:"));
        QCOMPARE(app.form->LabelFrom->text(), QStringLiteral("Report From:"));
        QCOMPARE(app.form->LabelThrough->text(), QStringLiteral("Through:"));
        QCOMPARE(app.form->LabelFolder->text(), QStringLiteral("Default Folder"));
        QCOMPARE(app.form->MaskEdit1->editMask(), QStringLiteral("!99/99/00;1;_"));
        QCOMPARE(app.form->MaskEdit3->editMask(), QStringLiteral("!99;1;_"));
        QCOMPARE(app.form->MaskEdit4->editMask(), QStringLiteral("!99;1;_"));
        QVERIFY(app.form->Edit1->isReadOnly());
        QVERIFY(app.form->Edit2->isReadOnly());
        QVERIFY(!app.form->FolderCBox->isEditable());
        QVERIFY(!app.form->ProgressBox->isVisible());
    }

    void everyControlHasItsNameAndHint_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<bool>("enabled");
        const struct {
            const char* name;
            const char* hint;
            bool enabled;
        } controls[] = {
            {"BtnIncome", "Add, Edit or Delete Income", true},
            {"BtnExpense", "Add, Edit or Delete Expenses", true},
            {"BtnAccountI", "Setup Income Accounts (classifications)", true},
            {"BtnAccountE", "Setup Expense Accounts (Classifications)", true},
            {"BtnFolders", "Setup Folders (Income/Expense Groups)", true},
            {"BtnImport", "Import Income Data from Kelvane's Dwelan or Ulvenir program.", true},
            {"BtnRateChange", "Adjust rate based expense amounts.", true},
            {"FolderCBox", "Change to limit view to a single folder", true},
            {"BtnFont", "Change font used in reports.", true},
            {"BtnPSetup", "Change page layout/printer.", true},
            {"BtnBackup", "Backup Data Files", true},
            {"BtnRestore", "Restore Data from Backup", true},
            {"BtnArchive", "Archive Old Data Records", true},
            {"BtnDeArchive", "Restore data records from Archive", true},
            {"BtnReIndex", "Rebuild Index Files", true},
            {"BtnPack", "Physically remove deleted records.", true},
            {"BtnEraseData", "Use to clear sample data.", true},
            {"BtnUpgrade", "Import Version 3 or 4 data.", true},
        };
        for (const auto& c : controls)
            QTest::newRow(c.name) << QString::fromLatin1(c.name) << QString::fromLatin1(c.hint)
                                  << c.enabled;
        for (const char* name : {"BtnExpRpt", "BtnIncRpt", "BtnProfRpt", "BtnGLRpt"})
            QTest::newRow(name) << QString::fromLatin1(name) << QString() << true;
        for (const char* name :
             {"MaskEdit1", "MaskEdit2", "MaskEdit3", "MaskEdit4", "Edit1", "Edit2"})
            QTest::newRow(name) << QString::fromLatin1(name) << QString() << true;
    }
    void everyControlHasItsNameAndHint() {
        QFETCH(QString, name);
        QFETCH(QString, hint);
        QFETCH(bool, enabled);
        AppFixture app;
        QWidget* control = app.form->findChild<QWidget*>(name);
        QVERIFY2(control, qPrintable(name));
        if (!hint.isEmpty()) QCOMPARE(control->toolTip(), hint);
        QCOMPARE(control->isEnabled(), enabled);
    }

    void menus() {
        AppFixture app;
        QCOMPARE(ActionTexts(app.form->MenuFile),
                 (QStringList{QStringLiteral("Import &Statement..."), QStringLiteral("-"),
                              QStringLiteral("&Exit")}));
        QCOMPARE(app.form->MenuFile->title(), QStringLiteral("&File"));
        QCOMPARE(app.form->MenuHelp->title(), QStringLiteral("&Help"));
        QCOMPARE(
            ActionTexts(app.form->MenuHelp),
            (QStringList{QStringLiteral("&About"), QStringLiteral("-"), QStringLiteral("&Help")}));
        QCOMPARE(
            ActionTexts(app.form->PopupExpRpt),
            (QStringList{QStringLiteral("Expense &Summary"), QStringLiteral("Expense &Detail"),
                         QStringLiteral("&Account Detail"), QStringLiteral("&Chart of Accounts")}));
        QCOMPARE(
            ActionTexts(app.form->PopupIncRpt),
            (QStringList{QStringLiteral("Income &Summary"), QStringLiteral("Income &Detail"),
                         QStringLiteral("&Account Detail"), QStringLiteral("&Chart of Accounts")}));
        QCOMPARE(
            ActionTexts(app.form->PopupProfRpt),
            (QStringList{QStringLiteral("&Weekly Profit"), QStringLiteral("&Monthly Profit")}));
    }

    void windowLooksAsDesigned() {
        AppFixture app;
        QVERIFY(app.start());
        app.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(app.form));
        QVERIFY(qAbs(app.form->width() - 523) <= 40);
        QVERIFY(qAbs(app.form->height() - 321) <= 40);
        const QImage image = app.form->grab().toImage();
        // Navy below the tabs, teal on the page.
        const QColor below = image.pixelColor(image.width() / 2, image.height() - 8);
        QCOMPARE(below, QColor(0, 0, 128));
        const QWidget* page = app.form->TabSheet1;
        const QPoint inPage = page->mapTo(app.form, QPoint(page->width() - 3, page->height() - 3));
        QCOMPARE(image.pixelColor(inPage), QColor(0, 128, 128));
        QVERIFY(!app.form->BtnIncome->icon().isNull());
        QVERIFY(!app.form->windowIcon().isNull());
    }

    void helpButtonsAndF1OpenTheirTopics() {
        AppFixture app;
        QVERIFY(app.start());
        app.form->show();
        app.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.form));
        const struct {
            QToolButton* button;
            int tab;
            const char* topic;
        } helps[] = {{app.form->BtnHelpIncExp, 0, "500"},
                     {app.form->BtnHelpReports, 1, "600"},
                     {app.form->BtnHelpSetup, 2, "300"},
                     {app.form->BtnHelpMaint, 3, "400"}};
        for (const auto& h : helps) {
            app.form->PageControl1->setCurrentIndex(h.tab);
            QTest::mouseClick(h.button, Qt::LeftButton);
            QCOMPARE(HelpWindow()->currentTopic(), QString::fromLatin1(h.topic));
            QVERIFY(HelpWindow()->isVisible());
            CloseHelpWindow();
        }

        app.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.form));
        app.form->PageControl1->setCurrentIndex(2);
        app.form->MaskEdit3->setFocus(Qt::TabFocusReason);
        QTest::keyClick(app.form, Qt::Key_F1);
        QCOMPARE(HelpWindow()->currentTopic(), QStringLiteral("300"));
        QVERIFY(HelpWindow()->Browser->toPlainText().contains(QStringLiteral("Fiscal Year Setup")));
        CloseHelpWindow();

        app.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.form));
        app.form->setFocus();
        QCOMPARE(app.form->HelpTopicForFocus(), 10);
        QTest::keyClick(app.form, Qt::Key_F1);
        QCOMPARE(HelpWindow()->currentTopic(), QStringLiteral("10"));
        CloseHelpWindow();

        app.form->MenuHelpContents->trigger();
        QCOMPARE(HelpWindow()->currentTopic(), QStringLiteral("contents"));
        QVERIFY(HelpWindow()->Browser->toPlainText().contains(QStringLiteral("Contents")));
        CloseHelpWindow();
    }

    void progressBox() {
        AppFixture app;
        app.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(app.form));
        app.form->ProgressBar1->setValue(70);
        ShowProgress(true, QStringLiteral("Building Report"));
        QVERIFY(app.form->ProgressBox->isVisible());
        QCOMPARE(app.form->ProgressBox->title(), QStringLiteral("Building Report"));
        QCOMPARE(app.form->ProgressBar1->value(), 0);
        QCOMPARE(app.form->ProgressBar1->minimum(), 0);
        QCOMPARE(app.form->ProgressBar1->maximum(), 100);
        const QRect tabsBefore = app.form->PageControl1->geometry();
        SetProgress(55);
        QCOMPARE(app.form->ProgressBar1->value(), 55);
        ShowProgress(false, QString());
        QVERIFY(!app.form->ProgressBox->isVisible());
        QCOMPARE(app.form->PageControl1->geometry(), tabsBefore);
    }

    void rebuildIndexButton() {
        AppFixture app;
        QVERIFY(app.start());
        app.form->show();
        QTest::mouseClick(app.form->BtnReIndex, Qt::LeftButton);
        QCOMPARE(app.progress.shows.size(), 2);
        QCOMPARE(app.progress.shows[0], qMakePair(true, QStringLiteral("Rebuilding Indexes")));
        QCOMPARE(app.progress.shows[1].first, false);
        QCOMPARE(app.progress.positions, (QList<int>{20, 35, 45, 50, 80, 100}));
        QVERIFY(!app.form->ProgressBox->isVisible());
        QVERIFY(cb->tables().empty());
        QVERIFY(app.responder.shown.isEmpty());
    }

    void packButtonRemovesDeletedRecords() {
        AppFixture app;
        QVERIFY(app.start());
        app.form->show();
        const long before = RecordCount("INC5");
        DATA4* income = d4open(cb, "INC5");
        QCOMPARE(d4go(income, 1), 0);
        d4delete(income);
        code4close(cb);
        QTest::mouseClick(app.form->BtnPack, Qt::LeftButton);
        QCOMPARE(RecordCount("INC5"), before - 1);
        QCOMPARE(app.progress.shows[0], qMakePair(true, QStringLiteral("Packing Data Files")));
        QCOMPARE(app.progress.positions, (QList<int>{10, 40, 50, 90, 95, 100}));
        QVERIFY(!app.form->ProgressBox->isVisible());
        QVERIFY(app.responder.shown.isEmpty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
