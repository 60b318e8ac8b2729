// What every pick list, drop-down and number field does at the keyboard: typed characters leave
// the grid's row where it was, Tab leaves the grid for the buttons, the drop-down takes only the
// arrow keys, and a number field opens in plain decimal and is padded when edited or left.
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>

#include "common/Keys.h"
#include "screen/DropList.h"
#include "screen/FormParts.h"
#include "screen/MaskEdit.h"
#include "screen/PickList.h"
#include "screen/Scrutil.h"

using namespace kvl;
using kvltest::TabInto;
using kvltest::TypeOver;

namespace {

// A pick list of four numbered records; the second row is current when it opens.
class TPickNumbers : public TPickList {
  public:
    TPickNumbers() : TPickList(QStringLiteral("Numbers"), 9, nullptr) {}
    int chosen = -2;

  protected:
    int& selection() override { return chosen; }
    void FormShow() override {
        BeginFill({{QStringLiteral("Number"), 48}, {QString(), 0}});
        for (int number : {10, 13, 20, 31}) AddRow({QString::number(number)}, number * 100);
        EndFill(1);
    }
};

bool ShowActive(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

}  // namespace

class KeyboardTest : public QObject {
    Q_OBJECT

  private slots:
    void typedDigitsLeaveTheRowWhereItWas() {
        TPickNumbers pick;
        QVERIFY(ShowActive(&pick));
        QVERIFY(pick.StringGrid1->hasFocus());
        QCOMPARE(pick.StringGrid1->currentRow(), 1);
        // "3" and "2" begin the numbers of other rows.
        QTest::keyClicks(pick.StringGrid1, QStringLiteral("32a"));
        QCOMPARE(pick.StringGrid1->currentRow(), 1);
        QTest::keyClick(pick.StringGrid1, Qt::Key_Down);
        QCOMPARE(pick.StringGrid1->currentRow(), 2);
        QTest::keyClick(pick.StringGrid1, Qt::Key_Return);
        QCOMPARE(pick.chosen, 2000);
        QCOMPARE(pick.result(), int(QDialog::Accepted));
    }

    void tabLeavesTheGridForTheButtons() {
        TPickNumbers pick;
        QVERIFY(ShowActive(&pick));
        QTest::keyClick(pick.StringGrid1, Qt::Key_Tab);
        QVERIFY(pick.BtnSelect->hasFocus());
        QTest::keyClick(pick.BtnSelect, Qt::Key_Tab);
        QVERIFY(pick.BtnNew->hasFocus());
        QTest::keyClick(pick.BtnNew, Qt::Key_Tab);
        QVERIFY(pick.BtnExit->hasFocus());
        QCOMPARE(pick.StringGrid1->currentRow(), 1);
        QTest::keyClick(pick.BtnExit, Qt::Key_Enter);
        QCOMPARE(pick.chosen, -1);
        QVERIFY(!pick.isVisible());
    }

    // The drop-down takes only the arrow keys; the window's own keys (turning the main window's
    // tabs, closing a dialog, help, shortcuts) pass it by.
    void dropDownTakesOnlyTheArrowKeys() {
        struct Window : QWidget {
            QList<QKeyCombination> reached;
            void keyPressEvent(QKeyEvent* event) override {
                if (event->key() < Qt::Key_Shift || event->key() > Qt::Key_Alt)  // not alone
                    reached << event->keyCombination();
            }
        } window;
        auto* list = new TDropDownList(&window);
        for (const char* item :
             {"  -1 - No Default", "   1 - North", "   2 - South", "   3 - West"})
            list->addItem(QString::fromLatin1(item));
        list->setCurrentIndex(1);
        const QList<QKeyCombination> windows{Qt::CTRL | Qt::Key_Tab,
                                             Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab,
                                             Qt::CTRL | Qt::Key_PageDown,
                                             Qt::CTRL | Qt::Key_PageUp,
                                             QKeyCombination(Qt::Key_Escape),
                                             QKeyCombination(Qt::Key_F1),
                                             Qt::ALT | Qt::Key_F};
        for (QKeyCombination key : QList<QKeyCombination>{Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp,
                                                          Qt::Key_PageDown, Qt::Key_2, Qt::Key_S} +
                                       windows)
            QTest::keyClick(list, key.key(), key.keyboardModifiers());
        QCOMPARE(window.reached, windows);
        QCOMPARE(list->currentIndex(), 1);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentIndex(), 2);
    }

    // Tab and Backtab select a masked field's text, so that the typed date replaces it instead
    // of merging with it ("11/1/26" over "12/ 7/26" gave "11/17/26"); a click places the caret.
    // The placeholder shows in empty places only while the field is edited.
    void aMaskedFieldEnteredByTabIsTypedOver() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        TMaskEdit* from = DateField(&window, "From");
        TMaskEdit* through = DateField(&window, "Through");
        TMaskEdit* amount = MaskField(&window, "Amount", AmountEditMask());
        for (QWidget* field : {from, through, amount}) layout->addWidget(field);
        connect(amount, &TMaskEdit::keyPressed, amount,
                [amount](QKeyEvent* e, bool* swallow) { AmountFieldKeyPress(amount, e, swallow); });
        connect(amount, &TMaskEdit::fieldExit, amount, [amount] { AmountFieldExit(amount); });
        for (TMaskEdit* field : {from, through}) field->setProgramText(QStringLiteral("12/ 7/26"));
        QVERIFY(ShowActive(&window));
        QVERIFY(TypeOver(through, QStringLiteral("11/1/26")));
        QCOMPARE(through->programText(), QStringLiteral("11/ 1/26"));
        // Empty places show the placeholder while the field is edited, blanks once it is left.
        QCOMPARE(through->displayText(), QStringLiteral("11/1_/26"));
        QCOMPARE(from->displayText(), QStringLiteral("12/ 7/26"));
        QTest::keyClick(through, Qt::Key_Backtab);
        QCOMPARE(through->displayText(), QStringLiteral("11/ 1/26"));
        QCOMPARE(through->programText(), QStringLiteral("11/ 1/26"));
        QCOMPARE(from->displayText(), QStringLiteral("12/_7/26"));
        QTest::keyClicks(from, QStringLiteral("3/15/26"));
        QCOMPARE(from->programText(), QStringLiteral(" 3/15/26"));
        // A key no place takes leaves the selected text alone.
        QTest::keyClick(from, Qt::Key_Tab);
        QTest::keyClick(through, Qt::Key_X);
        QCOMPARE(through->programText(), QStringLiteral("11/ 1/26"));

        // Nothing of an old amount stays, also when the first key is the separator, which makes
        // the field reformat what it holds ("12.34" typed over with ".5" gave "12.54").
        const QList<std::pair<const char*, const char*>> amounts{
            {".5", "     0.50"}, {"7", "     7.00"}, {"7.5", "     7.50"}, {"-.", "    -0.00"}};
        for (const auto& [typed, stored] : amounts) {
            amount->setProgramText(QStringLiteral("    12.34"));
            QVERIFY(TypeOver(amount, QString::fromLatin1(typed)));
            QTest::keyClick(amount, Qt::Key_Backtab);
            QCOMPARE(amount->programText(), QString::fromLatin1(stored));
        }

        QTest::mouseClick(through, Qt::LeftButton, {}, QPoint(4, through->height() / 2));
        QVERIFY(through->hasFocus() && !through->hasSelectedText());
    }

    void numberFieldOpensPlainAndIsPaddedWhenEdited() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        TMaskEdit* number = NumberField(&window, "MaskEdit1");
        auto* other = new TMaskEdit(&window);
        layout->addWidget(number);
        layout->addWidget(other);
        ShowNumber(number, 13);
        QCOMPARE(number->displayText(), QStringLiteral("13"));
        QCOMPARE(number->programText(), QStringLiteral("  13"));
        QVERIFY(ShowActive(&window));

        QVERIFY(TabInto(other));
        QVERIFY(TypeOver(number, QStringLiteral("42")));
        QCOMPARE(number->displayText(), QStringLiteral("42__"));
        QTest::keyClick(number, Qt::Key_Escape);
        QCOMPARE(number->displayText(), QStringLiteral("13"));

        // A digit typed at the end of the plain text lands behind it, as it was seen.
        number->setCursorPosition(2);
        QTest::keyClick(number, Qt::Key_5);
        QCOMPARE(number->programText(), QStringLiteral(" 135"));

        ShowNumber(number, 7);
        number->setProgramText(QStringLiteral("7"));
        QCOMPARE(number->displayText(), QStringLiteral("___7"));
    }
};

QTEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
