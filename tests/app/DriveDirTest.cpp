// The drive and directory chooser: the caller's captions, the chosen directory, Cancel, the
// disabled file list, the tree and file list read again at each showing, an unreadable drive,
// and the current directory kept throughout.
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>

#include "app/DriveDirU.h"
#include "common/AppFixture.h"
#include "common/ModalScript.h"

using namespace kvl;
using kvl::test::AppFixture;
using kvltest::ModalScript;

class DriveDirTest : public QObject {
    Q_OBJECT

  private slots:
    void okGivesTheOpenDirectoryAndCancelGivesNone() {
        AppFixture app;
        TDriveDir chooser(app.form);
        QTemporaryDir elsewhere;
        const QString inner = elsewhere.filePath(QStringLiteral("outer/inner"));
        QVERIFY(QDir().mkpath(inner));
        QFile(inner + QStringLiteral("/note.txt")).open(QIODevice::WriteOnly);
        chooser.SetCaptions(QStringLiteral("Choose Backup Drive & Directory"),
                            QStringLiteral("Backup"));
        chooser.SetDirectory(inner);
        QStringList files;
        ModalScript script;
        script.on(&chooser, [&] {
            QCOMPARE(chooser.windowTitle(), QStringLiteral("Choose Backup Drive & Directory"));
            QCOMPARE(chooser.BtnOK->text(), QStringLiteral("Backup"));
            QVERIFY(!chooser.FileListBox1->isEnabled());
            for (int i = 0; i < chooser.FileListBox1->count(); ++i)
                files << chooser.FileListBox1->item(i)->text();
            ModalScript::press(chooser.BtnOK);
        });
        chooser.exec();
        QCOMPARE(files, QStringList{QStringLiteral("note.txt")});
        QCOMPARE(chooser.ChosenDirectory, inner);
        QCOMPARE(QDir::currentPath(), app.dir.path());

        script.on(&chooser, [&] {
            QCOMPARE(chooser.CurrentDirectory(), inner);  // where it was left
            ModalScript::press(chooser.BtnCancel);
        });
        chooser.exec();
        QVERIFY(chooser.ChosenDirectory.isEmpty());
        SCRIPT_DONE(script);
    }

    void eachShowingListsItsDirectoryAndReadsTheTreeAfresh() {
        AppFixture app;
        TDriveDir chooser(app.form);
        QTemporaryDir elsewhere;
        QVERIFY(QDir().mkpath(elsewhere.filePath(QStringLiteral("gone"))));
        chooser.SetDirectory(elsewhere.path());
        QTreeView* tree = chooser.DirectoryListBox1;
        ModalScript script;
        script.on(&chooser, [&] {
            QTRY_COMPARE(tree->model()->rowCount(tree->currentIndex()), 1);
            ModalScript::press(chooser.BtnCancel);
        });
        chooser.exec();
        // While the chooser is hidden a backup is written here and a directory goes away.
        QFile(elsewhere.filePath(QStringLiteral("ACC.bak"))).open(QIODevice::WriteOnly);
        QVERIFY(QDir(elsewhere.filePath(QStringLiteral("gone"))).removeRecursively());
        QStringList files;
        script.on(&chooser, [&] {
            for (int i = 0; i < chooser.FileListBox1->count(); ++i)
                files << chooser.FileListBox1->item(i)->text();
            QTRY_COMPARE(tree->model()->rowCount(tree->currentIndex()), 0);
            // The open directory is in sight once the tree has been read.
            QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
            ModalScript::press(chooser.BtnCancel);
        });
        chooser.exec();
        SCRIPT_DONE(script);
        QCOMPARE(files, QStringList{QStringLiteral("ACC.bak")});
        QCOMPARE(chooser.CurrentDirectory(), elsewhere.path());
    }

    void anUnreadableDriveIsRefusedAndTheComboGoesBack() {
        AppFixture app;
        TDriveDir chooser(app.form);
        int shown = -1, after = -1;
        ModalScript script;
        script.on(&chooser, [&] {
            shown = chooser.DriveComboBox1->currentIndex();
            chooser.DriveComboBox1->addItem(QStringLiteral("/no-such-drive"),
                                            QStringLiteral("/no-such-drive"));
            chooser.DriveComboBox1->setCurrentIndex(chooser.DriveComboBox1->count() - 1);
            after = chooser.DriveComboBox1->currentIndex();
            ModalScript::press(chooser.BtnOK);
        });
        chooser.exec();
        SCRIPT_DONE(script);
        QCOMPARE(app.responder.texts(),
                 QStringList{QStringLiteral("Unable to read from drive /no-such-drive")});
        QCOMPARE(after, shown);
        QCOMPARE(chooser.ChosenDirectory, QStorageInfo(app.dir.path()).rootPath());
        QCOMPARE(QDir::currentPath(), app.dir.path());
    }
};

QTEST_MAIN(DriveDirTest)
#include "DriveDirTest.moc"
