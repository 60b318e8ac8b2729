// The rate change dialog as its main window button shows it: the account list and the proposed
// values, the warnings that keep it open, typed rates applied, the separator key, an empty chart,
// and help.
#include <QComboBox>

#include "WindowsFixture.h"
#include "screen/DropList.h"

using namespace kvl;
using kvltest::ModalScript;
using kvltest::WindowsFixture;

class RateChangeWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void showsTheAccountsAndTheProposedValuesAndRefusesEqualRates() {
        WindowsFixture app;
        QVERIFY(app.started);
        ModalScript script;
        script.on(app.rateChange, [&] {
            TRateChange* w = app.rateChange;
            QCOMPARE(w->windowTitle(), QStringLiteral("Rate Change"));
            QVERIFY(w->Notes->text().startsWith("This option is provided to update rate based"));
            QVERIFY(w->ComboBox1->count() > 1);
            QCOMPARE(w->ComboBox1->currentIndex(), 0);
            QVERIFY(w->ComboBox1->currentText().startsWith("   1 - "));
            QCOMPARE(w->MaskEdit1->programText(), QStringLiteral("    1.0000"));
            QCOMPARE(w->MaskEdit2->programText(), QStringLiteral("    1.0000"));
            QCOMPARE(w->MaskEdit3->programText(), QStringLiteral(" 1/ 1/28"));
            QCOMPARE(w->MaskEdit4->programText(), QStringLiteral(" 2/15/28"));
            ModalScript::press(w->BtnApply);
            QCOMPARE(app.responder.texts(), QStringList{"RATES MUST NOT BE EQUAL"});
            QVERIFY(w->isVisible());
            QTest::keyClick(w, Qt::Key_F1);
            QCOMPARE(HelpWindow()->currentTopic(), QStringLiteral("540"));
            ModalScript::press(w->BtnCancel);
        });
        app.form->BtnRateChange->click();
        SCRIPT_DONE(script);
        QVERIFY(cb->tables().empty());
    }

    void typedRatesAreAppliedToTheChosenAccountAndCloseTheDialog() {
        WindowsFixture app;
        QVERIFY(app.started);
        const auto before = app.entries(false);
        ModalScript script;
        script.on(app.rateChange, [&] {
            TRateChange* w = app.rateChange;
            WindowsFixture::type(w->MaskEdit1, QStringLiteral("0.31"));
            QCOMPARE(w->MaskEdit1->programText(), QStringLiteral("    0.3100"));
            WindowsFixture::type(w->MaskEdit2, QStringLiteral("0.62"));
            WindowsFixture::type(w->MaskEdit3, QStringLiteral("010127"));
            ModalScript::press(w->BtnApply);
        });
        app.form->BtnRateChange->click();
        SCRIPT_DONE(script);
        QVERIFY(app.responder.shown.isEmpty());
        const auto after = app.entries(false);
        QCOMPARE(after.size(), before.size());
        int doubled = 0;
        for (int i = 0; i < after.size(); ++i) {
            const bool ours = before[i].account == 1 && before[i].date >= QDate(2027, 1, 1) &&
                              before[i].date <= QDate(2028, 2, 15);
            QCOMPARE(after[i].cents, before[i].cents * (ours ? 2 : 1));
            doubled += ours;
        }
        QVERIFY(doubled > 0);
    }

    void theSeparatorKeyOnTextThatIsNotANumberShowsTheConversionError() {
        WindowsFixture app;
        QVERIFY(app.started);
        ModalScript script;
        script.on(app.rateChange, [&] {
            TRateChange* w = app.rateChange;
            WindowsFixture::type(w->MaskEdit2, QStringLiteral("1-2"));
            QTest::keyClick(w->MaskEdit2, Qt::Key_Period);
            QCOMPARE(app.responder.shown.size(), 1);
            QCOMPARE(app.responder.shown[0].kind, MsgKind::Error);
            QCOMPARE(app.responder.shown[0].text,
                     QStringLiteral("'1-2.' is not a valid floating point value"));
            ModalScript::press(w->BtnCancel);
        });
        app.form->BtnRateChange->click();
        SCRIPT_DONE(script);
    }

    void anEmptyChartIsSaidAndDisablesApply() {
        WindowsFixture app(/*sample=*/false);
        QVERIFY(app.started);
        ModalScript script;
        script.on(app.rateChange, [&] {
            QVERIFY(!app.rateChange->BtnApply->isEnabled());
            ModalScript::press(app.rateChange->BtnCancel);
        });
        app.form->BtnRateChange->click();
        SCRIPT_DONE(script);
        QCOMPARE(app.responder.texts(),
                 QStringList{"Expense Accounts must be defined before entering Expense Records"});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Information);
    }
};

QTEST_MAIN(RateChangeWindowTest)
#include "RateChangeWindowTest.moc"
