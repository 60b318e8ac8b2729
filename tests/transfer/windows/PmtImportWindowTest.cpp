// The payment import dialog as its main window button shows it: its proposals, the import and the
// pack after it, the browse step, and refusals that keep it open or show it again.
#include <QFileDialog>
#include <QStandardPaths>

#include "common/NextModal.h"
#include "engine/Engine.h"
#include "screen/DropList.h"
#include "transfer/windows/WindowsFixture.h"

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
    for (int i = 0; i < payments.size(); ++i) {
        (void)t->appendBlank();
        t->field("PDATE")->assign(payments[i].first.toString("yyyyMMdd").toStdString());
        t->field("PAMT")->assignNumber(payments[i].second);
        t->field("IVNO")->assign(std::to_string(501 + i));
    }
}

// The next file dialog to come up goes to dir and is left with Cancel.
void WhenFileDialogOpens(const QString& dir) {
    kvltest::OnNextModal<QFileDialog>([dir](QFileDialog* dialog) {
        dialog->setDirectory(dir);
        dialog->reject();
    });
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
        WritePayments(app.file("pmt.dbf"), {{QDate(2028, 1, 1), 10}, {QDate(2027, 12, 31), 30}});
        ModalScript script;
        for (int twice = 0; twice < 2; ++twice)
            script.on(app.pmtImport, [&] {
                QCOMPARE(app.pmtImport->Edit1->text(), QStringLiteral("Pmt.dbf"));
                QCOMPARE(app.pmtImport->MaskEdit1->programText(), QStringLiteral(" 1/ 1/28"));
                QCOMPARE(app.pmtImport->MaskEdit2->programText(), QStringLiteral(" 2/15/28"));
                ModalScript::press(app.pmtImport->BtnImport);
            });
        app.form->BtnImport->click();
        app.form->BtnImport->click();
        SCRIPT_DONE(script);
        QCOMPARE(app.records(true).filter("Payment on Invoice #"),
                 QStringList{"Payment on Invoice #501"});
        QVERIFY(app.progress.shows.contains(qMakePair(true, QStringLiteral("Loading Payments"))));
        QVERIFY(app.progress.shows.contains(qMakePair(true, QStringLiteral("Packing Data Files"))));
        QVERIFY(app.responder.shown.isEmpty() && cb->tables().empty());
    }

    void browsingAndRefusalsKeepTheDialogOrShowItAgainWithNothingChanged() {
        WindowsFixture app;
        QVERIFY(app.started);
        QVERIFY(QDir(app.dir.path()).mkpath("elsewhere") && QDir(app.dir.path()).mkpath("ulv"));
        WritePayments(app.file("ulv/PMT.DBF"), {{QDate(2028, 1, 2), 1e7}});
        const QStringList before = app.records(true);
        ModalScript script;
        script.on(app.pmtImport, [&] {
            ModalScript::press(app.pmtImport->BtnImport);
            WhenFileDialogOpens(app.file("elsewhere"));
            ModalScript::press(app.pmtImport->BtnBrowse);
            QCOMPARE(app.pmtImport->PaymentFilePath, QString());
            WhenFileDialogOpens(app.file("ulv"));
            ModalScript::press(app.pmtImport->BtnBrowse);
            QCOMPARE(app.pmtImport->Edit1->text(), app.file("ulv/PMT.DBF"));
            ModalScript::press(app.pmtImport->BtnImport);
        });
        script.on(app.pmtImport, [&] { ModalScript::press(app.pmtImport->BtnCancel); });
        app.form->BtnImport->click();
        SCRIPT_DONE(script);
        const QStringList texts = app.responder.texts();
        QCOMPARE(texts.size(), 3);
        QCOMPARE(texts[0], QStringLiteral("Please Choose Ulvenir Payment file."));
        QVERIFY(texts[1].endsWith("\r\nis not a valid Ulvenir Payment file. Try again."));
        QVERIFY(texts[2].endsWith("Nothing was imported."));
        QCOMPARE(app.records(true), before);
    }
};

QTEST_MAIN(PmtImportWindowTest)
#include "PmtImportWindowTest.moc"
