// The show hook and the refused field's memory every window is built on: FormShow before each
// showing with the layout settled for what it put in; a refusal swallows one button press and puts
// the focus back, and typing, an accepted exit or a new showing forgets it.
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "screen/FormDialog.h"
#include "screen/RefusedField.h"

using namespace kvl;

namespace {

class TCounting : public TFormDialog {
  public:
    TCounting() {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label = new QLabel(this));
        layout->addWidget(first = new QLineEdit(this));
        layout->addWidget(second = new QLineEdit(this));
    }
    QLabel* label;
    QLineEdit* first;
    QLineEdit* second;
    int shown = 0;

  protected:
    void FormShow() override {
        ++shown;
        label->setText(QString(20 * shown, QLatin1Char('W')));
    }
};

}  // namespace

class FormDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void formShowRunsBeforeEachShowingAndTheLayoutFollowsIt() {
        TCounting window;
        for (int showing = 1; showing <= 2; ++showing) {
            window.show();
            QCOMPARE(window.shown, showing);
            QVERIFY(window.width() >= window.label->sizeHint().width());
            window.hide();
        }
        QCOMPARE(window.shown, 2);
    }

    void aRefusalSwallowsOnePressUntilTypedOverOrAccepted() {
        TCounting window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        RefusedField refused;
        refused.watch(window.first);
        QVERIFY(!refused.swallowPress());

        window.second->setFocus();
        QVERIFY(!refused.left(window.first, false));
        QVERIFY(window.first->hasFocus());
        window.second->setFocus();
        QVERIFY(refused.swallowPress());
        QVERIFY(window.first->hasFocus());
        QVERIFY(!refused.swallowPress());

        refused.left(window.first, false);
        QTest::keyClicks(window.first, "1");
        QVERIFY(!refused.swallowPress());

        refused.left(window.first, false);
        QVERIFY(refused.left(window.first, true));
        QVERIFY(!refused.swallowPress());

        refused.left(window.first, false);
        refused.forget();
        QVERIFY(!refused.swallowPress());
    }
};

QTEST_MAIN(FormDialogTest)
#include "FormDialogTest.moc"
