// The expense and income windows driven offscreen from the main window's buttons: the cycles'
// wiring, the fields a new record shows, typing an amount, the messages and focus of a refused
// date and of empty charts, the pick list's paging keys and scroll bar, Delete, and help.
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>

#include "EntryWindowFixture.h"
#include "screen/DropList.h"
#include "screen/Help.h"
#include "screen/MaskEdit.h"

using namespace kvl;
using kvltest::EntryWindowFixture;
using kvltest::ModalScript;

#define SCRIPT_DONE(script)                                                              \
    do {                                                                                 \
        QVERIFY2((script).failures.isEmpty(), qPrintable((script).failures.join('\n'))); \
        QVERIFY2((script).done(), "steps left over");                                    \
    } while (false)

class EntryWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void expenseCycleSavesANewRecordAndListsItHighlighted() {
        EntryWindowFixture app;
        QVERIFY(app.started);
        app.charts(2);
        app.form->DefaultFolder = 2;
        QVERIFY(app.form->BtnExpense->isEnabled());
        ModalScript script;
        QStringList defaults, highlighted;
        bool emptyList = false;
        script
            .on(app.pickExp,
                [&] {
                    emptyList = !app.pickExp->BtnSelect->isEnabled() &&
                                !app.pickExp->StringGrid1->isEnabled() &&
                                !app.pickExp->ScrollBar1->isEnabled();
                    ModalScript::press(app.pickExp->BtnNew);
                })
            .on(app.expense,
                [&] {
                    TExpense* e = app.expense;
                    defaults << e->MaskEdit1->programText() << e->MaskEdit2->programText()
                             << e->MaskEdit3->programText() << e->ComboBox1->currentText().left(4)
                             << e->ComboBox2->currentText().left(4)
                             << (e->BtnDelete->isVisible() ? "Delete" : "")
                             << (QApplication::focusWidget() == e->MaskEdit1 ? "focus" : "");
                    EntryWindowFixture::type(e->MaskEdit1, QStringLiteral("1204"));
                    EntryWindowFixture::type(e->Edit1, QStringLiteral("Hardware"));
                    EntryWindowFixture::type(e->MaskEdit3, QStringLiteral("123."));
                    defaults << e->MaskEdit3->programText();
                    QTest::keyClicks(e->MaskEdit3, QStringLiteral("45"));
                    ModalScript::press(e->BtnSave);
                })
            .on(app.pickExp, [&] {
                highlighted = EntryWindowFixture::currentRow(app.pickExp->StringGrid1);
                ModalScript::press(app.pickExp->BtnExit);
            });
        app.responder.answer(MsgAnswer::No);

        QTest::mouseClick(app.form->BtnExpense, Qt::LeftButton);

        SCRIPT_DONE(script);
        QVERIFY(emptyList);
        QCOMPARE(defaults, (QStringList{"       0", " 6/15/26", "     0.00", "   1", "   2", "",
                                        "focus", "   123.00"}));
        QCOMPARE(app.responder.texts(), QStringList{"Add another expense record?"});
        QCOMPARE(highlighted, (QStringList{"6/15/26", "1", "2", "1204", "      123.45",
                                           QStringLiteral("Hardware").leftJustified(30), "1"}));
        QVERIFY(cb->tables().empty());
        const QList<ExpenseRecord> stored = app.storedExpenses();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored[0].amount, 123.45);
        QCOMPARE(stored[0].folder, 2);
    }

    void emptyChartsAreSaidAndSaveIsDisabled() {
        EntryWindowFixture app;
        QVERIFY(app.started);
        ModalScript script;
        bool saveEnabled = true;
        script.on(app.pickInc, [&] { ModalScript::press(app.pickInc->Button2); })
            .on(app.income,
                [&] {
                    saveEnabled = app.income->BtnSave->isEnabled();
                    ModalScript::press(app.income->BtnCancel);
                })
            .on(app.pickInc, [&] { ModalScript::press(app.pickInc->Button3); });

        QTest::mouseClick(app.form->BtnIncome, Qt::LeftButton);

        SCRIPT_DONE(script);
        QVERIFY(!saveEnabled);
        QCOMPARE(app.responder.texts(),
                 (QStringList{"Income Accounts must be defined before entering Income Records",
                              "Folders must be defined before entering Income Records"}));
        QCOMPARE(app.pickInc->Button1->objectName(), QStringLiteral("Button1"));
        QCOMPARE(app.pickInc->windowTitle(), QStringLiteral("Select Item"));
    }

    void aRefusedDateKeepsTheFocusAndSavesNothing() {
        EntryWindowFixture app;
        QVERIFY(app.started);
        app.charts(1);
        ModalScript script;
        bool focusBack = false;
        QStringList said;
        script.on(app.pickInc, [&] { ModalScript::press(app.pickInc->Button2); })
            .on(app.income,
                [&] {
                    EntryWindowFixture::type(app.income->MaskEdit1, QStringLiteral("023026"));
                    ModalScript::press(app.income->BtnSave);
                    focusBack = QApplication::focusWidget() == app.income->MaskEdit1;
                    said = app.responder.texts();
                    ModalScript::press(app.income->BtnCancel);
                })
            .on(app.pickInc, [&] { ModalScript::press(app.pickInc->Button3); });

        QTest::mouseClick(app.form->BtnIncome, Qt::LeftButton);

        SCRIPT_DONE(script);
        QVERIFY(focusBack);
        QCOMPARE(said, QStringList{"Invalid Date Entered"});
        QCOMPARE(app.storedExpenses().size(), 0);
        QCOMPARE(app.income->BtnCancel->nextInFocusChain(), app.income->ComboBox2);
    }

    void pagingKeysScrollBarAndSelect() {
        EntryWindowFixture app;
        QVERIFY(app.started);
        app.charts(1);
        app.expenses(25);
        ModalScript script;
        QList<int> tops, bar;
        QString chosen;
        auto note = [&] {
            tops << app.pickExp->page().TopIndex;
            bar << app.pickExp->ScrollBar1->value();
        };
        script
            .on(app.pickExp,
                [&] {
                    TPickExp* p = app.pickExp;
                    QCOMPARE(p->StringGrid1->rowCount(), 10);
                    QCOMPARE(p->StringGrid1->currentRow(), 9);
                    QCOMPARE(p->ScrollBar1->maximum(), 15);
                    note();
                    for (int key :
                         {Qt::Key_Home, Qt::Key_PageDown, Qt::Key_End, Qt::Key_PageDown}) {
                        QTest::keyClick(p->StringGrid1, Qt::Key(key));
                        note();
                    }
                    p->ScrollBar1->triggerAction(QAbstractSlider::SliderPageStepSub);
                    note();
                    p->ScrollBar1->triggerAction(QAbstractSlider::SliderSingleStepSub);
                    note();
                    p->StringGrid1->setCurrentCell(0, 0);
                    QTest::keyClick(p->StringGrid1, Qt::Key_Up);
                    note();
                    chosen = p->StringGrid1->item(0, 6)->text();
                    QTest::keyClick(p->StringGrid1, Qt::Key_Return);
                })
            .on(app.expense, [&] { ModalScript::press(app.expense->BtnCancel); })
            .on(app.pickExp, [&] {
                note();
                QCOMPARE(app.pickExp->StringGrid1->currentRow(), 0);
                ModalScript::press(app.pickExp->BtnExit);
            });

        QTest::mouseClick(app.form->BtnExpense, Qt::LeftButton);

        SCRIPT_DONE(script);
        QCOMPARE(tops, (QList<int>{15, 0, 10, 15, 15, 5, 4, 3, 3}));
        QCOMPARE(bar, tops);
        QCOMPARE(chosen, QStringLiteral("4"));
    }

    void deletePacksAndTheListEndsOnTheLastRecord() {
        EntryWindowFixture app;
        QVERIFY(app.started);
        app.charts(1);
        app.expenses(12);
        ModalScript script;
        QString last;
        script
            .on(app.pickExp,
                [&] {
                    app.pickExp->StringGrid1->setCurrentCell(0, 0);
                    ModalScript::press(app.pickExp->BtnSelect);
                })
            .on(app.expense, [&] { ModalScript::press(app.expense->BtnDelete); })
            .on(app.pickExp, [&] {
                last = EntryWindowFixture::currentRow(app.pickExp->StringGrid1).value(5).trimmed();
                ModalScript::press(app.pickExp->BtnExit);
            });

        QTest::mouseClick(app.form->BtnExpense, Qt::LeftButton);

        SCRIPT_DONE(script);
        QCOMPARE(last, QStringLiteral("P12"));
        QVERIFY(app.responder.texts().isEmpty());
        const QList<ExpenseRecord> stored = app.storedExpenses();
        QCOMPARE(stored.size(), 11);
        QCOMPARE(stored[2].payTo.trimmed(), QStringLiteral("P4"));
    }

    void helpTopics() {
        EntryWindowFixture app;
        QVERIFY(app.started);
        app.charts(1);
        SetHelpFilePath(QStringLiteral(KVL_HELP_SOURCE));
        QStringList topics;
        {
            ModalScript script;
            script.on(app.pickExp, [&] { ModalScript::press(app.pickExp->BtnNew); })
                .on(app.expense,
                    [&] {
                        QTest::keyClick(app.expense->MaskEdit1, Qt::Key_F1);
                        topics << HelpWindow()->currentTopic();
                        HelpWindow()->close();
                        ModalScript::press(app.expense->BtnCancel);
                    })
                .on(app.pickExp, [&] { ModalScript::press(app.pickExp->BtnExit); });
            QTest::mouseClick(app.form->BtnExpense, Qt::LeftButton);
            SCRIPT_DONE(script);
        }
        ModalScript income;
        income.on(app.pickInc, [&] { ModalScript::press(app.pickInc->Button2); })
            .on(app.income,
                [&] {
                    ModalScript::press(app.income->BitBtn1);
                    topics << HelpWindow()->currentTopic();
                    HelpWindow()->close();
                    ModalScript::press(app.income->BtnCancel);
                })
            .on(app.pickInc, [&] { ModalScript::press(app.pickInc->Button3); });
        QTest::mouseClick(app.form->BtnIncome, Qt::LeftButton);
        SCRIPT_DONE(income);
        QCOMPARE(topics, (QStringList{"530", "510"}));
    }
};

QTEST_MAIN(EntryWindowTest)
#include "EntryWindowTest.moc"
