// The archive dialog as the File Maintenance buttons show it: its texts in both modes, the
// proposed fiscal year, a refused date, OK marking the range under the progress box, and Cancel
// and Escape leaving the date dialogs whatever their fields hold.
#include "transfer/windows/WindowsFixture.h"

using namespace kvl;
using kvltest::ModalScript;
using kvltest::WindowsFixture;

class ArchiveWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void bothButtonsShowTheirModeAndOkMarksTheRange() {
        WindowsFixture app;
        QVERIFY(app.started);
        Settings.fyMonth = 7;
        QStringList seen;
        ModalScript script;
        script.on(app.archive, [&] {
            TArchive* w = app.archive;
            seen << w->windowTitle() << w->Label1->text() << w->MaskEdit1->programText()
                 << w->MaskEdit2->programText();
            WindowsFixture::type(w->MaskEdit1, "010127");
            WindowsFixture::type(w->MaskEdit2, "023127");
            ModalScript::press(w->BtnOK);
            QCOMPARE(QApplication::focusWidget(), w->MaskEdit2);
            WindowsFixture::type(w->MaskEdit2, "123127");
            ModalScript::press(w->BtnOK);
        });
        script.on(app.archive, [&] {
            seen << app.archive->windowTitle() << app.archive->Label1->text();
            ModalScript::press(app.archive->BtnCancel);
        });
        app.form->BtnArchive->click();
        app.form->BtnDeArchive->click();
        SCRIPT_DONE(script);
        QCOMPARE(seen, (QStringList{"Archive Income & Expenses", "Archive Data From:", " 7/ 1/26",
                                    " 6/30/27", "De-Archive Income & Expenses",
                                    "De-Archive Data From:"}));
        QCOMPARE(app.responder.texts(), QStringList{"Invalid Date Entered"});
        QCOMPARE(app.progress.shows.first(), qMakePair(true, QStringLiteral("Archiving Data")));
        int archived = 0;
        for (const QString& e : app.records(false)) {
            QCOMPARE(e.endsWith(" 1"), e.startsWith("2027-"));
            archived += e.endsWith(" 1");
        }
        QVERIFY(archived > 0);
    }

    // Cancel and Escape close the date dialogs without change, whatever a date field holds: typed
    // and not yet left, or refused on leaving with the focus taken back.
    void cancelAndEscapeCloseWhateverADateFieldHolds() {
        WindowsFixture app;
        QVERIFY(app.started);
        const QStringList before = app.records(false);
        ModalScript script;
        script.on(app.archive, [&] {
            QTest::keyClicks(app.archive->MaskEdit1, "023027");
            ModalScript::press(app.archive->BtnCancel);
        });
        script.on(app.archive, [&] {
            QTest::keyClicks(app.archive->MaskEdit1, "023027");
            QTest::keyClick(app.archive->MaskEdit1, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), app.archive->MaskEdit1);
            QTest::keyClick(app.archive->MaskEdit1, Qt::Key_Escape);
        });
        script.on(app.pmtImport, [&] {
            QTest::keyClicks(app.pmtImport->MaskEdit1, "023027");
            QTest::keyClick(app.pmtImport->MaskEdit1, Qt::Key_Escape);
        });
        app.form->BtnArchive->click();
        app.form->BtnArchive->click();
        app.form->BtnImport->click();
        SCRIPT_DONE(script);
        QCOMPARE(app.responder.texts(), QStringList{"Invalid Date Entered"});
        QVERIFY(app.progress.shows.isEmpty());
        QCOMPARE(app.records(false), before);
    }
};

QTEST_MAIN(ArchiveWindowTest)
#include "ArchiveWindowTest.moc"
