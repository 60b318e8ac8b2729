// The desktop's message boxes: icon and buttons by kind, and the answer given back.
#include <tuple>

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

    // Enter presses the default button, which has the focus: the one that goes ahead unless the
    // caller asks for the cautious one.
    void enterGivesTheDefaultAnswer() {
        TMessageBoxSink sink;
        for (const auto& [kind, byDefault, answer] :
             {std::tuple{MsgKind::InformationOkCancel, MsgDefault::GoAhead, MsgAnswer::Ok},
              {MsgKind::WarningOkCancel, MsgDefault::Cautious, MsgAnswer::Cancel},
              {MsgKind::WarningYesNo, MsgDefault::Cautious, MsgAnswer::No}}) {
            QTimer::singleShot(0, [] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                    QTest::keyClick(box->focusWidget(), Qt::Key_Return);
            });
            QCOMPARE(sink.show(kind, QStringLiteral("Go on?"), byDefault), answer);
        }
    }
};

QTEST_MAIN(MessageBoxesTest)
#include "MessageBoxesTest.moc"
