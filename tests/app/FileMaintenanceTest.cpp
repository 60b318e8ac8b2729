// The File Maintenance buttons that work on whole data files: each shows the chooser with its
// captions and runs its operation on the directory chosen, the restore again for its next disk;
// erasing, restoring and upgrading refresh the folder list and lift a filter it no longer shows.
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>

#include "app/DriveDirU.h"
#include "common/AppFixture.h"
#include "common/ModalScript.h"
#include "data/Backup.h"

using namespace kvl;
using kvl::test::AppFixture;
using kvltest::ModalScript;

namespace {

// Answers the chooser: checks its captions and presses OK on dir, or Cancel when dir is empty.
void Choose(ModalScript& script, const QString& caption, const QString& okText,
            const QString& dir) {
    script.on(DriveDirForm, [=] {
        QCOMPARE(DriveDirForm->windowTitle(), caption);
        QCOMPARE(DriveDirForm->BtnOK->text(), okText);
        if (dir.isEmpty()) return ModalScript::press(DriveDirForm->BtnCancel);
        DriveDirForm->SetDirectory(dir);
        ModalScript::press(DriveDirForm->BtnOK);
    });
}

QStringList Captions(const test::ProgressRecorder& progress) {
    QStringList shown;
    for (const auto& [visible, caption] : progress.shows)
        if (visible) shown << caption;
    return shown;
}

}  // namespace

class FileMaintenanceTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir other_;

  private slots:
    void init() { QVERIFY(other_.isValid()); }

    void backupCopiesToTheChosenDirectoryAndCancelCopiesNothing() {
        AppFixture app;
        QVERIFY(app.start());
        ModalScript script;
        Choose(script, QStringLiteral("Choose Backup Drive & Directory"), QStringLiteral("Backup"),
               QString());
        app.form->BtnBackup->click();
        QVERIFY(QDir(other_.path()).isEmpty());
        QVERIFY(app.progress.shows.isEmpty());
        Choose(script, QStringLiteral("Choose Backup Drive & Directory"), QStringLiteral("Backup"),
               other_.path());
        app.form->BtnBackup->click();
        SCRIPT_DONE(script);
        QCOMPARE(QDir(other_.path()).entryList(QDir::Files, QDir::Name),
                 (QStringList{"ACC.bak", "ACCI.bak", "EXP5.bak", "FOLDER.bak", "INC5.bak"}));
        QCOMPARE(Captions(app.progress), QStringList{QStringLiteral("Copying Data Files")});
        QVERIFY(!app.form->ProgressBox->isVisible());
        QVERIFY(app.responder.shown.isEmpty());
    }

    void eraseAskedTwiceThenRestoreBringsTheFoldersBack() {
        AppFixture app;
        QVERIFY(app.start());
        app.form->show();
        QTRY_VERIFY(!app.form->FolderListStale);
        QVERIFY(RunBackup(other_.path()));
        for (MsgAnswer a : {MsgAnswer::Cancel, MsgAnswer::Ok, MsgAnswer::Ok})
            app.responder.answer(a);  // income kept: no question about its chart or the folders
        app.form->FolderCBox->setCurrentIndex(3);
        app.form->BtnEraseData->click();
        QCOMPARE(app.responder.texts(),
                 (QStringList{"ERASE ALL INCOME DATA?", "ERASE ALL EXPENSE DATA?",
                              "ERASE ALL EXPENSE ACCOUNT DEFINITIONS?"}));
        QTRY_VERIFY(!app.form->FolderListStale);
        QCOMPARE(app.form->FolderCBox->count(), 5);
        QCOMPARE(app.form->DefaultFolder, 3);  // the folders are still there
        app.responder.clear();
        for (int question = 0; question < 5; ++question) app.responder.answer(MsgAnswer::Ok);
        app.form->BtnEraseData->click();
        QCOMPARE(app.responder.shown.size(), 5);
        QTRY_VERIFY(!app.form->FolderListStale);
        QCOMPARE(app.form->FolderCBox->count(), 1);
        QCOMPARE(app.form->FolderCBox->itemText(0), QStringLiteral("  -1 - No Default"));
        QCOMPARE(app.form->DefaultFolder, -1);

        ModalScript script;
        Choose(script, QStringLiteral("Choose Drive & Directory Containing BACKUP"),
               QStringLiteral("Restore"), other_.path());
        app.progress.clear();
        app.responder.clear();
        app.form->BtnRestore->click();
        SCRIPT_DONE(script);
        QCOMPARE(Captions(app.progress), (QStringList{"Copying Data Files", "Rebuilding Indexes"}));
        QTRY_VERIFY(!app.form->FolderListStale);
        QCOMPARE(app.form->FolderCBox->count(), 5);
        QVERIFY(app.responder.shown.isEmpty());

        // The backup's folders are not the ones a filter was chosen from.
        app.form->FolderCBox->setCurrentIndex(2);
        Choose(script, QStringLiteral("Choose Drive & Directory Containing BACKUP"),
               QStringLiteral("Restore"), other_.path());
        app.form->BtnRestore->click();
        SCRIPT_DONE(script);
        QTRY_VERIFY(!app.form->FolderListStale);
        QCOMPARE(app.form->FolderCBox->currentIndex(), 0);
        QCOMPARE(app.form->DefaultFolder, -1);
    }

    void aRestoreLooksForTheNextDiskWhereTheUserPoints() {
        AppFixture app;
        QVERIFY(app.start());
        QTemporaryDir second;
        QVERIFY(RunBackup(other_.path()));
        for (const char* name : {"EXP5.bak", "INC5.bak"})
            QVERIFY(QFile::rename(QDir(other_.path()).filePath(name), second.filePath(name)));
        ModalScript script;
        Choose(script, QStringLiteral("Choose Drive & Directory Containing BACKUP"),
               QStringLiteral("Restore"), other_.path());
        app.responder.answer(MsgAnswer::Ok);
        script.on(DriveDirForm, [&] {
            QCOMPARE(DriveDirForm->CurrentDirectory(), other_.path());  // where the last disk was
            DriveDirForm->SetDirectory(second.path());
            ModalScript::press(DriveDirForm->BtnOK);
        });
        app.form->BtnRestore->click();
        SCRIPT_DONE(script);
        QCOMPARE(app.responder.texts(), QStringList{"Insert disk containing EXP5.bak"});
    }

    void upgradeAsksBeforeOverwritingThenRebuildsAndPacks() {
        AppFixture app;
        QVERIFY(app.start());
        for (const auto& [from, to] : {std::pair{"INC5.dbf", "Inc3.dbf"},
                                       {"EXP5.dbf", "Exp3.dbf"},
                                       {"ACC.dbf", "Acc.dbf"},
                                       {"FOLDER.dbf", "Folder.dbf"}})
            QVERIFY(QFile::copy(app.file(from), other_.filePath(to)));
        ModalScript script;
        Choose(script, QStringLiteral("Choose Drive & Directory Containing Old Torq Data"),
               QStringLiteral("Upgrade"), other_.path());
        app.responder.answer(MsgAnswer::Cancel);
        app.form->BtnUpgrade->click();
        SCRIPT_DONE(script);
        QCOMPARE(app.responder.shown.size(), 1);
        QCOMPARE(app.responder.shown[0].kind, MsgKind::WarningOkCancel);
        QCOMPARE(Captions(app.progress), (QStringList{"Rebuilding Indexes", "Packing Data Files"}));
        QCOMPARE(QDir::currentPath(), app.dir.path());

        app.form->show();
        QTRY_VERIFY(!app.form->FolderListStale);
        app.form->FolderCBox->setCurrentIndex(3);
        app.responder.clear();
        app.responder.answer(MsgAnswer::Ok);
        Choose(script, QStringLiteral("Choose Drive & Directory Containing Old Torq Data"),
               QStringLiteral("Upgrade"), other_.path());
        app.form->BtnUpgrade->click();
        SCRIPT_DONE(script);
        QCOMPARE(app.responder.shown.size(), 1);
        QTRY_VERIFY(!app.form->FolderListStale);
        QCOMPARE(app.form->FolderCBox->currentIndex(), 0);
        QCOMPARE(app.form->DefaultFolder, -1);
    }
};

QTEST_MAIN(FileMaintenanceTest)
#include "FileMaintenanceTest.moc"
