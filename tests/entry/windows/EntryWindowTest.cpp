// The expense and income windows driven offscreen from the main window's buttons: the cycles'
// wiring, what a new record shows, typing into fields entered from the keyboard, the messages and
// focus of a refused date and of empty charts, the pick list's paging keys and scroll bar, Delete,
// and help. The rules themselves are tested without windows beside this file.
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

#include "common/AppFixture.h"
#include "common/Keys.h"
#include "common/ModalScript.h"
#include "entry/ExpenseU.h"
#include "entry/IncomeU.h"
#include "entry/Ledger.h"
#include "entry/PickExpU.h"
#include "entry/PickIncU.h"
#include "screen/Help.h"

using namespace kvl;
using kvltest::ModalScript;

namespace {

// An empty data set started as the program starts, with the program's windows.
struct EntryApp : test::AppFixture {
    EntryApp() : AppFixture(QStringLiteral("Test User"), QDate(2026, 6, 15), /*sample=*/false) {
        started = start();
    }

    // Accounts 1 to n of both charts, folders 1 to n, and `expenses` expenses of account 1 and
    // folder 1 on consecutive days, paid to P1, P2, ...
    void data(int n, int expenses = 0) {
        OpenExpenseAccounts(), OpenIncomeAccounts(), OpenFolders(), OpenExpenses();
        for (int i = 1; i <= n; ++i) {
            (void)d4appendBlank(dbExpenseAccounts);
            (void)d4appendBlank(dbIncomeAccounts);
            (void)d4appendBlank(dbFolders);
            ExpenseAccountBuffer =
                IncomeAccountBuffer = {i, QStringLiteral("Account %1").arg(i), true};
            StoreExpenseAccountRecord(), StoreIncomeAccountRecord();
            FolderBuffer = {i, QStringLiteral("Folder %1").arg(i)};
            StoreFolderRecord();
        }
        for (int i = 1; i <= expenses; ++i) {
            (void)d4appendBlank(dbExpenses);
            ExpenseBuffer = {QDate(2026, 1, i), i,  1,    1, QStringLiteral("P%1").arg(i),
                             1.0 * i,           {}, false};
            StoreExpenseRecord();
        }
        code4close(cb);
    }

    QList<ExpenseRecord> stored() const {
        QList<ExpenseRecord> rows;
        OpenExpenses();
        for (int rc = d4top(dbExpenses); rc == r4success; rc = d4skip(dbExpenses, 1))
            LoadExpenseRecord(), rows << ExpenseBuffer;
        code4close(cb);
        return rows;
    }

    static QString cell(QTableWidget* grid, int column) {
        return grid->item(grid->currentRow(), column)->text().trimmed();
    }

    bool started = false;
    TPickInc* pickInc = PickIncForm;
    TIncome* income = IncomeForm;
    TPickExp* pickExp = PickExpForm;
    TExpense* expense = ExpenseForm;
};

}  // namespace

class EntryWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void aNewExpenseIsSavedAndListedHighlighted() {
        EntryApp app;
        QVERIFY(app.started);
        app.data(2);
        app.form->DefaultFolder = 2;
        SetHelpFilePath(QStringLiteral(KVL_HELP_SOURCE));
        ModalScript script;
        QStringList seen;
        script
            .on(app.pickExp,
                [&] {
                    seen << QString::number(app.pickExp->BtnSelect->isEnabled() +
                                            app.pickExp->StringGrid1->isEnabled() +
                                            app.pickExp->ScrollBar1->isEnabled());
                    ModalScript::press(app.pickExp->BtnNew);
                })
            .on(app.expense,
                [&] {
                    TExpense* e = app.expense;
                    seen << e->MaskEdit1->programText() << e->MaskEdit2->programText()
                         << e->MaskEdit3->programText() << e->ComboBox2->currentText().left(4)
                         << QString::number(e->BtnDelete->isVisible());
                    QTest::keyClick(e->MaskEdit1, Qt::Key_F1);
                    seen << HelpWindow()->currentTopic();
                    HelpWindow()->close();
                    // The window opens on the check number, its text selected: typing replaces
                    // it; so does typing into a field reached with Tab.
                    QTest::keyClicks(e->MaskEdit1, QStringLiteral("1204"));
                    for (int tab = 0; tab < 3; ++tab)
                        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("999999."));
                    seen << e->MaskEdit1->programText() << e->MaskEdit3->programText();
                    QTest::keyClicks(e->MaskEdit3, QStringLiteral("99"));
                    ModalScript::press(e->BtnSave);
                })
            .on(app.pickExp, [&] {
                QTableWidget* grid = app.pickExp->StringGrid1;
                seen << EntryApp::cell(grid, 3) << EntryApp::cell(grid, 4);
                // The largest amount stands whole in its column, as the cell holds it.
                const QString shown = grid->item(grid->currentRow(), 4)->text();
                const int text = grid->fontMetrics().horizontalAdvance(shown);
                QVERIFY2(grid->columnWidth(4) >= text + 6, qPrintable(QString::number(text)));
                // Escape is Exit: the cycle ends.
                QTest::keyClick(grid, Qt::Key_Escape);
            });
        app.responder.answer(MsgAnswer::No);

        QTest::mouseClick(app.form->BtnExpense, Qt::LeftButton);

        SCRIPT_DONE(script);
        QCOMPARE(seen, (QStringList{"0", "       0", " 6/15/26", "     0.00", "   2", "0", "530",
                                    "    1204", "999999.00", "1204", "999,999.99"}));
        QCOMPARE(app.responder.texts(), QStringList{"Add another expense record?"});
        QVERIFY(cb->tables().empty());
        QCOMPARE(app.stored().size(), 1);
        QCOMPARE(app.stored()[0].amount, 999999.99);
    }

    // Typing over the amount of a record entered with Tab stores what was typed, also when the
    // first key is the separator, which reformats the field: nothing of 12.00 may remain.
    void anAmountTypedOverIsStoredAsTyped() {
        EntryApp app;
        QVERIFY(app.started);
        app.data(1, 12);
        ModalScript script;
        script.on(app.pickExp, [&] { QTest::keyClick(app.pickExp->StringGrid1, Qt::Key_Return); })
            .on(app.expense,
                [&] {
                    QVERIFY(kvltest::TypeOver(app.expense->MaskEdit3, QStringLiteral(".5")));
                    ModalScript::press(app.expense->BtnSave);
                })
            .on(app.pickExp, [&] { ModalScript::press(app.pickExp->BtnExit); });
        QTest::mouseClick(app.form->BtnExpense, Qt::LeftButton);
        SCRIPT_DONE(script);
        QCOMPARE(app.stored().size(), 12);
        QCOMPARE(app.stored()[11].payTo.trimmed(), QStringLiteral("P12"));
        QCOMPARE(app.stored()[11].amount, 0.5);
    }

    void incomeMessagesFocusAndHelp() {
        EntryApp app;
        QVERIFY(app.started);
        SetHelpFilePath(QStringLiteral(KVL_HELP_SOURCE));
        QStringList seen;
        auto cycle = [&](const std::function<void()>& inWindow) {
            ModalScript script;
            script.on(app.pickInc, [&] { ModalScript::press(app.pickInc->Button2); })
                .on(app.income,
                    [&] {
                        inWindow();
                        ModalScript::press(app.income->BtnCancel);
                    })
                .on(app.pickInc, [&] { ModalScript::press(app.pickInc->Button3); });
            QTest::mouseClick(app.form->BtnIncome, Qt::LeftButton);
            SCRIPT_DONE(script);
        };
        cycle([&] {
            seen << QString::number(app.income->BtnSave->isEnabled());
            ModalScript::press(app.income->BitBtn1);
            seen << HelpWindow()->currentTopic();
            HelpWindow()->close();
        });
        QCOMPARE(seen, (QStringList{"0", "510"}));
        QCOMPARE(app.responder.texts(),
                 (QStringList{"Income Accounts must be defined before entering Income Records",
                              "Folders must be defined before entering Income Records"}));
        app.responder.clear();
        app.data(1);
        cycle([&] {
            QTest::keyClicks(app.income->MaskEdit1, QStringLiteral("023026"));
            ModalScript::press(app.income->BtnSave);
            QCOMPARE(QApplication::focusWidget(), app.income->MaskEdit1);
            QCOMPARE(app.responder.texts(), QStringList{"Invalid Date Entered"});
        });
        // The folder list follows the buttons.
        QCOMPARE(app.income->BtnCancel->nextInFocusChain(), app.income->ComboBox2);
    }

    void pagingKeysScrollBarEnterAndDelete() {
        EntryApp app;
        QVERIFY(app.started);
        app.data(1, 25);
        ModalScript script;
        QList<int> tops, bar;
        QString last;
        auto note = [&] {
            tops << app.pickExp->page().TopIndex;
            bar << app.pickExp->ScrollBar1->value();
        };
        script
            .on(app.pickExp,
                [&] {
                    TPickExp* p = app.pickExp;
                    QCOMPARE(p->StringGrid1->currentRow(), 9);
                    QCOMPARE(p->ScrollBar1->maximum(), 15);
                    note();
                    for (Qt::Key key :
                         {Qt::Key_Home, Qt::Key_PageDown, Qt::Key_End, Qt::Key_PageDown}) {
                        QTest::keyClick(p->StringGrid1, key);
                        note();
                    }
                    p->ScrollBar1->triggerAction(QAbstractSlider::SliderPageStepSub);
                    note();
                    p->StringGrid1->setCurrentCell(0, 0);
                    QTest::keyClick(p->StringGrid1, Qt::Key_Up);
                    note();
                    QTest::keyClick(p->StringGrid1, Qt::Key_Return);
                })
            .on(app.expense, [&] { ModalScript::press(app.expense->BtnCancel); })
            .on(app.pickExp,
                [&] {
                    // The record chosen comes back on the top row, highlighted.
                    note();
                    QCOMPARE(EntryApp::cell(app.pickExp->StringGrid1, 5), QStringLiteral("P5"));
                    ModalScript::press(app.pickExp->BtnSelect);
                })
            .on(app.expense, [&] { ModalScript::press(app.expense->BtnDelete); })
            .on(app.pickExp, [&] {
                last = EntryApp::cell(app.pickExp->StringGrid1, 5);
                ModalScript::press(app.pickExp->BtnExit);
            });

        QTest::mouseClick(app.form->BtnExpense, Qt::LeftButton);

        SCRIPT_DONE(script);
        QCOMPARE(tops, (QList<int>{15, 0, 10, 15, 15, 5, 4, 4}));
        QCOMPARE(bar, tops);
        QCOMPARE(last, QStringLiteral("P25"));
        QVERIFY(app.responder.texts().isEmpty());
        QCOMPARE(app.stored().size(), 24);
    }
};

QTEST_MAIN(EntryWindowTest)
#include "EntryWindowTest.moc"
