// The archive dialog as the File Maintenance buttons show it: its texts in both modes, the
// proposed fiscal year, a refused date, and OK marking the range under the progress box.
#include "WindowsFixture.h"

using namespace kvl;
using kvltest::ModalScript;
using kvltest::WindowsFixture;

class ArchiveWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void eachButtonShowsItsModeAndProposesTheLastFiscalYear() {
        WindowsFixture app;
        QVERIFY(app.started);
        QVERIFY(app.form->BtnArchive->isEnabled() && app.form->BtnDeArchive->isEnabled());
        Settings.fyMonth = 7;
        Settings.fyDay = 1;
        QStringList seen;
        ModalScript script;
        for (int i = 0; i < 2; ++i) {
            script.on(app.archive, [&] {
                seen << app.archive->windowTitle() << app.archive->Label1->text()
                     << app.archive->Label2->text() << app.archive->MaskEdit1->programText()
                     << app.archive->MaskEdit2->programText();
                QCOMPARE(QApplication::focusWidget(), app.archive->MaskEdit1);
                ModalScript::press(app.archive->BtnCancel);
            });
        }
        app.form->BtnArchive->click();
        app.form->BtnDeArchive->click();
        SCRIPT_DONE(script);
        QCOMPARE(seen, (QStringList{"Archive Income & Expenses", "Archive Data From:", "Through:",
                                    " 7/ 1/26", " 6/30/27", "De-Archive Income & Expenses",
                                    "De-Archive Data From:", "Through:", " 7/ 1/26", " 6/30/27"}));
        QVERIFY(app.responder.shown.isEmpty());
    }

    void okMarksTheRangeAndAnInvalidDateKeepsTheDialogOpen() {
        WindowsFixture app;
        QVERIFY(app.started);
        ModalScript script;
        script.on(app.archive, [&] {
            WindowsFixture::type(app.archive->MaskEdit2, QStringLiteral("023127"));
            ModalScript::press(app.archive->BtnOK);
            QCOMPARE(app.responder.texts(), QStringList{"Invalid Date Entered"});
            QCOMPARE(QApplication::focusWidget(), app.archive->MaskEdit2);
            QVERIFY(app.archive->isVisible());
            WindowsFixture::type(app.archive->MaskEdit2, QStringLiteral("123127"));
            ModalScript::press(app.archive->BtnOK);
        });
        app.form->BtnArchive->click();
        SCRIPT_DONE(script);
        QCOMPARE(app.responder.texts(), QStringList{"Invalid Date Entered"});
        QCOMPARE(app.progress.shows.first(), qMakePair(true, QStringLiteral("Archiving Data")));
        QVERIFY(!app.form->ProgressBox->isVisible());
        QVERIFY(cb->tables().empty());
        int archived = 0;
        for (bool income : {false, true}) {
            for (const auto& e : app.entries(income)) {
                const bool inRange = e.date >= QDate(2027, 1, 1) && e.date <= QDate(2027, 12, 31);
                QCOMPARE(e.archived, inRange);
                archived += e.archived;
            }
        }
        QVERIFY(archived > 0);
    }
};

QTEST_MAIN(ArchiveWindowTest)
#include "ArchiveWindowTest.moc"
