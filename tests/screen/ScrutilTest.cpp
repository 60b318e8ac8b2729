// The masked field and the entry rules where they touch a field, in three locales, driven through
// real masked fields.
#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "common/ScriptedResponder.h"
#include "data/Clock.h"
#include "screen/MaskEdit.h"
#include "screen/Scrutil.h"

using namespace kvl;
using kvl::test::ScriptedResponder;

class ScrutilTest : public QObject {
    Q_OBJECT

  private:
    // A field wired as an amount field is in the entry windows.
    static void WireAmount(TMaskEdit* field) {
        field->setEditMask(AmountEditMask());
        QObject::connect(field, &TMaskEdit::keyPressed, [field](QKeyEvent* e, bool* swallow) {
            AmountFieldKeyPress(field, e, swallow);
        });
        QObject::connect(field, &TMaskEdit::fieldExit, [field] { AmountFieldExit(field); });
    }

    static void UseLocale(const char* name) { SetRegional(QLocale(QString::fromLatin1(name))); }

  private slots:
    void init() { SetToday(QDate(2026, 6, 15)); }
    void cleanup() {
        SetToday(QDate());
        UseLocale("en_US");
    }

    void translatesMasksToQtNotation() {
        QCOMPARE(QtInputMask(QStringLiteral("!99/99/00;1;_"), QLatin1Char('/')),
                 QStringLiteral("00/00/99;_"));
        QCOMPARE(QtInputMask(QStringLiteral("!99/99/00;1;_"), QLatin1Char('.')),
                 QStringLiteral("00.00.99;_"));
        QCOMPARE(QtInputMask(QStringLiteral("!######.99;1;_"), QLatin1Char('/')),
                 QStringLiteral("######.00;_"));
        QCOMPARE(QtInputMask(QStringLiteral("!9999;1;_"), QLatin1Char('/')),
                 QStringLiteral("0000;_"));
        QCOMPARE(QtInputMask(QStringLiteral("!99999999;1;_"), QLatin1Char('/')),
                 QStringLiteral("00000000;_"));
        // A literal that Qt would read as a mask letter is escaped.
        QCOMPARE(QtInputMask(QStringLiteral("L\\99;1;_"), QLatin1Char('/')),
                 QStringLiteral("A\\90;_"));
    }

    void dateMaskFollowsTheLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("dateQtMask");
        QTest::newRow("en_US") << "en_US"
                               << "00/00/99";
        QTest::newRow("en_GB") << "en_GB"
                               << "00/00/99";
        QTest::newRow("de_DE") << "de_DE"
                               << "00.00.99";
    }
    void dateMaskFollowsTheLocale() {
        QFETCH(QString, locale);
        QFETCH(QString, dateQtMask);
        SetRegional(QLocale(locale));
        TMaskEdit field;
        field.setEditMask(DateEditMask());
        QCOMPARE(field.inputMask().section(QLatin1Char(';'), 0, 0), dateQtMask);
    }

    void writesTheShortFormInTheField_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("rewritten");
        QTest::newRow("en_US") << "en_US"
                               << "0215"
                               << " 2/15/28";
        QTest::newRow("en_GB") << "en_GB"
                               << "1502"
                               << "15/02/28";
        QTest::newRow("de_DE") << "de_DE"
                               << "1502"
                               << "15.02.28";
    }
    void writesTheShortFormInTheField() {
        QFETCH(QString, locale);
        QFETCH(QString, typed);
        QFETCH(QString, rewritten);
        SetRegional(QLocale(locale));
        ScriptedResponder responder;
        TMaskEdit field;
        field.setEditMask(DateEditMask());
        field.setCursorPosition(0);
        QTest::keyClicks(&field, typed + QStringLiteral("28"));
        QDate date;
        QVERIFY(CheckDateField(&field, &date));
        QCOMPARE(date, QDate(2028, 2, 15));
        QCOMPARE(field.programText(), rewritten);
        QVERIFY(responder.shown.isEmpty());
    }

    void checkDateFieldWarnsAndKeepsTheText() {
        UseLocale("en_US");
        ScriptedResponder responder;
        TMaskEdit field;
        field.setEditMask(DateEditMask());
        field.setCursorPosition(0);
        QTest::keyClicks(&field, QStringLiteral("023026"));
        QCOMPARE(field.programText(), QStringLiteral("02/30/26"));
        QDate date(2001, 1, 1);
        QVERIFY(!CheckDateField(&field, &date));
        QCOMPARE(date, QDate(2001, 1, 1));
        QCOMPARE(field.programText(), QStringLiteral("02/30/26"));
        QCOMPARE(responder.shown.size(), 1);
        QCOMPARE(responder.shown[0].kind, MsgKind::Warning);
        QCOMPARE(responder.shown[0].text, QStringLiteral("Invalid Date Entered"));
    }

    void incompleteFieldRefusesToBeLeftAndEscapeRestores() {
        UseLocale("en_US");
        ScriptedResponder responder;
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* date = new TMaskEdit;
        auto* other = new TMaskEdit;
        layout->addWidget(date);
        layout->addWidget(other);
        date->setEditMask(DateEditMask());
        date->setProgramText(QStringLiteral(" 6/15/26"));
        int exits = 0;
        connect(date, &TMaskEdit::fieldExit, [&] { ++exits; });
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        date->setFocus(Qt::TabFocusReason);
        QVERIFY(date->hasFocus());
        QTest::keyClick(date, Qt::Key_End);
        QTest::keyClick(date, Qt::Key_Backspace);
        QTest::keyClick(date, Qt::Key_Backspace);
        QCOMPARE(date->programText(), QStringLiteral(" 6/15/  "));

        other->setFocus(Qt::TabFocusReason);
        QVERIFY(date->hasFocus());
        QCOMPARE(exits, 0);
        QCOMPARE(
            responder.texts(),
            QStringList{QStringLiteral("Invalid input value.  Use escape key to abandon changes")});
        QCOMPARE(responder.shown[0].kind, MsgKind::Warning);

        QTest::keyClick(date, Qt::Key_Escape);
        QCOMPARE(date->programText(), QStringLiteral(" 6/15/26"));
        other->setFocus(Qt::TabFocusReason);
        QVERIFY(other->hasFocus());
        QCOMPARE(exits, 1);
        QCOMPARE(responder.shown.size(), 1);
    }

    void unchangedEmptyFieldMayBeLeft() {
        UseLocale("en_US");
        ScriptedResponder responder;
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* date = new TMaskEdit;
        auto* other = new TMaskEdit;
        layout->addWidget(date);
        layout->addWidget(other);
        date->setEditMask(DateEditMask());
        int exits = 0;
        connect(date, &TMaskEdit::fieldExit, [&] { ++exits; });
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        date->setFocus(Qt::TabFocusReason);
        other->setFocus(Qt::TabFocusReason);
        QVERIFY(other->hasFocus());
        QCOMPARE(exits, 1);
        QVERIFY(responder.shown.isEmpty());
    }

    void typingIntoTheAmountField_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("red");
        for (const char* locale : {"en_US", "en_GB", "de_DE"}) {
            const QString sep = QLocale(QString::fromLatin1(locale)).decimalPoint();
            QTest::addRow("%s 1 2 3 sep", locale)
                << locale << "123" + sep << "   123" + sep + "00" << false;
            QTest::addRow("%s minus sep", locale)
                << locale << "-" + sep << "    -0" + sep + "00" << true;
            QTest::addRow("%s sep alone", locale)
                << locale << sep << "     0" + sep + "00" << false;
        }
    }
    void typingIntoTheAmountField() {
        QFETCH(QString, locale);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        QFETCH(bool, red);
        SetRegional(QLocale(locale));
        ScriptedResponder responder;
        TMaskEdit field;
        WireAmount(&field);
        field.setCursorPosition(0);
        QTest::keyClicks(&field, keys);
        QCOMPARE(field.programText(), expected);
        // The caret stands just behind the separator, ready for the cents.
        QCOMPARE(field.cursorPosition(), 7);
        // The colour is decided before each key, so the minus shows red from the separator on.
        QCOMPARE(field.palette().color(QPalette::Text) == QColor(Qt::red), red);
        QTest::keyClicks(&field, QStringLiteral("5"));
        QCOMPARE(field.programText().right(2), QStringLiteral("50"));
        QVERIFY(responder.shown.isEmpty());
    }

    void leavingTheAmountField() {
        UseLocale("de_DE");
        ScriptedResponder responder;
        TMaskEdit field;
        WireAmount(&field);
        field.setProgramText(QStringLiteral("      ,  "));
        emit field.fieldExit();
        QCOMPARE(field.programText(), QStringLiteral("     0,00"));
        QCOMPARE(field.palette().color(QPalette::Text), QColor(Qt::black));

        field.setProgramText(QStringLiteral("   -12,5 "));
        emit field.fieldExit();
        QCOMPARE(field.programText(), QStringLiteral("   -12,50"));
        QCOMPARE(field.palette().color(QPalette::Text), QColor(Qt::red));
        QVERIFY(responder.shown.isEmpty());

        field.setProgramText(QStringLiteral("  1-2,   "));
        emit field.fieldExit();
        QCOMPARE(responder.texts(),
                 QStringList{QStringLiteral("'1-2,' is not a valid floating point value")});
        QCOMPARE(responder.shown[0].kind, MsgKind::Error);
        QCOMPARE(field.programText(), QStringLiteral("   1-2,  "));
    }

    void integerConversionError() {
        ScriptedResponder responder;
        QVERIFY(!StrToIntOrError(QString()));
        QCOMPARE(responder.texts(), QStringList{QStringLiteral("'' is not a valid integer value")});
        QCOMPARE(responder.shown[0].kind, MsgKind::Error);
    }
};

QTEST_MAIN(ScrutilTest)
#include "ScrutilTest.moc"
