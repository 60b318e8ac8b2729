// The account editor in its cycle, on both charts: proposals, adding, changing, renumbering,
// merging and deleting, with every message, and the tables read back through the engine.
#include "accounts/windows/AccountsFixture.h"
#include "screen/Help.h"

using namespace kvl;
using kvltest::AccountRow;
using kvltest::AccountsFixture;
using kvltest::Column;
using kvltest::EntryRow;
using kvltest::Marked;
using kvltest::ModalScript;

namespace {

QString Word(char mode) {
    return mode == 'E' ? QStringLiteral("expenses") : QStringLiteral("income");
}

void AddEntry(AccountsFixture& app, char mode, int account, bool deleted = false) {
    if (mode == 'E')
        app.addExpense(account, 1, deleted);
    else
        app.addIncome(account, 1, deleted);
}

}  // namespace

class AccountEditorTest : public QObject {
    Q_OBJECT

  private:
    static void charts() {
        QTest::addColumn<char>("mode");
        QTest::newRow("expense") << 'E';
        QTest::newRow("income") << 'I';
    }

  private slots:
    void emptyChartProposesOne_data() { charts(); }
    void emptyChartProposesOne() {
        QFETCH(char, mode);
        AccountsFixture app;
        QVERIFY(app.started);
        QString proposed, caption, title;
        bool deleteShown = true, checked = false;
        app.responder.answer(MsgAnswer::No);
        app.editAccount(mode, 0, [&] {
            proposed = app.account->MaskEdit1->programText();
            caption = app.account->CheckBox1->text();
            title = app.account->windowTitle();
            checked = app.account->CheckBox1->isChecked();
            deleteShown = app.account->BtnDelete->isVisible();
            AccountsFixture::type(app.account->Edit1, QStringLiteral("  Rent  "));
            ModalScript::press(app.account->BtnSave);
        });
        QCOMPARE(proposed, QStringLiteral("   1"));
        QCOMPARE(caption,
                 mode == 'E' ? QStringLiteral("Tax Deductible") : QStringLiteral("Taxable"));
        QCOMPARE(title, QStringLiteral("Account Definition"));
        QVERIFY(checked);
        QVERIFY(!deleteShown);
        QCOMPARE(app.responder.texts(), QStringList{QStringLiteral("Add another account?")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Confirmation);
        const QList<AccountRow> rows = app.accounts(mode);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].number, 1);
        QCOMPARE(rows[0].description, QStringLiteral("Rent"));
        QVERIFY(rows[0].flag);
        // The other chart is untouched.
        QVERIFY(app.accounts(mode == 'E' ? 'I' : 'E').isEmpty());
    }

    void highestSeventeenProposesEighteen_data() { charts(); }
    void highestSeventeenProposesEighteen() {
        QFETCH(char, mode);
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount(mode, 3, QStringLiteral("Three"));
        app.addAccount(mode, 17, QStringLiteral("Seventeen"));
        app.addAccount(mode, 5, QStringLiteral("Five"));
        QString proposed;
        app.responder.answer(MsgAnswer::No);
        const int currentAfter = app.editAccount(mode, 0, [&] {
            proposed = app.account->MaskEdit1->programText();
            AccountsFixture::type(app.account->Edit1, QStringLiteral("Fuel"));
            app.account->CheckBox1->setChecked(false);
            ModalScript::press(app.account->BtnSave);
        });
        QCOMPARE(proposed, QStringLiteral("  18"));
        // The list shown next stands on the account just added.
        QCOMPARE(currentAfter, 18);
        const QList<AccountRow> rows = app.accounts(mode);
        QCOMPARE(Column(rows, &AccountRow::number), (QList<int>{3, 17, 5, 18}));
        QCOMPARE(rows[3].description, QStringLiteral("Fuel"));
        QVERIFY(!rows[3].flag);
    }

    void savingWithUnchangedNumberRewritesDescriptionAndFlag_data() { charts(); }
    void savingWithUnchangedNumberRewritesDescriptionAndFlag() {
        QFETCH(char, mode);
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount(mode, 2, QStringLiteral("Two"));
        app.addAccount(mode, 5, QStringLiteral("Old name"), true);
        AddEntry(app, mode, 5);
        ModalScript script;
        QString shownNumber, shownDescription;
        bool deleteShown = false;
        int currentAfter = 0;
        script.on(app.pickAcc, [&] { QVERIFY(AccountsFixture::choose(app.pickAcc, 5)); })
            .on(app.account,
                [&] {
                    shownNumber = app.account->MaskEdit1->programText();
                    shownDescription = app.account->Edit1->text();
                    deleteShown = app.account->BtnDelete->isVisible();
                    AccountsFixture::type(app.account->Edit1, QStringLiteral(" New name "));
                    app.account->CheckBox1->setChecked(false);
                    ModalScript::press(app.account->BtnSave);
                })
            .on(app.pickAcc, [&] {
                currentAfter = AccountsFixture::currentNumber(app.pickAcc->StringGrid1);
                ModalScript::press(app.pickAcc->BtnExit);
            });

        RunAccountCycle(mode, *app.pickAcc, *app.account);

        SCRIPT_DONE(script);
        QCOMPARE(shownNumber, QStringLiteral("   5"));
        QCOMPARE(shownDescription, QStringLiteral("Old name"));
        QVERIFY(deleteShown);
        QVERIFY(app.responder.shown.isEmpty());
        QCOMPARE(currentAfter, 5);
        const QList<AccountRow> rows = app.accounts(mode);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1].record, 2L);
        QCOMPARE(rows[1].number, 5);
        QCOMPARE(rows[1].description, QStringLiteral("New name"));
        QVERIFY(!rows[1].flag);
        QCOMPARE(Column(app.entries(mode), &EntryRow::account), QList<int>{5});
        QVERIFY(!app.form->PackNeeded);
    }

    void renumberingCarriesEveryEntry_data() { charts(); }
    void renumberingCarriesEveryEntry() {
        QFETCH(char, mode);
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount(mode, 5, QStringLiteral("Five"));
        app.addAccount(mode, 7, QStringLiteral("Seven"));
        AddEntry(app, mode, 5);
        AddEntry(app, mode, 7);
        AddEntry(app, mode, 5, /*deleted=*/true);
        AddEntry(app, mode, 5);
        // The other chart's entries with the same number stay where they are.
        AddEntry(app, mode == 'E' ? 'I' : 'E', 5);
        app.responder.answer(MsgAnswer::Ok);
        app.editAccount(mode, 5, [&] {
            AccountsFixture::type(app.account->MaskEdit1, QStringLiteral("9"));
            ModalScript::press(app.account->BtnSave);
        });
        QCOMPARE(
            app.responder.texts(),
            QStringList{QStringLiteral("ACCOUNT NUMBER CHANGED!\r\n\r\nIf you continue, all ") +
                        Word(mode) +
                        QStringLiteral(" in account 5 will be moved to account number 9 AND "
                                       "Account Number 5 will no longer exist.")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::InformationOkCancel);
        const QList<AccountRow> rows = app.accounts(mode);
        QCOMPARE(Column(rows, &AccountRow::number, Marked::Any), (QList<int>{9, 7}));
        QCOMPARE(rows[0].description, QStringLiteral("Five"));
        const QList<EntryRow> entries = app.entries(mode);
        QCOMPARE(Column(entries, &EntryRow::account), (QList<int>{9, 7, 9}));
        // Nothing was marked deleted, so nothing was packed: the deleted entry moved too.
        QCOMPARE(Column(entries, &EntryRow::account, Marked::Deleted), QList<int>{9});
        QVERIFY(app.progress.shows.isEmpty());
        QCOMPARE(Column(app.entries(mode == 'E' ? 'I' : 'E'), &EntryRow::account), QList<int>{5});
    }

    void renumberingAnsweredCancelWritesNothing() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount('E', 5, QStringLiteral("Five"));
        app.addExpense(5, 1);
        ModalScript script;
        script.on(app.pickAcc, [&] { QVERIFY(AccountsFixture::choose(app.pickAcc, 5)); })
            .on(app.account,
                [&] {
                    AccountsFixture::type(app.account->MaskEdit1, QStringLiteral("9"));
                    AccountsFixture::type(app.account->Edit1, QStringLiteral("Changed"));
                    ModalScript::press(app.account->BtnSave);
                })
            // Still in the editor after Cancel.
            .on(app.account, [&] { ModalScript::press(app.account->BtnCancel); })
            .on(app.pickAcc, [&] { ModalScript::press(app.pickAcc->BtnExit); });
        app.responder.answer(MsgAnswer::Cancel);

        RunAccountCycle('E', *app.pickAcc, *app.account);

        SCRIPT_DONE(script);
        QCOMPARE(app.responder.shown.size(), 1);
        const QList<AccountRow> rows = app.accounts('E');
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].number, 5);
        QCOMPARE(rows[0].description, QStringLiteral("Five"));
        QCOMPARE(Column(app.expenses(), &EntryRow::account), QList<int>{5});
    }

    void mergingJoinsTheAccountsAndPacks_data() { charts(); }
    void mergingJoinsTheAccountsAndPacks() {
        QFETCH(char, mode);
        AccountsFixture app;
        QVERIFY(app.started);
        // Account 7 comes first in the file, so the pack moves the edited account to record 1.
        app.addAccount(mode, 7, QStringLiteral("Seven"), true);
        app.addAccount(mode, 5, QStringLiteral("Five"), true);
        app.addAccount(mode, 8, QStringLiteral("Eight"), true);
        AddEntry(app, mode, 5);
        AddEntry(app, mode, 7);
        AddEntry(app, mode, 8);
        AddEntry(app, mode, 5);
        app.responder.answer(MsgAnswer::Ok);
        const int currentAfter = app.editAccount(mode, 5, [&] {
            AccountsFixture::type(app.account->MaskEdit1, QStringLiteral("7"));
            AccountsFixture::type(app.account->Edit1, QStringLiteral("Vehicles"));
            app.account->CheckBox1->setChecked(false);
            ModalScript::press(app.account->BtnSave);
        });
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral("ACCOUNT NUMBER 7 ALREADY EXISTS.\r\n\r\nIf you "
                                            "continue, all ") +
                             Word(mode) +
                             QStringLiteral(" in account 5 will be merged into account 7 which "
                                            "will be renamed to Vehicles")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::InformationOkCancel);
        // Packed before the list came back: the former account 7 is gone for good.
        QVERIFY(app.progress.shows.contains(qMakePair(true, QStringLiteral("Packing Data Files"))));
        QVERIFY(!app.form->PackNeeded);
        const QList<AccountRow> rows = app.accounts(mode);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].number, 7);
        QCOMPARE(rows[0].description, QStringLiteral("Vehicles"));
        QVERIFY(!rows[0].flag);
        QVERIFY(!rows[0].deleted);
        QCOMPARE(rows[1].number, 8);
        QCOMPARE(Column(app.entries(mode), &EntryRow::account), (QList<int>{7, 7, 8, 7}));
        // The list after the pack stands on the merged account, found again by its number.
        QCOMPARE(currentAfter, 7);
    }

    void mergingAnsweredCancelWritesNothing() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount('I', 5, QStringLiteral("Five"));
        app.addAccount('I', 7, QStringLiteral("Seven"));
        app.addIncome(5, 1);
        app.responder.answer(MsgAnswer::Cancel);
        app.editAccount('I', 5,
                        {[&] {
                             AccountsFixture::type(app.account->MaskEdit1, QStringLiteral("7"));
                             ModalScript::press(app.account->BtnSave);
                         },
                         [&] { ModalScript::press(app.account->BtnCancel); }});
        QCOMPARE(Column(app.accounts('I'), &AccountRow::number, Marked::Any), (QList<int>{5, 7}));
        QCOMPARE(Column(app.income(), &EntryRow::account), QList<int>{5});
        QVERIFY(app.progress.shows.isEmpty());
    }

    void numberWhoseOnlyRecordIsDeletedIsFree() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount('E', 5, QStringLiteral("Gone"), true, /*deleted=*/true);
        app.addAccount('E', 6, QStringLiteral("Six"));
        app.responder.answer(MsgAnswer::No);
        app.editAccount('E', 0, [&] {
            AccountsFixture::type(app.account->MaskEdit1, QStringLiteral("5"));
            AccountsFixture::type(app.account->Edit1, QStringLiteral("Five again"));
            ModalScript::press(app.account->BtnSave);
        });
        QCOMPARE(app.responder.texts(), QStringList{QStringLiteral("Add another account?")});
        const QList<AccountRow> rows = app.accounts('E');
        QCOMPARE(rows.size(), 3);
        QVERIFY(rows[0].deleted);
        QCOMPARE(rows[2].number, 5);
        QCOMPARE(rows[2].description, QStringLiteral("Five again"));
        QVERIFY(!rows[2].deleted);
    }

    void takenNumberIsRefusedWhenAdding() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount('E', 5, QStringLiteral("Five"));
        app.editAccount('E', 0,
                        {[&] {
                             AccountsFixture::type(app.account->MaskEdit1, QStringLiteral("5"));
                             AccountsFixture::type(app.account->Edit1, QStringLiteral("Duplicate"));
                             ModalScript::press(app.account->BtnSave);
                         },
                         [&] {
                             // The entered values stay for another try.
                             QCOMPARE(app.account->Edit1->text(), QStringLiteral("Duplicate"));
                             ModalScript::press(app.account->BtnCancel);
                         }});
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral(
                     "Account number already exists.  Please enter a different number.")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Information);
        QCOMPARE(Column(app.accounts('E'), &AccountRow::number, Marked::Any), QList<int>{5});
    }

    void addAnotherTwiceThenCancel() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount('E', 10, QStringLiteral("Ten"));
        ModalScript script;
        QStringList proposals, descriptions;
        QList<bool> checks;
        int currentAfter = 0;
        script.on(app.pickAcc, [&] { ModalScript::press(app.pickAcc->BtnNew); })
            .on(app.account,
                [&] {
                    proposals << app.account->MaskEdit1->programText();
                    app.account->CheckBox1->setChecked(false);
                    AccountsFixture::type(app.account->Edit1, QStringLiteral("First"));
                    ModalScript::press(app.account->BtnSave);
                })
            .on(app.account,
                [&] {
                    proposals << app.account->MaskEdit1->programText();
                    descriptions << app.account->Edit1->text();
                    checks << app.account->CheckBox1->isChecked();
                    AccountsFixture::type(app.account->Edit1, QStringLiteral("Second"));
                    ModalScript::press(app.account->BtnSave);
                })
            .on(app.account,
                [&] {
                    proposals << app.account->MaskEdit1->programText();
                    descriptions << app.account->Edit1->text();
                    checks << app.account->CheckBox1->isChecked();
                    ModalScript::press(app.account->BtnCancel);
                })
            .on(app.pickAcc, [&] {
                currentAfter = AccountsFixture::currentNumber(app.pickAcc->StringGrid1);
                ModalScript::press(app.pickAcc->BtnExit);
            });
        app.responder.answer(MsgAnswer::Yes);
        app.responder.answer(MsgAnswer::Yes);

        RunAccountCycle('E', *app.pickAcc, *app.account);

        SCRIPT_DONE(script);
        QCOMPARE(proposals, (QStringList{QStringLiteral("  11"), QStringLiteral("  12"),
                                         QStringLiteral("  13")}));
        QCOMPARE(descriptions, (QStringList{QString(), QString()}));
        // The check box keeps its state from one new account to the next.
        QCOMPARE(checks, (QList<bool>{false, false}));
        QCOMPARE(app.responder.texts(), (QStringList{QStringLiteral("Add another account?"),
                                                     QStringLiteral("Add another account?")}));
        const QList<AccountRow> rows = app.accounts('E');
        QCOMPARE(Column(rows, &AccountRow::number, Marked::Any), (QList<int>{10, 11, 12}));
        QCOMPARE(rows[1].description, QStringLiteral("First"));
        QCOMPARE(rows[2].description, QStringLiteral("Second"));
        QVERIFY(!rows[2].flag);
        // Cancel left the selection at 0: the list stands on its first row.
        QCOMPARE(currentAfter, 10);
    }

    void deletingCascadesToEntriesAndPacks_data() { charts(); }
    void deletingCascadesToEntriesAndPacks() {
        QFETCH(char, mode);
        const char other = mode == 'E' ? 'I' : 'E';
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount(mode, 5, QStringLiteral("Five"));
        app.addAccount(mode, 7, QStringLiteral("Seven"));
        AddEntry(app, mode, 5);
        AddEntry(app, mode, 7);
        AddEntry(app, mode, 5, /*deleted=*/true);
        AddEntry(app, mode, 5);
        AddEntry(app, other, 5);
        app.responder.answer(MsgAnswer::Yes);
        const int currentAfter =
            app.editAccount(mode, 5, [&] { ModalScript::press(app.account->BtnDelete); });
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral("WARNING: All ") + Word(mode) +
                             QStringLiteral(" assigned to this account will be deleted.\r\n\r\nARE "
                                            "YOU SURE YOU WANT TO DELETE THIS ACCOUNT?")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::WarningYesNo);
        QVERIFY(app.progress.shows.contains(qMakePair(true, QStringLiteral("Packing Data Files"))));
        QVERIFY(!app.form->PackNeeded);
        // Packed: nothing of account 5 is left in the chart or its entries.
        QCOMPARE(Column(app.accounts(mode), &AccountRow::number, Marked::Any), QList<int>{7});
        const QList<EntryRow> entries = app.entries(mode);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].account, 7);
        QCOMPARE(Column(app.entries(other), &EntryRow::account), QList<int>{5});
        QCOMPARE(currentAfter, 7);
    }

    void deletingAnsweredNoWritesNothing() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount('E', 5, QStringLiteral("Five"));
        app.addExpense(5, 1);
        app.responder.answer(MsgAnswer::No);
        app.editAccount('E', 5,
                        {[&] { ModalScript::press(app.account->BtnDelete); },
                         [&] { ModalScript::press(app.account->BtnCancel); }});
        QCOMPARE(Column(app.accounts('E'), &AccountRow::number, Marked::Any), QList<int>{5});
        QCOMPARE(Column(app.expenses(), &EntryRow::account), QList<int>{5});
        QVERIFY(app.progress.shows.isEmpty());
    }

    void cancelKeepsTheSelection() {
        AccountsFixture app;
        QVERIFY(app.started);
        for (int n : {1, 2, 3}) app.addAccount('E', n, QStringLiteral("Account %1").arg(n));
        const int currentAfter = app.editAccount('E', 2, [&] {
            AccountsFixture::type(app.account->Edit1, QStringLiteral("Not saved"));
            ModalScript::press(app.account->BtnCancel);
        });
        QCOMPARE(currentAfter, 2);
        QCOMPARE(CurrentExpenseAccount, -1);
        QCOMPARE(app.accounts('E')[1].description, QStringLiteral("Account 2"));
        QVERIFY(app.responder.shown.isEmpty());
    }

    void zeroIsRefusedOnLeavingTheField() {
        AccountsFixture app;
        QVERIFY(app.started);
        bool focusBack = false;
        app.responder.answer(MsgAnswer::No);
        app.editAccount('E', 0,
                        {[&] {
                             AccountsFixture::type(app.account->MaskEdit1, QStringLiteral("0"));
                             // Pressing Save leaves the field: the check refuses, and Save does not
                             // act.
                             ModalScript::press(app.account->BtnSave);
                             focusBack = app.account->MaskEdit1->hasFocus();
                         },
                         [&] {
                             AccountsFixture::type(app.account->MaskEdit1, QStringLiteral("3"));
                             AccountsFixture::type(app.account->Edit1, QStringLiteral("Three"));
                             ModalScript::press(app.account->BtnSave);
                         }});
        QVERIFY(focusBack);
        QCOMPARE(app.responder.texts(),
                 (QStringList{QStringLiteral("Account Number must be greater than zero."),
                              QStringLiteral("Add another account?")}));
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Information);
        QCOMPARE(Column(app.accounts('E'), &AccountRow::number, Marked::Any), QList<int>{3});
    }

    void zeroIsRefusedBySaveItself() {
        // A Save that acts without the field being left (the keyboard's default button, a script)
        // still writes no account 0.
        AccountsFixture app;
        QVERIFY(app.started);
        app.editAccount('E', 0,
                        {[&] {
                             app.account->MaskEdit1->setProgramText(QStringLiteral("0"));
                             app.account->BtnSave->click();
                         },
                         [&] { app.account->BtnCancel->click(); }});
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral("Account Number must be greater than zero.")});
        QVERIFY(app.accounts('E').isEmpty());
    }

    void blankNumberIsAConversionError() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.editAccount('E', 0,
                        {[&] {
                             AccountsFixture::type(app.account->MaskEdit1, QString());
                             ModalScript::press(app.account->BtnSave);
                         },
                         [&] {
                             // Save pressed again without leaving the field reports it on its own.
                             app.account->BtnSave->click();
                         },
                         [&] { app.account->BtnCancel->click(); }});
        QCOMPARE(app.responder.texts(),
                 (QStringList{QStringLiteral("'' is not a valid integer value"),
                              QStringLiteral("'' is not a valid integer value")}));
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Error);
        QVERIFY(app.accounts('E').isEmpty());
    }

    void leavingTheFieldPadsTheNumber() {
        AccountsFixture app;
        QVERIFY(app.started);
        QString typed, shown;
        app.editAccount('E', 0, [&] {
            AccountsFixture::type(app.account->MaskEdit1, QStringLiteral("42"));
            typed = app.account->MaskEdit1->displayText();
            QTest::mouseClick(app.account->Edit1, Qt::LeftButton);
            shown = app.account->MaskEdit1->displayText();
            ModalScript::press(app.account->BtnCancel);
        });
        QCOMPARE(typed, QStringLiteral("42__"));
        QCOMPARE(shown, QStringLiteral("  42"));
        QVERIFY(app.responder.shown.isEmpty());
        QVERIFY(app.accounts('E').isEmpty());
    }

    void proposalBeyond9999LeavesTheFieldBlank() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount('E', 9999, QStringLiteral("Last"));
        QString proposed;
        app.responder.answer(MsgAnswer::Ok);
        app.responder.answer(MsgAnswer::Yes);
        app.editAccount('E', 0,
                        {[&] {
                             proposed = app.account->MaskEdit1->programText();
                             AccountsFixture::type(app.account->MaskEdit1, QStringLiteral("42"));
                             AccountsFixture::type(app.account->Edit1, QStringLiteral("Forty-two"));
                             ModalScript::press(app.account->BtnSave);
                         },
                         [&] {
                             // "Add another" proposes nothing again: 9999 is still the highest.
                             proposed += QLatin1Char('|') + app.account->MaskEdit1->programText();
                             ModalScript::press(app.account->BtnCancel);
                         }});
        QCOMPARE(proposed, QStringLiteral("    |    "));
        const QString full = QStringLiteral(
            "The highest account number, 9999, is already in use.  Please enter an unused account "
            "number.");
        // Cancel, pressed from the blank number field, closes without checking the field.
        QCOMPARE(app.responder.texts(),
                 (QStringList{full, QStringLiteral("Add another account?"), full}));
        QCOMPARE(Column(app.accounts('E'), &AccountRow::number, Marked::Any),
                 (QList<int>{9999, 42}));
    }
    void descriptionTakesThirtyCharactersStoredTrimmed() {
        AccountsFixture app;
        QVERIFY(app.started);
        QString inField;
        app.responder.answer(MsgAnswer::No);
        app.editAccount('E', 0, [&] {
            AccountsFixture::type(app.account->Edit1,
                                  QStringLiteral("   Equipment rental and repairs, yearly"));
            inField = app.account->Edit1->text();
            ModalScript::press(app.account->BtnSave);
        });
        QCOMPARE(app.account->Edit1->maxLength(), 30);
        QCOMPARE(inField, QStringLiteral("   Equipment rental and repair"));
        QCOMPARE(app.accounts('E')[0].description, QStringLiteral("Equipment rental and repair"));
    }

    void numberMaskAndHelpTopic() {
        AccountsFixture app;
        QVERIFY(app.started);
        SetHelpFilePath(QStringLiteral(KVL_HELP_SOURCE));
        QString topic;
        app.editAccount('I', 0,
                        {[&] {
                             ModalScript::press(app.account->BtnHelp);
                             topic = HelpWindow()->currentTopic();
                             HelpWindow()->close();
                         },
                         [&] { ModalScript::press(app.account->BtnCancel); }});
        QCOMPARE(app.account->MaskEdit1->editMask(), QStringLiteral("!9999;1;_"));
        QCOMPARE(topic, QStringLiteral("550"));
        QVERIFY(app.accounts('I').isEmpty());
    }
};

QTEST_MAIN(AccountEditorTest)
#include "AccountEditorTest.moc"
