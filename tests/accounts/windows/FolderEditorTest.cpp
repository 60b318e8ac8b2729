// The folder editor in its cycle: numbering by the first free number, renumbering (to 0 as well),
// merging across both entries tables with the pack that follows, deleting with both tables'
// entries, and the tables read back through the engine.
#include "accounts/windows/AccountsFixture.h"
#include "screen/Help.h"

using namespace kvl;
using kvltest::AccountsFixture;
using kvltest::Column;
using kvltest::EntryRow;
using kvltest::FolderRow;
using kvltest::Marked;
using kvltest::ModalScript;

namespace {}  // namespace

class FolderEditorTest : public QObject {
    Q_OBJECT

  private slots:
    void newFolderTakesTheFirstGapAndAddAnotherTheNext() {
        AccountsFixture app;
        QVERIFY(app.started);
        for (int n : {1, 2, 3, 5}) app.addFolder(n, QStringLiteral("Folder %1").arg(n));
        QStringList proposals;
        bool numberEnabled = true, deleteShown = true, nameFocused = false;
        QString title;
        app.responder.answer(MsgAnswer::Yes);
        app.responder.answer(MsgAnswer::No);
        app.editFolder(0, {[&] {
                               proposals << app.folderF->MaskEdit1->programText();
                               numberEnabled = app.folderF->MaskEdit1->isEnabled();
                               deleteShown = app.folderF->BtnDelete->isVisible();
                               nameFocused = app.folderF->Edit1->hasFocus();
                               title = app.folderF->windowTitle();
                               // Whatever the number field shows, the new folder takes the first
                               // gap.
                               app.folderF->MaskEdit1->setProgramText(QStringLiteral("77"));
                               AccountsFixture::type(app.folderF->Edit1,
                                                     QStringLiteral(" Rentals "));
                               ModalScript::press(app.folderF->BtnSave);
                           },
                           [&] {
                               proposals << app.folderF->MaskEdit1->programText();
                               proposals << app.folderF->Edit1->text();
                               AccountsFixture::type(app.folderF->Edit1, QStringLiteral("Storage"));
                               ModalScript::press(app.folderF->BtnSave);
                           }});
        QCOMPARE(proposals,
                 (QStringList{QStringLiteral("   4"), QStringLiteral("   6"), QString()}));
        QVERIFY(!numberEnabled);
        QVERIFY(!deleteShown);
        QVERIFY(nameFocused);
        QCOMPARE(title, QStringLiteral("Folder Definition"));
        QCOMPARE(app.responder.texts(), (QStringList{QStringLiteral("Add another folder?"),
                                                     QStringLiteral("Add another folder?")}));
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Confirmation);
        const QList<FolderRow> rows = app.folders();
        QCOMPARE(Column(rows, &FolderRow::number, Marked::Any), (QList<int>{1, 2, 3, 5, 4, 6}));
        QCOMPARE(rows[4].name, QStringLiteral("Rentals"));
        QCOMPARE(rows[5].name, QStringLiteral("Storage"));
    }

    void existingFolderShowsItsNumberForChange() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addFolder(1, QStringLiteral("One"));
        app.addFolder(4, QStringLiteral("Four"));
        QString shownNumber, shownName;
        bool numberEnabled = false, numberFocused = false, deleteShown = false;
        app.editFolder(4, [&] {
            shownNumber = app.folderF->MaskEdit1->programText();
            shownName = app.folderF->Edit1->text();
            numberEnabled = app.folderF->MaskEdit1->isEnabled();
            numberFocused = app.folderF->MaskEdit1->hasFocus();
            deleteShown = app.folderF->BtnDelete->isVisible();
            AccountsFixture::type(app.folderF->Edit1, QStringLiteral("Four renamed"));
            ModalScript::press(app.folderF->BtnSave);
        });
        QCOMPARE(shownNumber, QStringLiteral("   4"));
        QCOMPARE(shownName, QStringLiteral("Four"));
        QVERIFY(numberEnabled);
        QVERIFY(numberFocused);
        QVERIFY(deleteShown);
        QVERIFY(app.responder.shown.isEmpty());
        const QList<FolderRow> rows = app.folders();
        QCOMPARE(Column(rows, &FolderRow::number, Marked::Any), (QList<int>{1, 4}));
        QCOMPARE(rows[1].name, QStringLiteral("Four renamed"));
    }

    void renumberingToZeroIsAccepted() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addFolder(3, QStringLiteral("Three"));
        app.addFolder(4, QStringLiteral("Four"));
        app.addIncome(1, 3);
        app.addExpense(1, 3);
        app.addExpense(1, 4);
        app.responder.answer(MsgAnswer::Ok);
        app.editFolder(3, [&] {
            AccountsFixture::type(app.folderF->MaskEdit1, QStringLiteral("0"));
            ModalScript::press(app.folderF->BtnSave);
        });
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral(
                     "FOLDER NUMBER CHANGED!\r\n\r\nIf you continue, all income and expenses in "
                     "folder 3 will be assigned to folder number 0 AND Folder Number 3 will no "
                     "longer exist.")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::InformationOkCancel);
        QCOMPARE(Column(app.folders(), &FolderRow::number, Marked::Any), (QList<int>{0, 4}));
        QCOMPARE(Column(app.income(), &EntryRow::folder), QList<int>{0});
        QCOMPARE(Column(app.expenses(), &EntryRow::folder), (QList<int>{0, 4}));
    }

    void renumberingCarriesIncomeAndExpensesDeletedOnesToo() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addFolder(3, QStringLiteral("Three"));
        app.addFolder(5, QStringLiteral("Five"));
        app.addIncome(1, 3);
        app.addIncome(1, 3, /*deleted=*/true);
        app.addIncome(1, 5);
        app.addExpense(1, 3, /*deleted=*/true);
        app.addExpense(1, 5);
        app.addExpense(1, 3);
        app.responder.answer(MsgAnswer::Ok);
        app.editFolder(3, [&] {
            AccountsFixture::type(app.folderF->MaskEdit1, QStringLiteral("8"));
            ModalScript::press(app.folderF->BtnSave);
        });
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral(
                     "FOLDER NUMBER CHANGED!\r\n\r\nIf you continue, all income and expenses in "
                     "folder 3 will be assigned to folder number 8 AND Folder Number 3 will no "
                     "longer exist.")});
        QCOMPARE(Column(app.folders(), &FolderRow::number, Marked::Any), (QList<int>{8, 5}));
        const QList<EntryRow> income = app.income();
        QCOMPARE(Column(income, &EntryRow::folder), (QList<int>{8, 5}));
        QCOMPARE(Column(income, &EntryRow::folder, Marked::Deleted), QList<int>{8});
        const QList<EntryRow> expenses = app.expenses();
        QCOMPARE(Column(expenses, &EntryRow::folder), (QList<int>{5, 8}));
        QCOMPARE(Column(expenses, &EntryRow::folder, Marked::Deleted), QList<int>{8});
        QVERIFY(app.progress.shows.isEmpty());
    }

    void mergingJoinsTheFoldersAcrossBothTablesAndPacks() {
        AccountsFixture app;
        QVERIFY(app.started);
        // Folder 8 comes first in the file, so the pack moves the edited folder to record 1.
        app.addFolder(8, QStringLiteral("Eight"));
        app.addFolder(3, QStringLiteral("Three"));
        app.addFolder(9, QStringLiteral("Nine"));
        app.addIncome(1, 3);
        app.addIncome(1, 8);
        app.addIncome(1, 9);
        app.addExpense(2, 8);
        app.addExpense(2, 3);
        app.addExpense(2, 3);
        ModalScript script;
        int folderAfter = 0;
        script.on(app.pickFol, [&] { QVERIFY(AccountsFixture::choose(app.pickFol, 3)); })
            .on(app.folderF,
                [&] {
                    AccountsFixture::type(app.folderF->MaskEdit1, QStringLiteral("8"));
                    AccountsFixture::type(app.folderF->Edit1, QStringLiteral("North lot"));
                    ModalScript::press(app.folderF->BtnSave);
                })
            .on(app.pickFol, [&] {
                folderAfter = CurrentFolder;
                ModalScript::press(app.pickFol->BtnExit);
            });
        app.responder.answer(MsgAnswer::Ok);

        RunFolderCycle(*app.pickFol, *app.folderF);

        SCRIPT_DONE(script);
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral(
                     "FOLDER NUMBER 8 ALREADY EXISTS.\r\n\r\nIf you continue, all income and "
                     "expenses in folder 3 will be merged into folder number 8 which will be "
                     "renamed to North lot")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::InformationOkCancel);
        QVERIFY(app.progress.shows.contains(qMakePair(true, QStringLiteral("Packing Data Files"))));
        QVERIFY(!app.form->PackNeeded);
        const QList<FolderRow> rows = app.folders();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].number, 8);
        QCOMPARE(rows[0].name, QStringLiteral("North lot"));
        QCOMPARE(rows[1].number, 9);
        QCOMPARE(Column(app.income(), &EntryRow::folder), (QList<int>{8, 8, 9}));
        QCOMPARE(Column(app.expenses(), &EntryRow::folder), (QList<int>{8, 8, 8}));
        // The selection followed the merged folder through the pack.
        QCOMPARE(folderAfter, 1);
    }

    void mergingAnsweredCancelWritesNothing() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addFolder(3, QStringLiteral("Three"));
        app.addFolder(8, QStringLiteral("Eight"));
        app.addIncome(1, 3);
        app.responder.answer(MsgAnswer::Cancel);
        app.editFolder(3, {[&] {
                               AccountsFixture::type(app.folderF->MaskEdit1, QStringLiteral("8"));
                               ModalScript::press(app.folderF->BtnSave);
                           },
                           [&] { ModalScript::press(app.folderF->BtnCancel); }});
        QCOMPARE(Column(app.folders(), &FolderRow::number, Marked::Any), (QList<int>{3, 8}));
        QCOMPARE(Column(app.income(), &EntryRow::folder), QList<int>{3});
    }

    void deletingCascadesToIncomeAndExpensesAndPacks() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addFolder(2, QStringLiteral("Two"));
        app.addFolder(6, QStringLiteral("Six"));
        app.addIncome(1, 6);
        app.addIncome(1, 2);
        app.addIncome(1, 6, /*deleted=*/true);
        app.addExpense(1, 6);
        app.addExpense(1, 2);
        app.responder.answer(MsgAnswer::Yes);
        app.editFolder(6, [&] { ModalScript::press(app.folderF->BtnDelete); });
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral(
                     "WARNING: All income and expenses assigned to this folder will be "
                     "deleted.\r\n\r\nARE YOU SURE YOU WANT TO DELETE THIS FOLDER?")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::WarningYesNo);
        QVERIFY(app.progress.shows.contains(qMakePair(true, QStringLiteral("Packing Data Files"))));
        QCOMPARE(Column(app.folders(), &FolderRow::number, Marked::Any), QList<int>{2});
        const QList<EntryRow> income = app.income();
        QCOMPARE(income.size(), 1);
        QCOMPARE(income[0].folder, 2);
        const QList<EntryRow> expenses = app.expenses();
        QCOMPARE(expenses.size(), 1);
        QCOMPARE(expenses[0].folder, 2);
        QCOMPARE(CurrentFolder, -1);
    }

    void deletingAnsweredNoWritesNothing() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addFolder(6, QStringLiteral("Six"));
        app.addExpense(1, 6);
        app.responder.answer(MsgAnswer::No);
        app.editFolder(6, {[&] { ModalScript::press(app.folderF->BtnDelete); },
                           [&] { ModalScript::press(app.folderF->BtnCancel); }});
        QCOMPARE(Column(app.folders(), &FolderRow::number, Marked::Any), QList<int>{6});
        QCOMPARE(Column(app.expenses(), &EntryRow::folder), QList<int>{6});
        QVERIFY(app.progress.shows.isEmpty());
    }

    void folderZeroDoesNotMakeOneLookFree() {
        // After a renumbering to 0, the first free number is still looked for from 1 up.
        AccountsFixture app;
        QVERIFY(app.started);
        app.addFolder(0, QStringLiteral("Zero"));
        app.addFolder(1, QStringLiteral("One"));
        app.addFolder(3, QStringLiteral("Three"));
        app.responder.answer(MsgAnswer::No);
        app.editFolder(0, [&] {
            AccountsFixture::type(app.folderF->Edit1, QStringLiteral("New"));
            ModalScript::press(app.folderF->BtnSave);
        });
        QCOMPARE(Column(app.folders(), &FolderRow::number, Marked::Any), (QList<int>{0, 1, 3, 2}));
    }

    void noFolderIsAddedWhenEveryNumberIsInUse() {
        AccountsFixture app;
        QVERIFY(app.started);
        OpenFolders();
        for (int n = 1; n <= kHighestNumber; ++n) {
            (void)d4appendBlank(dbFolders);
            FolderBuffer = {n, QStringLiteral("F")};
            StoreFolderRecord();
        }
        code4close(cb);
        QString proposed;
        app.editFolder(0, {[&] {
                               proposed = app.folderF->MaskEdit1->programText();
                               AccountsFixture::type(app.folderF->Edit1,
                                                     QStringLiteral("One too many"));
                               ModalScript::press(app.folderF->BtnSave);
                           },
                           [&] { ModalScript::press(app.folderF->BtnCancel); }});
        QCOMPARE(proposed, QStringLiteral("    "));
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral(
                     "All folder numbers from 1 to 9999 are in use.  No folder can be added.")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Information);
        const QList<FolderRow> rows = app.folders();
        QCOMPARE(rows.size(), kHighestNumber);
        QCOMPARE(rows.last().number, kHighestNumber);
    }

    void blankNumberIsAConversionError() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addFolder(2, QStringLiteral("Two"));
        app.editFolder(2, {[&] {
                               AccountsFixture::type(app.folderF->MaskEdit1, QString());
                               ModalScript::press(app.folderF->BtnSave);
                           },
                           [&] {
                               AccountsFixture::type(app.folderF->MaskEdit1, QStringLiteral("2"));
                               ModalScript::press(app.folderF->BtnCancel);
                           }});
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral("'' is not a valid integer value")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Error);
        QCOMPARE(Column(app.folders(), &FolderRow::number, Marked::Any), QList<int>{2});
    }
    void numberMaskAndHelpTopic() {
        AccountsFixture app;
        QVERIFY(app.started);
        SetHelpFilePath(QStringLiteral(KVL_HELP_SOURCE));
        QString topic;
        app.editFolder(0, {[&] {
                               ModalScript::press(app.folderF->BtnHelp);
                               topic = HelpWindow()->currentTopic();
                               HelpWindow()->close();
                           },
                           [&] { ModalScript::press(app.folderF->BtnCancel); }});
        QCOMPARE(app.folderF->MaskEdit1->editMask(), QStringLiteral("!9999;1;_"));
        QCOMPARE(app.folderF->Edit1->maxLength(), 30);
        QCOMPARE(topic, QStringLiteral("570"));
        QVERIFY(app.folders().isEmpty());
    }
};

QTEST_MAIN(FolderEditorTest)
#include "FolderEditorTest.moc"
