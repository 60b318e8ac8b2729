// The desktop's message boxes: icon and buttons by kind, and the answer given back.
#include "common/BoxWatch.h"
#include "screen/MessageBoxes.h"

using namespace kvl;
using kvltest::SeenBox;
using kvltest::WhenBoxOpens;

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
        QTest::newRow("warning cancel")
            << int(MsgKind::WarningOkCancel) << int(B::Warning) << int(B::Ok | B::Cancel)
            << int(B::Cancel) << int(MsgAnswer::Cancel);
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
        SeenBox seen;
        WhenBoxOpens(&seen, QMessageBox::StandardButton(press));
        const MsgAnswer got =
            sink.show(MsgKind(kind), QStringLiteral("Line one\r\nLine two"), MsgDefault::GoAhead);
        QVERIFY(seen.found);
        QCOMPARE(int(seen.icon), icon);
        QCOMPARE(int(seen.buttons), buttons);
        QCOMPARE(seen.text, QStringLiteral("Line one\nLine two"));
        QCOMPARE(int(got), answer);
    }

    // Enter presses the default button: the one that goes ahead unless the caller asks otherwise.
    void enterGivesTheDefaultAnswer_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("byDefault");
        QTest::addColumn<int>("answer");
        QTest::newRow("ok") << int(MsgKind::InformationOkCancel) << int(MsgDefault::GoAhead)
                            << int(MsgAnswer::Ok);
        QTest::newRow("cancel") << int(MsgKind::InformationOkCancel) << int(MsgDefault::Cautious)
                                << int(MsgAnswer::Cancel);
        QTest::newRow("warning cancel")
            << int(MsgKind::WarningOkCancel) << int(MsgDefault::Cautious) << int(MsgAnswer::Cancel);
        QTest::newRow("yes") << int(MsgKind::Confirmation) << int(MsgDefault::GoAhead)
                             << int(MsgAnswer::Yes);
        QTest::newRow("no") << int(MsgKind::WarningYesNo) << int(MsgDefault::Cautious)
                            << int(MsgAnswer::No);
    }
    void enterGivesTheDefaultAnswer() {
        QFETCH(int, kind);
        QFETCH(int, byDefault);
        QFETCH(int, answer);
        TMessageBoxSink sink;
        QString focused;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            if (auto* button = qobject_cast<QAbstractButton*>(box->focusWidget()))
                focused = button->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        const MsgAnswer got =
            sink.show(MsgKind(kind), QStringLiteral("Go on?"), MsgDefault(byDefault));
        QCOMPARE(int(got), answer);
        const QMap<int, QString> names{{int(MsgAnswer::Ok), "OK"},
                                       {int(MsgAnswer::Cancel), "Cancel"},
                                       {int(MsgAnswer::Yes), "Yes"},
                                       {int(MsgAnswer::No), "No"}};
        QCOMPARE(focused.remove(QLatin1Char('&')), names.value(answer));
    }
};

QTEST_MAIN(MessageBoxesTest)
#include "MessageBoxesTest.moc"
