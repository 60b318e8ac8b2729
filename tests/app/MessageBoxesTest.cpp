// A message box raised while a field of the main window is being left.
#include "common/AppFixture.h"
#include "common/BoxWatch.h"
#include "common/Keys.h"
#include "screen/MessageBoxes.h"

using namespace kvl;
using kvltest::SeenBox;
using kvltest::WhenBoxOpens;

class MessageBoxesTest : public QObject {
    Q_OBJECT

  private slots:
    void aBoxWhileLeavingAFieldKeepsTheFocusThere() {
        kvl::test::AppFixture app;
        QVERIFY(app.start());
        TMessageBoxSink sink;
        MessageSink* scripted = SetMessageSink(&sink);
        app.form->PageControl1->setCurrentIndex(2);
        app.form->show();
        app.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.form));
        TMaskEdit* month = app.form->MaskEdit3;
        QVERIFY(kvltest::TypeOver(month, QStringLiteral("13")));
        SeenBox seen;
        WhenBoxOpens(&seen, QMessageBox::Ok);
        app.form->MaskEdit4->setFocus(Qt::TabFocusReason);
        SetMessageSink(scripted);
        QVERIFY(seen.found);
        QCOMPARE(seen.text, QStringLiteral("Month must be between 1 and 12"));
        QCOMPARE(seen.icon, QMessageBox::Information);
        // The field is the window's focus again; where the platform reactivates the window after
        // the box (not offscreen), it has the keyboard focus too.
        QCOMPARE(app.form->focusWidget(), month);
        if (QApplication::activeWindow() == app.form) QVERIFY(month->hasFocus());
        QVERIFY(!app.form->MaskEdit4->hasFocus());
        QCOMPARE(month->programText(), QStringLiteral("13"));
        QCOMPARE(Settings.fyMonth, 1);
    }
};

QTEST_MAIN(MessageBoxesTest)
#include "MessageBoxesTest.moc"
