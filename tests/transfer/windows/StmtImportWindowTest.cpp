// The Import Statement window as the File menu opens it: the file chosen, a line's account and
// folder chosen from its lists, a line unticked, unassigned lines refused, the import and its
// message, and the same file again with its lines marked duplicates.
#include <QFileDialog>
#include <QGroupBox>
#include <QStandardPaths>
#include <QTableView>

#include "screen/DropList.h"
#include "transfer/StmtImportGrid.h"
#include "transfer/windows/WindowsFixture.h"

using namespace kvl;
using kvltest::ModalScript;
using kvltest::WindowsFixture;

namespace {

// Chooses the entry of number in the row's account or folder list as the user does: the list
// opened on the cell, the arrow keys moved to the entry, Enter.
void Choose(QTableView* grid, int row, int column, int number) {
    const QModelIndex cell = grid->model()->index(row, column);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* list = qobject_cast<TDropDownList*>(grid->indexWidget(cell));
    QVERIFY(list && list->findData(number) >= 0);
    for (int steps = list->count(); steps > 0 && list->currentData() != number; --steps)
        QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(cell.data(Qt::EditRole).toInt(), number);
}

QString Cell(QTableView* grid, int row, int column) {
    return grid->model()->index(row, column).data().toString();
}

}  // namespace

class StmtImportWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void reviewsChangesAndImportsThenKnowsTheLinesAgain() {
        WindowsFixture app;
        QVERIFY(app.started);
        const QString path = app.file("march.csv");
        QFile csv(path);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write(
            "Date,Payee,Amount\n2028-02-10,QUICK STOP FUEL 0423,-40.00\n"
            "2028-02-11,Brand New Shop,-12.34\n2028-02-12,Garden center sales,99\n");
        csv.close();
        const int expenses = app.records(false).size();
        TStmtImport* w = app.stmtImport;
        QTableView* grid = w->Grid;
        // The file's path typed into the file dialog's name field, then Enter.
        const auto choose = [&] {
            auto* name = w->OpenDialog1->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            QTest::keyClicks(name, path);
            QTest::keyClick(name, Qt::Key_Return);
        };
        ModalScript script;
        script.on(w->OpenDialog1, choose);
        script.on(w, [&] {
            QCOMPARE(grid->model()->rowCount(), 3);
            QVERIFY(w->GroupCsv->isVisible());
            QCOMPARE(Cell(grid, 1, StatementGrid::Account), QStringLiteral("(none)"));
            QCOMPARE(Cell(grid, 0, StatementGrid::Status), QStringLiteral("New"));
            ModalScript::press(w->BtnImport);
            QVERIFY(app.responder.texts().last().startsWith("These lines have no account or "
                                                            "folder.") &&
                    app.responder.texts().last().contains("line 3, 2028-02-11, Brand New Shop"));
            Choose(grid, 1, StatementGrid::Account, 7);
            Choose(grid, 1, StatementGrid::Folder, 2);
            QVERIFY(Cell(grid, 1, StatementGrid::Account).startsWith("   7 - "));
            grid->setCurrentIndex(grid->model()->index(0, StatementGrid::Import));
            QTest::keyClick(grid, Qt::Key_Space);
            ModalScript::press(w->BtnImport);
        });
        app.form->MenuImportStatement->trigger();
        SCRIPT_DONE(script);
        QCOMPARE(app.responder.texts().last(),
                 QStringLiteral("Imported 1 expenses and 1 incomes, skipped 0 duplicates; 1 "
                                "lines left unticked were not imported."));
        const QStringList after = app.records(false);
        QCOMPARE(after.size(), expenses + 1);
        OpenExpenses();
        (void)d4go(dbExpenses, d4recCountDo(dbExpenses));
        LoadExpenseRecord();
        code4close(cb);
        QCOMPARE(ExpenseBuffer.payTo.trimmed(), QStringLiteral("Brand New Shop"));
        QVERIFY(ExpenseBuffer.account == 7 && ExpenseBuffer.folder == 2 &&
                ExpenseBuffer.date == QDate(2028, 2, 11) &&
                qRound(ExpenseBuffer.amount * 100) == 1234);
        QVERIFY(app.records(true).contains("Garden center sales"));
        QVERIFY(
            app.progress.shows.contains(qMakePair(true, QStringLiteral("Importing Statement"))));

        // The same file again: what was imported is a duplicate, the line left out is new.
        script.on(w->OpenDialog1, choose);
        script.on(w, [&] {
            QCOMPARE(Cell(grid, 0, StatementGrid::Status), QStringLiteral("New"));
            QCOMPARE(Cell(grid, 1, StatementGrid::Status), QStringLiteral("Duplicate"));
            QCOMPARE(Cell(grid, 2, StatementGrid::Status), QStringLiteral("Duplicate"));
            QCOMPARE(grid->model()->index(1, 0).data(Qt::CheckStateRole).toInt(),
                     int(Qt::Unchecked));
            ModalScript::press(w->BtnHelp);
            QCOMPARE(HelpWindow()->currentTopic(), QStringLiteral("560"));
            CloseHelpWindow();
            ModalScript::press(w->BtnCancel);
        });
        app.form->MenuImportStatement->trigger();
        SCRIPT_DONE(script);
        QCOMPARE(app.records(false), after);
        QVERIFY(cb->tables().empty());
    }
};

QTEST_MAIN(StmtImportWindowTest)
#include "StmtImportWindowTest.moc"
