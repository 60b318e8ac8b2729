// The date and amount entry rules in three locales, driven through real masked fields.
#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "ScriptedResponder.h"
#include "app/MaskEdit.h"
#include "app/Scrutil.h"
#include "data/Clock.h"

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

    void masksFollowTheLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("amountMask");
        QTest::addColumn<QString>("dateQtMask");
        QTest::newRow("en_US") << "en_US"
                               << "!######.99;1;_"
                               << "00/00/99;_";
        QTest::newRow("en_GB") << "en_GB"
                               << "!######.99;1;_"
                               << "00/00/99;_";
        QTest::newRow("de_DE") << "de_DE"
                               << "!######,99;1;_"
                               << "00.00.99;_";
    }
    void masksFollowTheLocale() {
        QFETCH(QString, locale);
        QFETCH(QString, amountMask);
        QFETCH(QString, dateQtMask);
        SetRegional(QLocale(locale));
        QCOMPARE(AmountEditMask(), amountMask);
        TMaskEdit field;
        field.setEditMask(DateEditMask());
        QCOMPARE(field.inputMask(), dateQtMask);
    }

    void readsDatesInTheLocalesOrder_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");  // invalid: not a date
        const QDate none;
        QTest::newRow("US 01/05/65 -> 2065") << "en_US"
                                             << "01/05/65" << QDate(2065, 1, 5);
        QTest::newRow("US 01/05/66 -> 1966") << "en_US"
                                             << "01/05/66" << QDate(1966, 1, 5);
        QTest::newRow("US 12/31/99 -> 1999") << "en_US"
                                             << "12/31/99" << QDate(1999, 12, 31);
        QTest::newRow("US 01/01/00 -> 2000") << "en_US"
                                             << "01/01/00" << QDate(2000, 1, 1);
        QTest::newRow("US 02/30/26 refused") << "en_US"
                                             << "02/30/26" << none;
        QTest::newRow("US 13/01/26 refused") << "en_US"
                                             << "13/01/26" << none;
        QTest::newRow("US 04/31/26 refused") << "en_US"
                                             << "04/31/26" << none;
        QTest::newRow("US 02/29/28 leap") << "en_US"
                                          << "02/29/28" << QDate(2028, 2, 29);
        QTest::newRow("US 02/29/27 refused") << "en_US"
                                             << "02/29/27" << none;
        QTest::newRow("US blanks before numbers") << "en_US"
                                                  << " 1/ 5/26" << QDate(2026, 1, 5);
        QTest::newRow("US trailing separator") << "en_US"
                                               << "1/5/26/  " << QDate(2026, 1, 5);
        QTest::newRow("US trailing text refused") << "en_US"
                                                  << "1/5/26x" << none;
        QTest::newRow("US two separators refused") << "en_US"
                                                   << "1/5/26//" << none;
        QTest::newRow("US missing number refused") << "en_US"
                                                   << " 1/  /26" << none;
        QTest::newRow("US empty field refused") << "en_US"
                                                << "  /  /  " << none;
        QTest::newRow("US four-digit year") << "en_US"
                                            << "1/5/1926" << QDate(1926, 1, 5);
        QTest::newRow("US wrong separator refused") << "en_US"
                                                    << "01.05.26" << none;
        QTest::newRow("GB 05/01/65 -> 2065") << "en_GB"
                                             << "05/01/65" << QDate(2065, 1, 5);
        QTest::newRow("GB 05/01/66 -> 1966") << "en_GB"
                                             << "05/01/66" << QDate(1966, 1, 5);
        QTest::newRow("GB 30/02/26 refused") << "en_GB"
                                             << "30/02/26" << none;
        QTest::newRow("GB 13/12/26 day first") << "en_GB"
                                               << "13/12/26" << QDate(2026, 12, 13);
        QTest::newRow("GB 12/13/26 refused") << "en_GB"
                                             << "12/13/26" << none;
        QTest::newRow("DE 05.01.65 -> 2065") << "de_DE"
                                             << "05.01.65" << QDate(2065, 1, 5);
        QTest::newRow("DE 05.01.66 -> 1966") << "de_DE"
                                             << "05.01.66" << QDate(1966, 1, 5);
        QTest::newRow("DE 30.02.26 refused") << "de_DE"
                                             << "30.02.26" << none;
        QTest::newRow("DE slash refused") << "de_DE"
                                          << "05/01/26" << none;
    }
    void readsDatesInTheLocalesOrder() {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        SetRegional(QLocale(locale));
        const std::optional<QDate> read = ReadDateText(text);
        if (!expected.isValid()) {
            QVERIFY2(!read, qPrintable(read ? read->toString(Qt::ISODate) : QString()));
        } else {
            QVERIFY(read.has_value());
            QCOMPARE(*read, expected);
        }
    }

    void theWindowMovesWithToday() {
        UseLocale("en_US");
        SetToday(QDate(2080, 3, 1));  // window 2020..2119
        QCOMPARE(*ReadDateText(QStringLiteral("01/05/19")), QDate(2119, 1, 5));
        QCOMPARE(*ReadDateText(QStringLiteral("01/05/20")), QDate(2020, 1, 5));
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
        date->setCursorPosition(8);
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

    void formatsAmounts_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("US f") << "en_US" << 123.0 << "%9.2f"
                              << "   123.00";
        QTest::newRow("US f negative") << "en_US" << -5.5 << "%9.2f"
                                       << "    -5.50";
        QTest::newRow("US f no grouping") << "en_US" << 123456.78 << "%9.2f"
                                          << "123456.78";
        QTest::newRow("US n") << "en_US" << 1234567.891 << "%12.2n"
                              << "1,234,567.89";
        QTest::newRow("US n negative") << "en_US" << -1234.5 << "%13.2n"
                                       << "    -1,234.50";
        QTest::newRow("US n small") << "en_US" << 999.994 << "%12.2n"
                                    << "      999.99";
        QTest::newRow("US n carry") << "en_US" << 999.995 << "%12.2n"
                                    << "    1,000.00";
        QTest::newRow("US half away") << "en_US" << 1.005 << "%9.2f"
                                      << "     1.01";
        QTest::newRow("US negative half") << "en_US" << -2.675 << "%9.2f"
                                          << "    -2.68";
        QTest::newRow("US tiny negative") << "en_US" << -0.001 << "%9.2f"
                                          << "     0.00";
        QTest::newRow("US fraction only") << "en_US" << 0.07 << "%9.2f"
                                          << "     0.07";
        QTest::newRow("US too wide") << "en_US" << 12345678.0 << "%9.2f"
                                     << "12345678.00";
        QTest::newRow("GB n") << "en_GB" << 1234567.891 << "%12.2n"
                              << "1,234,567.89";
        QTest::newRow("DE f") << "de_DE" << 123.0 << "%9.2f"
                              << "   123,00";
        QTest::newRow("DE n") << "de_DE" << 1234567.891 << "%12.2n"
                              << "1.234.567,89";
        QTest::newRow("DE n 13") << "de_DE" << -98765.4 << "%13.2n"
                                 << "   -98.765,40";
    }
    void formatsAmounts() {
        QFETCH(QString, locale);
        QFETCH(double, value);
        QFETCH(QString, format);
        QFETCH(QString, expected);
        SetRegional(QLocale(locale));
        QCOMPARE(FormatAmount(value, format), expected);
    }

    void normalizesAmountText_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");  // empty: conversion fails
        QTest::newRow("US digits") << "en_US"
                                   << "   123.  "
                                   << "   123.00";
        QTest::newRow("US blanks inside") << "en_US"
                                          << " 1 2 3. 5"
                                          << "   123.50";
        QTest::newRow("US lone separator") << "en_US"
                                           << "      .  "
                                           << "     0.00";
        QTest::newRow("US empty") << "en_US"
                                  << "         "
                                  << "     0.00";
        QTest::newRow("US minus separator") << "en_US"
                                            << "     -.  "
                                            << "    -0.00";
        QTest::newRow("US lone minus") << "en_US"
                                       << "     -   "
                                       << "    -0.00";
        QTest::newRow("US minus zero digits") << "en_US"
                                              << "    -0.00"
                                              << "    -0.00";
        QTest::newRow("US negative number") << "en_US"
                                            << "   -12.5 "
                                            << "   -12.50";
        QTest::newRow("US plus") << "en_US"
                                 << "   +12.  "
                                 << "    12.00";
        QTest::newRow("US sign after digit") << "en_US"
                                             << "  1-2.   "
                                             << "";
        QTest::newRow("US two minus") << "en_US"
                                      << "    --.  "
                                      << "";
        QTest::newRow("US short text pads to text") << "en_US"
                                                    << "-"
                                                    << "-0.00";
        QTest::newRow("DE digits") << "de_DE"
                                   << "   123,  "
                                   << "   123,00";
        QTest::newRow("DE minus separator") << "de_DE"
                                            << "     -,  "
                                            << "    -0,00";
        QTest::newRow("DE point is not the separator") << "de_DE"
                                                       << "   123.  "
                                                       << "";
        QTest::newRow("GB digits") << "en_GB"
                                   << "   123.  "
                                   << "   123.00";
    }
    void normalizesAmountText() {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        SetRegional(QLocale(locale));
        const std::optional<QString> normal = NormalizeAmountText(text, QStringLiteral("%9.2f"));
        if (expected.isEmpty()) {
            QVERIFY(!normal);
        } else {
            QVERIFY(normal.has_value());
            QCOMPARE(*normal, expected);
        }
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

    void integerConversion() {
        ScriptedResponder responder;
        QCOMPARE(ReadIntegerText(QStringLiteral("12")), std::optional<int>(12));
        QCOMPARE(ReadIntegerText(QStringLiteral("-3")), std::optional<int>(-3));
        QVERIFY(!ReadIntegerText(QStringLiteral("1 2")));
        QVERIFY(!ReadIntegerText(QStringLiteral("99999999999")));
        QVERIFY(!StrToIntOrError(QString()));
        QCOMPARE(responder.texts(), QStringList{QStringLiteral("'' is not a valid integer value")});
        QCOMPARE(responder.shown[0].kind, MsgKind::Error);
    }
};

QTEST_MAIN(ScrutilTest)
#include "ScrutilTest.moc"
