// Start-up and shutdown of the program on real data sets: missing tables, missing indexes, the
// caption, the splash, one writer per directory, and the pack at the end.
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include "common/AppFixture.h"
#include "data/Maintenance.h"

using namespace kvl;
using kvl::test::AppFixture;

namespace {

const QString kNotFound = QStringLiteral(
    "Database files not found in startup directory\r\nProgram must be started from the directory "
    "containing the data files.");

long RecordCount(const char* table) {
    const bool own = cb == nullptr;
    if (own) cb = code4initP();
    DATA4* data = d4open(cb, table);
    const long count = data ? d4recCountDo(data) : -1;
    code4close(cb);
    if (own) {
        code4initUndoP(cb);
        cb = nullptr;
    }
    return count;
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void missingTableEndsWithOnlyTheMessage_data() {
        QTest::addColumn<QString>("table");
        for (const char* name :
             {"KVL1.dbf", "ACC.dbf", "EXP5.dbf", "FOLDER.dbf", "INC5.dbf", "ACCI.dbf"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void missingTableEndsWithOnlyTheMessage() {
        QFETCH(QString, table);
        AppFixture app;
        QVERIFY(app.created);
        QVERIFY(QFile::remove(app.file(table)));
        const QStringList before = app.listing();

        QVERIFY(!app.start());

        QCOMPARE(app.responder.texts(), QStringList{kNotFound});
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Information);
        QVERIFY(cb == nullptr);           // the engine never started
        QCOMPARE(app.listing(), before);  // no index rebuilt, no lock taken
        QVERIFY(app.progress.shows.isEmpty());
        QVERIFY(!app.about->isVisible());
    }

    void missingFolderTagIsRebuiltSilently() {
        AppFixture app;
        QVERIFY(QFile::remove(app.file(QStringLiteral("FolTag.ntx"))));
        const QFileInfo accTag(app.file(QStringLiteral("AccTag.ntx")));
        const QDateTime accTagWritten = accTag.lastModified();

        QVERIFY(app.start());

        QVERIFY(app.responder.shown.isEmpty());
        QVERIFY(app.progress.shows.isEmpty());
        QVERIFY(app.progress.positions.isEmpty());
        QVERIFY(QFile::exists(app.file(QStringLiteral("FolTag.ntx"))));
        // Only the folder table's group was rebuilt.
        QCOMPARE(QFileInfo(app.file(QStringLiteral("AccTag.ntx"))).lastModified(), accTagWritten);
        // The rebuilt tag serves the folder list.
        app.form->RefillFolderList();
        QCOMPARE(app.form->FolderCBox->count(), 5);
        QVERIFY(app.form->FolderCBox->itemText(1).startsWith(QStringLiteral("   1 - ")));
    }

    void captionWithBlankName() {
        AppFixture app{QString()};
        QVERIFY(app.start());
        QCOMPARE(app.form->windowTitle(), QStringLiteral("Kelvane Talvarin 1.22 - "));
    }

    void captionWithPaddedName() {
        AppFixture app(QStringLiteral("   Greenway Landscaping   "));
        QVERIFY(app.start());
        QCOMPARE(app.form->windowTitle(),
                 QStringLiteral("Kelvane Talvarin 1.22 - Greenway Landscaping"));
    }

    void startUpState() {
        AppFixture app;
        QVERIFY(app.start());
        QCOMPARE(app.form->DefaultFolder, -1);
        QCOMPARE(app.form->FolderIndex, 0);
        QVERIFY(!app.form->PackNeeded);
        QVERIFY(app.form->FolderListStale);
        QVERIFY(!app.form->SplashFlag);
        QVERIFY(!app.about->isVisible());
        QVERIFY(cb != nullptr);
        QVERIFY(cb->tables().empty());  // no table stays open between operations
        QCOMPARE(app.form->MaskEdit3->programText(), QStringLiteral(" 1"));
        QCOMPARE(app.form->MaskEdit4->programText(), QStringLiteral(" 1"));
        // The first paint refills the folder list.
        app.form->show();
        QTRY_VERIFY(!app.form->FolderListStale);
        QCOMPARE(app.form->FolderCBox->count(), 5);
        QCOMPARE(app.form->FolderCBox->currentIndex(), 0);
    }

    void splashStaysAtLeastItsMinimumWithoutOk() {
        AppFixture app;
        TFormMain::SetSplashMinimum(1728);
        bool seenVisible = false;
        bool seenOk = true;
        bool seenSplashFlag = false;
        QString seenCaption;
        QTimer::singleShot(50, [&] {
            seenVisible = app.about->isVisible();
            seenOk = app.about->OKButton->isVisible();
            seenSplashFlag = app.form->SplashFlag;
            seenCaption = app.about->windowTitle();
        });
        QElapsedTimer clock;
        clock.start();
        const bool started = app.start();
        const qint64 elapsed = clock.elapsed();
        TFormMain::SetSplashMinimum(0);
        QVERIFY(started);
        QVERIFY2(elapsed >= 1728, qPrintable(QString::number(elapsed)));
        QVERIFY(seenVisible);
        QVERIFY(!seenOk);
        QVERIFY(seenSplashFlag);
        QCOMPARE(seenCaption, QStringLiteral("About Kelvane Talvarin 1.22"));
        QVERIFY(!app.about->isVisible());
        QVERIFY(!app.form->SplashFlag);
    }

    void aboutFromTheMenuHasOk() {
        AppFixture app;
        QVERIFY(app.start());
        bool okShown = false;
        QString caption;
        QTimer::singleShot(0, [&] {
            okShown = app.about->OKButton->isVisible();
            caption = app.about->windowTitle();
            QTest::mouseClick(app.about->OKButton, Qt::LeftButton);
        });
        app.form->MenuAbout->trigger();
        QVERIFY(okShown);
        QCOMPARE(caption, QStringLiteral("About Kelvane Talvarin 1.22"));
        QVERIFY(!app.about->isVisible());
        QVERIFY(!app.form->SplashFlag);
    }

    void secondCopyInTheSameDirectoryIsRefused() {
        AppFixture app;
        DirLock first;
        QVERIFY(first.acquire(app.dir.path()));
        const QStringList before = app.listing();

        QVERIFY(!app.start());

        QCOMPARE(app.responder.shown.size(), 1);
        QCOMPARE(app.responder.shown[0].kind, MsgKind::Warning);
        QVERIFY2(app.responder.shown[0].text.contains(app.dir.path()),
                 qPrintable(app.responder.shown[0].text));
        QVERIFY(cb == nullptr);
        QCOMPARE(app.listing(), before);
    }

    void aRunningProgramKeepsOthersOutUntilItDies() {
        AppFixture app;
        QProcess other;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        other.setProcessEnvironment(env);
        other.start(QStringLiteral(KVL_PROGRAM), {app.dir.path()});
        QVERIFY(other.waitForStarted());
        // The holder writes its process id into the lock file once it has the directory.
        const QString lockFile = app.file(QStringLiteral("kvl.lock"));
        const QByteArray pid = QByteArray::number(other.processId());
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QFile f(lockFile);
                return f.open(QIODevice::ReadOnly) && f.readAll().trimmed() == pid;
            }(),
            20000);

        QVERIFY(!app.start());
        QCOMPARE(app.responder.shown.size(), 1);
        QVERIFY(app.responder.shown[0].text.contains(app.dir.path()));
        QVERIFY(app.responder.shown[0].text.contains(QStringLiteral("in use")));

        // A copy that dies without closing leaves the directory free.
        other.kill();
        QVERIFY(other.waitForFinished());
        app.renewForm();
        app.responder.clear();
        QVERIFY(app.start());
        QVERIFY(app.responder.shown.isEmpty());
    }

    void shutdownPacksOnlyWhenNeeded() {
        for (bool needed : {false, true}) {
            AppFixture app;
            QVERIFY(app.start());
            const long before = RecordCount("EXP5");
            QVERIFY(before > 2);
            DATA4* expenses = d4open(cb, "EXP5");
            QCOMPARE(d4go(expenses, 2), 0);
            d4delete(expenses);
            code4close(cb);
            app.form->PackNeeded = needed;
            app.form->close();
            QVERIFY(cb == nullptr);
            QCOMPARE(RecordCount("EXP5"), needed ? before - 1 : before);
            if (needed) {
                QCOMPARE(app.progress.shows.first().second, QStringLiteral("Packing Data Files"));
            } else {
                QVERIFY(app.progress.shows.isEmpty());
            }
            // The directory is free again.
            DirLock next;
            QVERIFY(next.acquire(app.dir.path()));
        }
    }

    void menuExitClosesTheProgram() {
        AppFixture app;
        QVERIFY(app.start());
        app.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(app.form));
        app.form->MenuExit->trigger();
        QVERIFY(!app.form->isVisible());
        QVERIFY(cb == nullptr);
        DirLock next;
        QVERIFY(next.acquire(app.dir.path()));
    }

    void helpFileTravelsBesideTheProgram() {
        QFile built(QStringLiteral(KVL_PROGRAM_DIR "/Kvl.hlp"));
        QFile source(QStringLiteral(KVL_HELP_SOURCE));
        QVERIFY(built.open(QIODevice::ReadOnly));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QCOMPARE(built.readAll(), source.readAll());
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
