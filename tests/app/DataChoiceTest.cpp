// The first start from the applications menu: the data used last, another directory, new data,
// each chosen through the real window and its directory chooser with scripted answers.
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/DataChoiceU.h"
#include "common/ModalScript.h"
#include "common/ScriptedResponder.h"
#include "data/Clock.h"
#include "data/CodeBase.h"
#include "data/NewDataSet.h"
#include "data/dbFiles.h"

using namespace kvl;
using kvl::test::ScriptedResponder;
using kvltest::ModalScript;

namespace {

QString MakeBooks(const QString& dir) {
    QString message;
    if (!CreateDataSet(dir, {}, &message)) qWarning("%s", qPrintable(message));
    return dir;
}

QString StoredUserName(const QString& dir) {
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir);
    cb = code4initP();
    OpenSettings();
    LoadSettings();
    code4close(cb);
    code4initUndoP(cb);
    cb = nullptr;
    QDir::setCurrent(before);
    return Settings.userName.trimmed();
}

}  // namespace

class DataChoiceTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        // The user's settings go to a scratch directory, never to the real ones.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
        SetToday(QDate(2028, 2, 15));
    }

    void init() { QSettings(QStringLiteral("kelvane-talvarin"), QStringLiteral("kvl")).clear(); }

    void dataUsedLastIsOfferedFirst() {
        const QString books = MakeBooks(root_.filePath(QStringLiteral("last")));
        RememberDataDirectory(books);
        TDataChoice choice;
        ModalScript script;
        script.on(&choice, [&] {
            QCOMPARE(choice.LabelLast->text(), books);
            QVERIFY(choice.BtnLast->isEnabled());
            QVERIFY(choice.BtnLast->isDefault());
            QTest::keyClick(&choice, Qt::Key_Return);
        });
        QCOMPARE(choice.exec(), int(QDialog::Accepted));
        QVERIFY(script.done());
        QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join(QStringLiteral("; "))));
        QCOMPARE(choice.Chosen, books);
    }

    // Shown from the user's home, as a shell would.
    void dataUsedLastThatIsGoneCannotBeOpened() {
        RememberDataDirectory(QDir::homePath() + QStringLiteral("/kvl-books-long-gone"));
        TDataChoice choice;
        ModalScript script;
        script.on(&choice, [&] {
            QVERIFY(!choice.BtnLast->isEnabled());
            QCOMPARE(choice.LabelLast->text(),
                     QStringLiteral("~/kvl-books-long-gone (its data files are missing)"));
            QVERIFY(choice.BtnOpen->isDefault());
            ModalScript::press(choice.BtnExit);
        });
        QCOMPARE(choice.exec(), int(QDialog::Rejected));
        QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join(QStringLiteral("; "))));
        QVERIFY(choice.Chosen.isEmpty());
    }

    // A directory without the tables is refused with a warning; the window stays for another pick.
    void anotherDirectoryIsPicked() {
        const QString books = MakeBooks(root_.filePath(QStringLiteral("picked")));
        const QString empty = root_.filePath(QStringLiteral("nothing"));
        QVERIFY(QDir().mkpath(empty));
        ScriptedResponder responder;
        TDataChoice choice;
        ModalScript script;
        script.on(&choice, [&] { ModalScript::press(choice.BtnOpen); })
            .on(choice.DirDialog, [&] { pick(choice.DirDialog, empty); })
            .on(&choice, [&] { ModalScript::press(choice.BtnOpen); })
            .on(choice.DirDialog, [&] { pick(choice.DirDialog, books); });
        QCOMPARE(choice.exec(), int(QDialog::Accepted));
        QVERIFY(script.done());
        QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join(QStringLiteral("; "))));
        QCOMPARE(responder.texts(),
                 QStringList{empty + QStringLiteral(" holds no Kelvane Talvarin data files.\r\n"
                                                    "Choose the directory that holds them, or "
                                                    "create new data.")});
        QCOMPARE(responder.shown[0].kind, MsgKind::Warning);
        QCOMPARE(choice.Chosen, books);
    }

    void newSampleDataIsCreatedInThePickedDirectory() {
        const QString target = root_.filePath(QStringLiteral("sample"));
        QVERIFY(QDir().mkpath(target));
        ScriptedResponder responder;
        TDataChoice choice;
        ModalScript script;
        script.on(&choice, [&] { ModalScript::press(choice.BtnNewSample); })
            .on(choice.DirDialog, [&] { pick(choice.DirDialog, target); });
        QCOMPARE(choice.exec(), int(QDialog::Accepted));
        QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join(QStringLiteral("; "))));
        QVERIFY(responder.shown.isEmpty());
        QCOMPARE(choice.Chosen, target);
        QVERIFY(CheckDataFilesIn(target));
        QCOMPARE(StoredUserName(target), SampleBusinessName());
    }

    // Over existing tables nothing is created; the reason is said and the window stays.
    void newEmptyDataTakesTheNameAndRefusesExistingTables() {
        const QString taken = MakeBooks(root_.filePath(QStringLiteral("taken")));
        const QString target = root_.filePath(QStringLiteral("empty"));
        QVERIFY(QDir().mkpath(target));
        ScriptedResponder responder;
        TDataChoice choice;
        ModalScript script;
        script
            .on(&choice,
                [&] {
                    choice.EditName->setText(QStringLiteral("Greenway Landscaping"));
                    ModalScript::press(choice.BtnNewEmpty);
                })
            .on(choice.DirDialog, [&] { pick(choice.DirDialog, taken); })
            .on(&choice, [&] { ModalScript::press(choice.BtnNewEmpty); })
            .on(choice.DirDialog, [&] { pick(choice.DirDialog, target); });
        QCOMPARE(choice.exec(), int(QDialog::Accepted));
        QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join(QStringLiteral("; "))));
        QCOMPARE(responder.shown.size(), 1);
        QVERIFY(responder.shown[0].text.startsWith(
            QStringLiteral("The new data files could not be created.\r\n")));
        QVERIFY(responder.shown[0].text.contains(QStringLiteral("already holds")));
        QCOMPARE(choice.Chosen, target);
        QCOMPARE(StoredUserName(target), QStringLiteral("Greenway Landscaping"));
    }

    void cancelledChooserLeavesTheWindowUp() {
        TDataChoice choice;
        ModalScript script;
        script.on(&choice, [&] { ModalScript::press(choice.BtnNewSample); })
            .on(choice.DirDialog, [&] { choice.DirDialog->reject(); })
            .on(&choice, [&] { ModalScript::press(choice.BtnExit); });
        QCOMPARE(choice.exec(), int(QDialog::Rejected));
        QVERIFY(script.done());
        QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join(QStringLiteral("; "))));
        QCOMPARE(QDir(root_.path()).entryList(QDir::Files), QStringList());
    }

  private:
    static void pick(QFileDialog* dialog, const QString& dir) {
        dialog->setDirectory(dir);
        static_cast<QDialog*>(dialog)->accept();  // as the chooser's own button does
    }

    QTemporaryDir settingsDir_;
    QTemporaryDir root_;
};

QTEST_MAIN(DataChoiceTest)
#include "DataChoiceTest.moc"
