// The payment import dialog as its main window button shows it: its lists and proposals, the
// import and the pack after it, the refusals that keep it open or show it again, empty lists, and
// the browse step.
#include <QComboBox>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTimer>

#include "WindowsFixture.h"
#include "engine/Engine.h"
#include "screen/DropList.h"

using namespace kvl;
using kvltest::ModalScript;
using kvltest::WindowsFixture;

namespace {

void WritePayments(const QString& path, const QList<QPair<QDate, double>>& payments) {
    QVERIFY(
        xb::CreateTable(path.toStdString(),
                        {{"PDATE", 'D', 8, 0, 0}, {"PAMT", 'N', 12, 2, 0}, {"IVNO", 'C', 10, 0, 0}})
            .ok());
    xb::Engine engine;
    xb::Table* t = engine.open(path.toStdString());
    QVERIFY(t);
    int invoice = 500;
    for (const auto& [date, amount] : payments) {
        QCOMPARE(t->appendBlank(), 0);
        t->field("PDATE")->assign(date.toString("yyyyMMdd").toStdString());
        t->field("PAMT")->assignNumber(amount);
        t->field("IVNO")->assign(std::to_string(++invoice));
    }
}

// The next file dialog to come up goes to dir and is left with Cancel.
void WhenFileDialogOpens(const QString& dir) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, dir] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->deleteLater();
        timer->stop();
        dialog->setDirectory(dir);
        dialog->reject();
    });
    timer->start();
}

int Imported(WindowsFixture& app) {
    int n = 0;
    for (const auto& e : app.entries(true)) {
        if (e.deleted) return -1;
        n += e.imported && e.description.startsWith("Payment on Invoice #");
    }
    return n;
}

}  // namespace

class PmtImportWindowTest : public QObject {
    Q_OBJECT

  private slots:
    // The file dialog's remembered folders live in the user's settings; tests keep their own.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void importsTheProposedFileAndPacksWhenItReplacedEarlierImports() {
        WindowsFixture app;
        QVERIFY(app.started);
        WritePayments(
            app.file("pmt.dbf"),
            {{QDate(2028, 1, 1), 10}, {QDate(2028, 2, 15), 20}, {QDate(2027, 12, 31), 30}});
        ModalScript script;
        for (int twice = 0; twice < 2; ++twice) {
            script.on(app.pmtImport, [&] {
                TPmtImport* w = app.pmtImport;
                QCOMPARE(w->windowTitle(), QStringLiteral("Import Ulvenir Payment (Income) Data"));
                QCOMPARE(w->Edit1->text(), QStringLiteral("Pmt.dbf"));
                QVERIFY(!w->Edit1->isEnabled());
                QVERIFY(w->ComboBox1->count() > 0 && w->ComboBox2->count() > 0);
                QCOMPARE(w->MaskEdit1->programText(), QStringLiteral(" 1/ 1/28"));
                QCOMPARE(w->MaskEdit2->programText(), QStringLiteral(" 2/15/28"));
                QCOMPARE(QApplication::focusWidget(), w->MaskEdit1);
                ModalScript::press(w->BtnImport);
            });
        }
        app.form->BtnImport->click();
        QCOMPARE(Imported(app), 2);
        QVERIFY(
            !app.progress.shows.contains(qMakePair(true, QStringLiteral("Packing Data Files"))));
        app.form->BtnImport->click();
        SCRIPT_DONE(script);
        QCOMPARE(Imported(app), 2);
        QVERIFY(app.progress.shows.contains(qMakePair(true, QStringLiteral("Loading Payments"))));
        QVERIFY(app.progress.shows.contains(qMakePair(true, QStringLiteral("Packing Data Files"))));
        QVERIFY(!app.form->PackNeeded);
        QVERIFY(app.responder.shown.isEmpty());
        QVERIFY(cb->tables().empty());
    }

    void refusalsKeepTheDialogOrShowItAgainWithNothingChanged() {
        WindowsFixture app;
        QVERIFY(app.started);
        WritePayments(app.file("big.dbf"), {{QDate(2028, 1, 2), 1e7}});
        const auto before = app.entries(true);
        ModalScript script;
        script.on(app.pmtImport, [&] {
            TPmtImport* w = app.pmtImport;
            QCOMPARE(w->Edit1->text(), QString());
            ModalScript::press(w->BtnImport);
            w->PaymentFilePath = QStringLiteral("nothing.dbf");
            ModalScript::press(w->BtnImport);
            QVERIFY(w->isVisible());
            w->PaymentFilePath = app.file("big.dbf");
            ModalScript::press(w->BtnImport);
        });
        script.on(app.pmtImport, [&] { ModalScript::press(app.pmtImport->BtnCancel); });
        app.form->BtnImport->click();
        SCRIPT_DONE(script);
        const QStringList texts = app.responder.texts();
        QCOMPARE(texts.size(), 3);
        QCOMPARE(texts[0], QStringLiteral("Please Choose Ulvenir Payment file."));
        QCOMPARE(texts[1], QStringLiteral("Unable to Open nothing.dbf"));
        QVERIFY(texts[2].endsWith("Nothing was imported."));
        QCOMPARE(app.entries(true).size(), before.size());
    }

    void emptyListsAreSaidAndDisableImport() {
        WindowsFixture app(/*sample=*/false);
        QVERIFY(app.started);
        ModalScript script;
        script.on(app.pmtImport, [&] {
            QVERIFY(!app.pmtImport->BtnImport->isEnabled());
            ModalScript::press(app.pmtImport->BtnCancel);
        });
        app.form->BtnImport->click();
        SCRIPT_DONE(script);
        QCOMPARE(app.responder.texts(),
                 (QStringList{"Income Accounts must be defined before importing Income Records",
                              "Folders must be defined before importing Income Records"}));
    }

    void browseTakesTheFolderTheFileDialogEndsIn() {
        WindowsFixture app;
        QVERIFY(app.started);
        QVERIFY(QDir(app.dir.path()).mkpath("elsewhere") && QDir(app.dir.path()).mkpath("ulv"));
        WritePayments(app.file("ulv/PMT.DBF"), {});
        ModalScript script;
        script.on(app.pmtImport, [&] {
            TPmtImport* w = app.pmtImport;
            WhenFileDialogOpens(app.file("elsewhere"));
            ModalScript::press(w->BtnBrowse);
            QCOMPARE(w->PaymentFilePath, QString());
            QCOMPARE(app.responder.shown.size(), 1);
            QVERIFY(app.responder.shown[0].text.endsWith(
                "\r\nis not a valid Ulvenir Payment file. Try again."));
            WhenFileDialogOpens(app.file("ulv"));
            ModalScript::press(w->BtnBrowse);
            QCOMPARE(w->PaymentFilePath, app.file("ulv/PMT.DBF"));
            QCOMPARE(w->Edit1->text(), w->PaymentFilePath);
            ModalScript::press(w->BtnCancel);
        });
        app.form->BtnImport->click();
        SCRIPT_DONE(script);
    }
};

QTEST_MAIN(PmtImportWindowTest)
#include "PmtImportWindowTest.moc"
