// The Program Setup and Report Generation tabs: report period, report font, printer, fiscal-year
// start, driven through the real fields and dialogs.
#include <QComboBox>
#include <QFontDialog>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

#include "common/AppFixture.h"
#include "common/Keys.h"
#include "screen/Scrutil.h"
#include "screen/Setup.h"

using namespace kvl;
using kvl::test::AppFixture;

namespace {

// Shows the window on the tab that holds field and tabs into it.
void Enter(AppFixture& app, TMaskEdit* field) {
    for (QWidget* w = field; w; w = w->parentWidget())
        if (app.form->PageControl1->indexOf(w) >= 0) app.form->PageControl1->setCurrentWidget(w);
    app.form->show();
    app.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.form));
    QVERIFY(kvltest::TabInto(field));
}

// Types over the field's text and leaves the field for the help button.
void TypeAndLeave(AppFixture& app, TMaskEdit* field, const QString& keys) {
    Enter(app, field);
    QVERIFY(kvltest::TypeOver(field, keys));
    app.form->BtnHelpSetup->setFocus(Qt::TabFocusReason);
}

// Runs fn on the next modal dialog of type T as soon as it is up.
template <typename T, typename Fn>
void WhenDialogOpens(Fn fn) {
    QTimer::singleShot(0, [fn] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY2(dialog, "expected dialog is not up");
        fn(dialog);
    });
}

}  // namespace

class SetupTest : public QObject {
    Q_OBJECT

  private slots:
    void reportPeriodOfALeapFebruary() {
        AppFixture app(QStringLiteral("Books"), QDate(2028, 2, 15));
        QVERIFY(app.start());
        QCOMPARE(ReportFrom, QDate(2028, 2, 1));
        QCOMPARE(ReportThrough, QDate(2028, 2, 29));
        QCOMPARE(app.form->MaskEdit1->programText(), QStringLiteral(" 2/ 1/28"));
        QCOMPARE(app.form->MaskEdit2->programText(), QStringLiteral(" 2/29/28"));
    }

    void reportPeriodOfDecember() {
        for (int day = 1; day <= 31; ++day) {
            QDate from, through;
            CurrentMonthPeriod(QDate(2027, 12, day), &from, &through);
            QCOMPARE(from, QDate(2027, 12, 1));
            QCOMPARE(through, QDate(2027, 12, 31));
        }
        AppFixture app(QStringLiteral("Books"), QDate(2027, 12, 31));
        QVERIFY(app.start());
        QCOMPARE(ReportFrom, QDate(2027, 12, 1));
        QCOMPARE(ReportThrough, QDate(2027, 12, 31));
        QCOMPARE(app.form->MaskEdit2->programText(), QStringLiteral("12/31/27"));
    }

    void reportPeriodInAnotherLocale() {
        AppFixture app(QStringLiteral("Books"), QDate(2028, 2, 15));
        SetRegional(QLocale(QStringLiteral("de_DE")));
        // The fields take the locale's separator when their masks are set.
        app.form->MaskEdit1->setEditMask(DateEditMask());
        app.form->MaskEdit2->setEditMask(DateEditMask());
        QVERIFY(app.start());
        QCOMPARE(app.form->MaskEdit1->programText(), QStringLiteral("01.02.28"));
        QCOMPARE(app.form->MaskEdit2->programText(), QStringLiteral("29.02.28"));
    }

    void monthLengths() {
        const int expected[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        for (int m = 1; m <= 12; ++m) QCOMPARE(MonthLength(m), expected[m - 1]);
        QCOMPARE(MonthLength(0), 0);
        QCOMPARE(MonthLength(13), 0);
    }

    void reportDatesFollowTypingAndAreCheckedOnLeaving() {
        AppFixture app;
        QVERIFY(app.start());
        TMaskEdit* from = app.form->MaskEdit1;
        Enter(app, from);
        QTest::keyClicks(from, QStringLiteral("0105"));
        QCOMPARE(ReportFrom, QDate(2028, 2, 1));  // not yet a date
        QTest::keyClicks(from, QStringLiteral("2"));
        QCOMPARE(ReportFrom, QDate(2002, 1, 5));  // a one-digit year already reads as a date
        QTest::keyClicks(from, QStringLiteral("7"));
        QCOMPARE(ReportFrom, QDate(2027, 1, 5));
        TMaskEdit* through = app.form->MaskEdit2;
        QVERIFY(kvltest::TabInto(through));
        QCOMPARE(from->programText(), QStringLiteral(" 1/ 5/27"));
        QVERIFY(app.responder.shown.isEmpty());

        // An impossible date is refused and the field keeps the focus and its text.
        QTest::keyClicks(through, QStringLiteral("023027"));
        app.form->BtnHelpReports->setFocus(Qt::TabFocusReason);
        QCOMPARE(app.responder.texts(), QStringList{QStringLiteral("Invalid Date Entered")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Warning);
        QVERIFY(through->hasFocus());
        QCOMPARE(through->programText(), QStringLiteral("02/30/27"));
        QCOMPARE(ReportThrough, QDate(2028, 2, 29));

        // An incomplete year is refused by the field itself; Escape brings the text back.
        app.responder.clear();
        QTest::keyClick(through, Qt::Key_End);
        QTest::keyClick(through, Qt::Key_Backspace);
        app.form->BtnHelpReports->setFocus(Qt::TabFocusReason);
        QCOMPARE(
            app.responder.texts(),
            QStringList{QStringLiteral("Invalid input value.  Use escape key to abandon changes")});
        QVERIFY(through->hasFocus());
        QTest::keyClick(through, Qt::Key_Escape);
        QCOMPARE(through->programText(), QStringLiteral("02/30/27"));

        // A valid date then goes through; nothing checks that From is not after Through.
        QTest::keyClicks(through, QStringLiteral("122926"));
        app.responder.clear();
        app.form->BtnHelpReports->setFocus(Qt::TabFocusReason);
        QVERIFY(app.responder.shown.isEmpty());
        QCOMPARE(through->programText(), QStringLiteral("12/29/26"));
        QCOMPARE(ReportThrough, QDate(2026, 12, 29));
        QCOMPARE(ReportFrom, QDate(2027, 1, 5));
    }

    void fiscalMonthShortensTheDay_data() {
        QTest::addColumn<QString>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("dayShown");
        QTest::newRow("April") << "4" << 30 << "30";
        QTest::newRow("February") << "2" << 28 << "28";
        QTest::newRow("December keeps 31") << "12" << 31 << "31";
    }
    void fiscalMonthShortensTheDay() {
        QFETCH(QString, month);
        QFETCH(int, day);
        QFETCH(QString, dayShown);
        AppFixture app;
        QVERIFY(app.start());
        TypeAndLeave(app, app.form->MaskEdit4, QStringLiteral("31"));
        QCOMPARE(Settings.fyDay, 31);
        QCOMPARE(app.stored().fyDay, 31);

        TypeAndLeave(app, app.form->MaskEdit3, month);
        QVERIFY(app.responder.shown.isEmpty());
        QCOMPARE(Settings.fyMonth, month.toInt());
        QCOMPARE(Settings.fyDay, day);
        QCOMPARE(app.form->MaskEdit4->programText(), dayShown);
        const SettingsRecord stored = app.stored();
        QCOMPARE(stored.fyMonth, month.toInt());
        QCOMPARE(stored.fyDay, day);
    }

    void fiscalValuesRefused_data() {
        QTest::addColumn<QString>("setMonthFirst");
        QTest::addColumn<bool>("dayField");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("day 29 of February") << "2" << true << "29"
                                            << "Invalid Day for Specified Month";
        QTest::newRow("day 0") << "" << true << "0"
                               << "Invalid Day for Specified Month";
        QTest::newRow("day 32") << "" << true << "32"
                                << "Invalid Day for Specified Month";
        QTest::newRow("day 31 of April") << "4" << true << "31"
                                         << "Invalid Day for Specified Month";
        QTest::newRow("month 13") << "" << false << "13"
                                  << "Month must be between 1 and 12";
        QTest::newRow("month 0") << "" << false << "0"
                                 << "Month must be between 1 and 12";
    }
    void fiscalValuesRefused() {
        QFETCH(QString, setMonthFirst);
        QFETCH(bool, dayField);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        AppFixture app;
        QVERIFY(app.start());
        if (!setMonthFirst.isEmpty()) TypeAndLeave(app, app.form->MaskEdit3, setMonthFirst);
        const SettingsRecord before = app.stored();
        const int monthBefore = Settings.fyMonth;
        const int dayBefore = Settings.fyDay;
        TMaskEdit* field = dayField ? app.form->MaskEdit4 : app.form->MaskEdit3;
        TypeAndLeave(app, field, typed);
        QCOMPARE(app.responder.texts(), QStringList{message});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Information);
        QVERIFY(field->hasFocus());
        QCOMPARE(Settings.fyMonth, monthBefore);
        QCOMPARE(Settings.fyDay, dayBefore);
        const SettingsRecord after = app.stored();
        QCOMPARE(after.fyMonth, before.fyMonth);
        QCOMPARE(after.fyDay, before.fyDay);
    }

    void blankFiscalFieldIsAConversionError_data() {
        QTest::addColumn<bool>("dayField");
        QTest::newRow("month") << false;
        QTest::newRow("day") << true;
    }
    void blankFiscalFieldIsAConversionError() {
        QFETCH(bool, dayField);
        AppFixture app;
        QVERIFY(app.start());
        TMaskEdit* field = dayField ? app.form->MaskEdit4 : app.form->MaskEdit3;
        Enter(app, field);
        // A value stored behind the program's back shows whether the settings were written.
        SettingsRecord marker = app.stored();
        marker.fyMonth = 7;
        marker.fyDay = 9;
        app.storeBehindTheBack(marker);
        QTest::keyClick(field, Qt::Key_Delete);
        app.form->BtnHelpSetup->setFocus(Qt::TabFocusReason);
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral("'' is not a valid integer value")});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Error);
        QVERIFY(!field->hasFocus());  // the focus moves on
        QCOMPARE(Settings.fyMonth, 1);
        QCOMPARE(Settings.fyDay, 1);
        QCOMPARE(app.stored().fyMonth, 7);
        QCOMPARE(app.stored().fyDay, 9);
    }

    void leavingAFiscalFieldStoresEvenUnchanged() {
        AppFixture app;
        QVERIFY(app.start());
        SettingsRecord marker = app.stored();
        marker.fyMonth = 7;
        app.storeBehindTheBack(marker);
        Enter(app, app.form->MaskEdit3);
        app.form->BtnHelpSetup->setFocus(Qt::TabFocusReason);
        QVERIFY(app.responder.shown.isEmpty());
        QCOMPARE(app.stored().fyMonth, 1);
    }

    void cancelledFontDialogStoresTheUnchangedFont() {
        AppFixture app;
        QVERIFY(app.start());
        QCOMPARE(app.stored().fontName.trimmed(), QString());
        const QFont before = ReportFont;
        QCOMPARE(app.form->Edit1->text(), FontDisplay(before));
        QCOMPARE(before.pointSize(), 8);
        bool sawDialog = false;
        WhenDialogOpens<QFontDialog>([&](QFontDialog* dialog) {
            sawDialog = true;
            QFont other = dialog->currentFont();
            other.setPointSize(20);
            dialog->setCurrentFont(other);
            dialog->reject();
        });
        QTest::mouseClick(app.form->BtnFont, Qt::LeftButton);
        QVERIFY(sawDialog);
        QCOMPARE(ReportFont, before);
        QCOMPARE(app.form->Edit1->text(), before.family() + QStringLiteral("@8"));
        const SettingsRecord stored = app.stored();
        QCOMPARE(stored.fontName.trimmed(), before.family());
        QCOMPARE(stored.fontSize, 8);
    }

    void chosenFontKeepsOnlyNameAndSizeAcrossARestart() {
        QString family;
        {
            AppFixture app;
            QVERIFY(app.start());
            WhenDialogOpens<QFontDialog>([&](QFontDialog* dialog) {
                QFont chosen = dialog->currentFont();
                chosen.setPointSize(14);
                chosen.setItalic(true);
                dialog->setCurrentFont(chosen);
                family = dialog->currentFont().family();
                dialog->accept();
            });
            QTest::mouseClick(app.form->BtnFont, Qt::LeftButton);
            QCOMPARE(ReportFont.pointSize(), 14);
            QVERIFY(ReportFont.italic());
            QCOMPARE(app.form->Edit1->text(), family + QStringLiteral("@14"));
            const SettingsRecord stored = app.stored();
            QCOMPARE(stored.fontName.trimmed(), family);
            QCOMPARE(stored.fontSize, 14);

            // A later start on the same books finds name and size, not the style.
            app.form->close();
            app.renewForm();
            QVERIFY(app.start());
            QCOMPARE(ReportFont.family(), family);
            QCOMPARE(ReportFont.pointSize(), 14);
            QVERIFY(!ReportFont.italic());
        }
    }

    void pageSetupWithoutPrinterLeavesTheField() {
        AppFixture app;
        QVERIFY(app.start());
        app.form->Edit2->setText(QStringLiteral("unchanged"));
        bool sawDialog = false;
        WhenDialogOpens<QPrintDialog>([&](QPrintDialog* dialog) {
            sawDialog = true;
            dialog->reject();
        });
        QTest::mouseClick(app.form->BtnPSetup, Qt::LeftButton);
        QVERIFY(sawDialog);
        if (PrinterInstalled()) {
            QCOMPARE(app.form->Edit2->text(), PrinterDisplay());
            QVERIFY(app.form->Edit2->text().endsWith(QStringLiteral("-Portrait")) ||
                    app.form->Edit2->text().endsWith(QStringLiteral("-Landscape")));
        } else {
            QCOMPARE(PrinterDisplay(), QString());
            QCOMPARE(app.form->Edit2->text(), QStringLiteral("unchanged"));
        }
    }

    // "Print to File (PDF)" in Page Setup: the tab shows the file that Print will write.
    void pageSetupToAFileShowsTheFile() {
        AppFixture app;
        QVERIFY(app.start());
        const QString pdf = app.file(QStringLiteral("report.pdf"));
        WhenDialogOpens<QPrintDialog>([&](QPrintDialog* dialog) {
            auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
            auto* fileName = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
            QVERIFY(printers && fileName);
            printers->setCurrentIndex(printers->count() - 1);  // Print to File (PDF)
            fileName->setText(pdf);
            dialog->accept();
        });
        QTest::mouseClick(app.form->BtnPSetup, Qt::LeftButton);
        QCOMPARE(app.form->Edit2->text(),
                 QStringLiteral("PDF file ") + pdf + QStringLiteral("-Portrait"));
        QCOMPARE(CurrentPrintTarget().kind, PrintTargetKind::File);
        CurrentPrinter().setOutputFileName(QString());  // the printer is the process's
    }
};

QTEST_MAIN(SetupTest)
#include "SetupTest.moc"
