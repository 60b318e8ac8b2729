// The rate change dialog as its main window button shows it: the accounts and proposed values,
// the warning that keeps it open, help, and typed rates applied to the chosen account.
#include "screen/DropList.h"
#include "transfer/windows/WindowsFixture.h"

using namespace kvl;
using kvltest::ModalScript;
using kvltest::WindowsFixture;

class RateChangeWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void showsItsValuesWarnsAndAppliesTypedRatesToTheChosenAccount() {
        WindowsFixture app;
        QVERIFY(app.started);
        const QStringList before = app.records(false);
        ModalScript script;
        script.on(app.rateChange, [&] {
            TRateChange* w = app.rateChange;
            QVERIFY(w->ComboBox1->count() > 1 && w->ComboBox1->currentText().startsWith("   1 - "));
            QCOMPARE(w->MaskEdit1->programText(), QStringLiteral("    1.0000"));
            QCOMPARE(w->MaskEdit2->programText(), QStringLiteral("    1.0000"));
            QCOMPARE(w->MaskEdit3->programText(), QStringLiteral(" 1/ 1/28"));
            QCOMPARE(w->MaskEdit4->programText(), QStringLiteral(" 2/15/28"));
            ModalScript::press(w->BtnApply);
            QCOMPARE(app.responder.texts(), QStringList{"RATES MUST NOT BE EQUAL"});
            QTest::keyClick(w, Qt::Key_F1);
            QCOMPARE(HelpWindow()->currentTopic(), QStringLiteral("540"));
            WindowsFixture::type(w->MaskEdit1, "0.31");
            QCOMPARE(w->MaskEdit1->programText(), QStringLiteral("    0.3100"));
            WindowsFixture::type(w->MaskEdit2, "0.62");
            WindowsFixture::type(w->MaskEdit3, "010127");
            ModalScript::press(w->BtnApply);
        });
        app.form->BtnRateChange->click();
        SCRIPT_DONE(script);
        const QStringList after = app.records(false);
        int doubled = 0;
        for (int i = 0; i < after.size(); ++i) {
            const QStringList b = before[i].split(' '), a = after[i].split(' ');
            const bool ours = b[1] == "1" && b[0] >= "2027-01-01";
            QCOMPARE(a[2].toLongLong(), b[2].toLongLong() * (ours ? 2 : 1));
            doubled += ours;
        }
        QVERIFY(doubled > 0);
        QVERIFY(cb->tables().empty());
    }
};

QTEST_MAIN(RateChangeWindowTest)
#include "RateChangeWindowTest.moc"
