// The desktop's message boxes: icon and buttons by kind, the answer given back, and a box raised
// while a field is being left.
#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include "AppFixture.h"
#include "app/MessageBoxes.h"

using namespace kvl;

namespace {

struct Seen {
    bool found = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString text;
};

// Inspects the next message box and presses `press` (or Escape when press is NoButton).
void WhenBoxOpens(Seen* seen, QMessageBox::StandardButton press) {
    QTimer::singleShot(0, [seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen->found = true;
        seen->icon = box->icon();
        seen->buttons = box->standardButtons();
        seen->text = box->text();
        if (press == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(press)->click();
    });
}

}  // namespace

class MessageBoxesTest : public QObject {
    Q_OBJECT

  private slots:
    void kindsShowTheirIconsAndButtons_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("press");
        QTest::addColumn<int>("answer");
        using B = QMessageBox;
        QTest::newRow("information") << int(MsgKind::Information) << int(B::Information)
                                     << int(B::Ok) << int(B::Ok) << int(MsgAnswer::Ok);
        QTest::newRow("information ok")
            << int(MsgKind::InformationOkCancel) << int(B::Information) << int(B::Ok | B::Cancel)
            << int(B::Ok) << int(MsgAnswer::Ok);
        QTest::newRow("information cancel")
            << int(MsgKind::InformationOkCancel) << int(B::Information) << int(B::Ok | B::Cancel)
            << int(B::Cancel) << int(MsgAnswer::Cancel);
        QTest::newRow("information escape")
            << int(MsgKind::InformationOkCancel) << int(B::Information) << int(B::Ok | B::Cancel)
            << int(B::NoButton) << int(MsgAnswer::Cancel);
        QTest::newRow("warning") << int(MsgKind::Warning) << int(B::Warning) << int(B::Ok)
                                 << int(B::Ok) << int(MsgAnswer::Ok);
        QTest::newRow("warning yes") << int(MsgKind::WarningYesNo) << int(B::Warning)
                                     << int(B::Yes | B::No) << int(B::Yes) << int(MsgAnswer::Yes);
        QTest::newRow("warning escape")
            << int(MsgKind::WarningYesNo) << int(B::Warning) << int(B::Yes | B::No)
            << int(B::NoButton) << int(MsgAnswer::No);
        QTest::newRow("confirmation no") << int(MsgKind::Confirmation) << int(B::Question)
                                         << int(B::Yes | B::No) << int(B::No) << int(MsgAnswer::No);
        QTest::newRow("error") << int(MsgKind::Error) << int(B::Critical) << int(B::Ok)
                               << int(B::Ok) << int(MsgAnswer::Ok);
    }
    void kindsShowTheirIconsAndButtons() {
        QFETCH(int, kind);
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(int, press);
        QFETCH(int, answer);
        TMessageBoxSink sink;
        Seen seen;
        WhenBoxOpens(&seen, QMessageBox::StandardButton(press));
        const MsgAnswer got = sink.show(MsgKind(kind), QStringLiteral("Line one\r\nLine two"));
        QVERIFY(seen.found);
        QCOMPARE(int(seen.icon), icon);
        QCOMPARE(int(seen.buttons), buttons);
        QCOMPARE(seen.text, QStringLiteral("Line one\nLine two"));
        QCOMPARE(int(got), answer);
    }

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
        month->setFocus(Qt::MouseFocusReason);
        month->selectAll();
        QTest::keyClicks(month, QStringLiteral("13"));
        Seen seen;
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
