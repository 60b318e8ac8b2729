// The three buttons of the main window that run the account and folder cycles: enabled, each
// running its cycle on its own chart, packing when an editor marked records deleted, leaving every
// table closed, and the folder cycle refreshing the default-folder list.
#include <QComboBox>

#include "accounts/windows/AccountsFixture.h"
#include "screen/DropList.h"

using namespace kvl;
using kvltest::AccountsFixture;
using kvltest::ModalScript;

namespace {

QStringList Items(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

}  // namespace

class MainWindowCyclesTest : public QObject {
    Q_OBJECT

  private slots:
    void theButtonsAreEnabled() {
        AccountsFixture app;
        QVERIFY(app.started);
        QVERIFY(app.form->BtnAccountE->isEnabled());
        QVERIFY(app.form->BtnAccountI->isEnabled());
        QVERIFY(app.form->BtnFolders->isEnabled());
    }

    void eachAccountButtonWorksOnItsOwnChart_data() {
        QTest::addColumn<char>("mode");
        QTest::addColumn<QString>("flagHeader");
        QTest::addColumn<QString>("flagCaption");
        QTest::newRow("BtnAccountE")
            << 'E' << QStringLiteral("Deduct") << QStringLiteral("Tax Deductible");
        QTest::newRow("BtnAccountI")
            << 'I' << QStringLiteral("Taxable") << QStringLiteral("Taxable");
    }
    void eachAccountButtonWorksOnItsOwnChart() {
        QFETCH(char, mode);
        QFETCH(QString, flagHeader);
        QFETCH(QString, flagCaption);
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount('E', 1, QStringLiteral("Expense one"));
        app.addAccount('I', 1, QStringLiteral("Income one"));
        QToolButton* button = mode == 'E' ? app.form->BtnAccountE : app.form->BtnAccountI;
        ModalScript script;
        QString listed, header, caption;
        script
            .on(app.pickAcc,
                [&] {
                    listed = app.pickAcc->StringGrid1->item(0, 1)->text().trimmed();
                    header = app.pickAcc->StringGrid1->horizontalHeaderItem(2)->text();
                    ModalScript::press(app.pickAcc->BtnNew);
                })
            .on(app.account,
                [&] {
                    caption = app.account->CheckBox1->text();
                    AccountsFixture::type(app.account->Edit1, QStringLiteral("Added"));
                    ModalScript::press(app.account->BtnSave);
                })
            .on(app.pickAcc, [&] { ModalScript::press(app.pickAcc->BtnExit); });
        app.responder.answer(MsgAnswer::No);

        QTest::mouseClick(button, Qt::LeftButton);

        SCRIPT_DONE(script);
        QCOMPARE(AccountMode, mode);
        QCOMPARE(listed,
                 mode == 'E' ? QStringLiteral("Expense one") : QStringLiteral("Income one"));
        QCOMPARE(header, flagHeader);
        QCOMPARE(caption, flagCaption);
        QVERIFY(cb->tables().empty());
        QCOMPARE(app.accounts(mode).size(), 2);
        QCOMPARE(app.accounts(mode)[1].number, 2);
        QCOMPARE(app.accounts(mode == 'E' ? 'I' : 'E').size(), 1);
    }

    void accountCyclePacksAfterADeletionAndClearsTheFlag() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount('E', 1, QStringLiteral("One"));
        app.addAccount('E', 2, QStringLiteral("Two"));
        app.addExpense(1, 1);
        ModalScript script;
        QStringList listedAfter;
        script.on(app.pickAcc, [&] { QVERIFY(AccountsFixture::choose(app.pickAcc, 1)); })
            .on(app.account, [&] { ModalScript::press(app.account->BtnDelete); })
            .on(app.pickAcc, [&] {
                for (int r = 0; r < app.pickAcc->StringGrid1->rowCount(); ++r)
                    listedAfter << app.pickAcc->StringGrid1->item(r, 0)->text();
                ModalScript::press(app.pickAcc->BtnExit);
            });
        app.responder.answer(MsgAnswer::Yes);
        app.progress.clear();

        QTest::mouseClick(app.form->BtnAccountE, Qt::LeftButton);

        SCRIPT_DONE(script);
        QCOMPARE(listedAfter, QStringList{QStringLiteral("2")});
        QCOMPARE(app.progress.shows.first(), qMakePair(true, QStringLiteral("Packing Data Files")));
        QVERIFY(!app.form->PackNeeded);
        QVERIFY(cb->tables().empty());
        QCOMPARE(app.accounts('E').size(), 1);
        QVERIFY(app.expenses().isEmpty());
    }

    void folderCycleRefreshesTheDefaultFolderList() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addFolder(1, QStringLiteral("Main"));
        app.form->RefillFolderList();
        QCOMPARE(Items(app.form->FolderCBox).size(), 2);
        ModalScript script;
        script.on(app.pickFol, [&] { ModalScript::press(app.pickFol->BtnNew); })
            .on(app.folderF,
                [&] {
                    AccountsFixture::type(app.folderF->Edit1, QStringLiteral("Annex"));
                    ModalScript::press(app.folderF->BtnSave);
                })
            .on(app.pickFol, [&] { ModalScript::press(app.pickFol->BtnExit); });
        app.responder.answer(MsgAnswer::No);

        QTest::mouseClick(app.form->BtnFolders, Qt::LeftButton);

        SCRIPT_DONE(script);
        QVERIFY(cb->tables().empty());
        QVERIFY(app.form->FolderListStale);
        // The list is refilled at the window's next paint.
        app.form->show();
        QTRY_VERIFY(!app.form->FolderListStale);
        QCOMPARE(
            Items(app.form->FolderCBox),
            (QStringList{QStringLiteral("  -1 - No Default"),
                         QStringLiteral("   1 - ") + QStringLiteral("Main").leftJustified(30),
                         QStringLiteral("   2 - ") + QStringLiteral("Annex").leftJustified(30)}));
    }
};

QTEST_MAIN(MainWindowCyclesTest)
#include "MainWindowCyclesTest.moc"
