// The account and folder pick lists shown on their own: columns, widths and the widening for the
// scroll bar, which row is current, Select, New, Exit, Enter and double-click, the empty list, and
// the grid reset on closing.
#include <QHeaderView>

#include "accounts/windows/AccountsFixture.h"

using namespace kvl;
using kvltest::AccountsFixture;
using kvltest::ModalScript;

namespace {

struct GridState {
    int width = -1;
    int rows = -1;
    int columns = -1;
    QStringList headers;
    QList<int> widths;
    bool lastHidden = false;
    QList<QStringList> cells;
    int currentRow = -2;
    bool selectEnabled = false;
    bool gridEnabled = false;
    QString title;
};

GridState Look(TPickList* pick) {
    GridState s;
    QTableWidget* grid = pick->StringGrid1;
    s.width = grid->width();
    s.rows = grid->rowCount();
    s.columns = grid->columnCount();
    for (int c = 0; c < s.columns; ++c) {
        const QTableWidgetItem* header = grid->horizontalHeaderItem(c);
        s.headers << (header ? header->text() : QString());
        s.widths << grid->horizontalHeader()->sectionSize(c);
    }
    s.lastHidden = grid->isColumnHidden(s.columns - 1);
    for (int r = 0; r < s.rows; ++r) {
        QStringList row;
        for (int c = 0; c < s.columns; ++c)
            row << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        s.cells << row;
    }
    s.currentRow = grid->currentRow();
    s.selectEnabled = pick->BtnSelect->isEnabled();
    s.gridEnabled = grid->isEnabled();
    s.title = pick->windowTitle();
    return s;
}

}  // namespace

class PickListTest : public QObject {
    Q_OBJECT

  private slots:
    void accountColumnsAndRows_data() {
        QTest::addColumn<char>("mode");
        QTest::addColumn<QString>("flagHeader");
        QTest::newRow("expense") << 'E' << QStringLiteral("Deduct");
        QTest::newRow("income") << 'I' << QStringLiteral("Taxable");
    }
    void accountColumnsAndRows() {
        QFETCH(char, mode);
        QFETCH(QString, flagHeader);
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount(mode, 20, QStringLiteral("Twenty"), false);
        app.addAccount(mode, 4, QStringLiteral("Four"), true);
        app.addAccount(mode, 9, QStringLiteral("Gone"), true, /*deleted=*/true);
        const Chart& chart = ChartOf(mode);
        chart.openAccounts();
        AccountMode = mode;
        chart.selection = 1;  // the record of account 20
        ModalScript script;
        GridState seen;
        script.on(app.pickAcc, [&] {
            seen = Look(app.pickAcc);
            ModalScript::press(app.pickAcc->BtnExit);
        });

        app.pickAcc->exec();

        SCRIPT_DONE(script);
        QCOMPARE(seen.title, QStringLiteral("Select Account"));
        QCOMPARE(seen.columns, 4);
        QCOMPARE(seen.headers, (QStringList{QStringLiteral("Number"), QStringLiteral("Description"),
                                            flagHeader, QString()}));
        QCOMPARE(seen.widths, (QList<int>{48, 240, 48, 0}));
        QVERIFY(seen.lastHidden);
        QCOMPARE(seen.width, 336);
        // Number order, deleted accounts left out, the description as stored (30 characters).
        QCOMPARE(seen.rows, 2);
        QCOMPARE(seen.cells[0].mid(0, 1), QStringList{QStringLiteral("4")});
        QCOMPARE(seen.cells[0][1], QStringLiteral("Four").leftJustified(30));
        QCOMPARE(seen.cells[0][2], QStringLiteral("Yes"));
        QCOMPARE(seen.cells[0][3], QStringLiteral("2"));
        QCOMPARE(seen.cells[1][0], QStringLiteral("20"));
        QCOMPARE(seen.cells[1][2], QStringLiteral("No"));
        QCOMPARE(seen.cells[1][3], QStringLiteral("1"));
        // The row of the selected record is current.
        QCOMPARE(seen.currentRow, 1);
        QVERIFY(seen.selectEnabled);
        QVERIFY(seen.gridEnabled);
        QCOMPARE(chart.selection, -1);
        code4close(cb);
    }

    void accountListWidensFromTenDataRows_data() {
        QTest::addColumn<int>("accounts");
        QTest::addColumn<int>("width");
        QTest::newRow("9 accounts") << 9 << 336;
        QTest::newRow("10 accounts") << 10 << 360;
    }
    void accountListWidensFromTenDataRows() {
        QFETCH(int, accounts);
        QFETCH(int, width);
        AccountsFixture app;
        QVERIFY(app.started);
        for (int n = 1; n <= accounts; ++n) app.addAccount('E', n, QStringLiteral("A%1").arg(n));
        OpenExpenseAccounts();
        AccountMode = 'E';
        CurrentExpenseAccount = 0;
        ModalScript script;
        GridState seen;
        script.on(app.pickAcc, [&] {
            seen = Look(app.pickAcc);
            ModalScript::press(app.pickAcc->BtnExit);
        });

        app.pickAcc->exec();

        SCRIPT_DONE(script);
        QCOMPARE(seen.rows, accounts);
        QCOMPARE(seen.width, width);
        // No account matches selection 0: the first row is current.
        QCOMPARE(seen.currentRow, 0);
        code4close(cb);
    }

    void emptyChartShowsOnlyTheHeader() {
        AccountsFixture app;
        QVERIFY(app.started);
        OpenIncomeAccounts();
        AccountMode = 'I';
        CurrentIncomeAccount = 0;
        ModalScript script;
        GridState seen;
        int afterNew = 99;
        script
            .on(app.pickAcc,
                [&] {
                    seen = Look(app.pickAcc);
                    // Select does nothing on an empty list, even when pressed by other means.
                    app.pickAcc->BtnSelectClick();
                    ModalScript::press(app.pickAcc->BtnNew);
                })
            .on(app.pickAcc, [&] {
                afterNew = CurrentIncomeAccount;
                ModalScript::press(app.pickAcc->BtnExit);
            });

        app.pickAcc->exec();
        app.pickAcc->exec();

        SCRIPT_DONE(script);
        QCOMPARE(seen.rows, 0);
        QCOMPARE(seen.headers.size(), 4);
        QVERIFY(!seen.selectEnabled);
        QVERIFY(!seen.gridEnabled);
        QCOMPARE(seen.width, 336);
        QCOMPARE(afterNew, 0);
        QCOMPARE(CurrentIncomeAccount, -1);
        code4close(cb);
    }

    void enterAndDoubleClickActAsSelect() {
        AccountsFixture app;
        QVERIFY(app.started);
        for (int n : {3, 6, 9}) app.addAccount('E', n, QStringLiteral("A%1").arg(n));
        OpenExpenseAccounts();
        AccountMode = 'E';
        CurrentExpenseAccount = 0;
        ModalScript script;
        QList<int> chosen;
        bool stillOpen = false;
        script
            .on(app.pickAcc,
                [&] {
                    QTableWidget* grid = app.pickAcc->StringGrid1;
                    grid->setFocus();
                    // Other keys do not choose.
                    QTest::keyClick(grid, Qt::Key_A);
                    stillOpen = app.pickAcc->isVisible();
                    QTest::keyClick(grid, Qt::Key_Down);
                    QTest::keyClick(grid, Qt::Key_Return);
                })
            .on(app.pickAcc,
                [&] {
                    chosen << CurrentExpenseAccount;
                    QTableWidget* grid = app.pickAcc->StringGrid1;
                    const QRect cell = grid->visualItemRect(grid->item(2, 1));
                    // As the window system delivers a double-click: a click, then the second
                    // press as a double-click.
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                                      cell.center());
                    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                                       cell.center());
                })
            .on(app.pickAcc, [&] {
                chosen << CurrentExpenseAccount;
                ModalScript::press(app.pickAcc->BtnExit);
            });

        app.pickAcc->exec();
        app.pickAcc->exec();
        app.pickAcc->exec();

        SCRIPT_DONE(script);
        QVERIFY(stillOpen);
        // Records 2 (account 6) by Enter, 3 (account 9) by double-click.
        QCOMPARE(chosen, (QList<int>{2, 3}));
        code4close(cb);
    }

    void closingResetsTheGrid() {
        AccountsFixture app;
        QVERIFY(app.started);
        for (int n : {1, 2, 3}) app.addAccount('E', n, QStringLiteral("A%1").arg(n));
        OpenExpenseAccounts();
        AccountMode = 'E';
        CurrentExpenseAccount = 3;
        ModalScript script;
        script.on(app.pickAcc, [&] { ModalScript::press(app.pickAcc->BtnNew); });

        app.pickAcc->exec();

        SCRIPT_DONE(script);
        const GridState after = Look(app.pickAcc);
        QCOMPARE(after.columns, 4);
        QCOMPARE(after.rows, 1);
        QCOMPARE(after.cells,
                 (QList<QStringList>{QStringList{QString(), QString(), QString(), QString()}}));
        QCOMPARE(CurrentExpenseAccount, 0);
        code4close(cb);
    }

    void closingTheWindowLeavesTheSelection() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addFolder(1, QStringLiteral("One"));
        OpenFolders();
        CurrentFolder = 1;
        ModalScript script;
        script.on(app.pickFol, [&] { app.pickFol->close(); });

        app.pickFol->exec();

        SCRIPT_DONE(script);
        QCOMPARE(CurrentFolder, 1);
        QCOMPARE(app.pickFol->StringGrid1->rowCount(), 1);
        code4close(cb);
    }

    void folderColumnsAndFirstRowCurrent() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addFolder(7, QStringLiteral("Seven"));
        app.addFolder(2, QStringLiteral("Two"));
        app.addFolder(5, QStringLiteral("Deleted"), /*deleted=*/true);
        app.addFolder(4, QStringLiteral("Four"));
        OpenFolders();
        CurrentFolder = 1;  // folder 7, the last row
        ModalScript script;
        GridState seen;
        int chosen = 0;
        script
            .on(app.pickFol,
                [&] {
                    seen = Look(app.pickFol);
                    ModalScript::press(app.pickFol->BtnSelect);
                })
            .on(app.pickFol, [&] {
                chosen = CurrentFolder;
                ModalScript::press(app.pickFol->BtnExit);
            });

        app.pickFol->exec();
        app.pickFol->exec();

        SCRIPT_DONE(script);
        QCOMPARE(seen.title, QStringLiteral("PickFol"));
        QCOMPARE(seen.columns, 3);
        QCOMPARE(seen.headers,
                 (QStringList{QStringLiteral("Number"), QStringLiteral("Description"), QString()}));
        QCOMPARE(seen.widths, (QList<int>{48, 240, 0}));
        QVERIFY(seen.lastHidden);
        QCOMPARE(seen.width, 288);
        QCOMPARE(seen.rows, 3);
        QCOMPARE(seen.cells[0][0], QStringLiteral("2"));
        QCOMPARE(seen.cells[0][1], QStringLiteral("Two").leftJustified(30));
        QCOMPARE(seen.cells[0][2], QStringLiteral("2"));
        QCOMPARE(seen.cells[1][0], QStringLiteral("4"));
        QCOMPARE(seen.cells[2][0], QStringLiteral("7"));
        QCOMPARE(seen.cells[2][2], QStringLiteral("1"));
        // The first row is current whichever folder the selection names.
        QCOMPARE(seen.currentRow, 0);
        QCOMPARE(chosen, 2);
        QCOMPARE(CurrentFolder, -1);
        code4close(cb);
    }

    void folderListWidensFromNineDataRows_data() {
        QTest::addColumn<int>("folders");
        QTest::addColumn<int>("width");
        QTest::newRow("8 folders") << 8 << 288;
        QTest::newRow("9 folders") << 9 << 312;
    }
    void folderListWidensFromNineDataRows() {
        QFETCH(int, folders);
        QFETCH(int, width);
        AccountsFixture app;
        QVERIFY(app.started);
        for (int n = 1; n <= folders; ++n) app.addFolder(n, QStringLiteral("F%1").arg(n));
        // A deleted folder takes no row and does not count towards the widening.
        app.addFolder(folders + 1, QStringLiteral("Deleted"), /*deleted=*/true);
        OpenFolders();
        CurrentFolder = 0;
        ModalScript script;
        GridState seen;
        script.on(app.pickFol, [&] {
            seen = Look(app.pickFol);
            ModalScript::press(app.pickFol->BtnExit);
        });

        app.pickFol->exec();

        SCRIPT_DONE(script);
        QCOMPARE(seen.rows, folders);
        QCOMPARE(seen.width, width);
        code4close(cb);
    }

    void emptyFolderListShowsOnlyTheHeader() {
        AccountsFixture app;
        QVERIFY(app.started);
        OpenFolders();
        CurrentFolder = 0;
        ModalScript script;
        GridState seen;
        script.on(app.pickFol, [&] {
            seen = Look(app.pickFol);
            ModalScript::press(app.pickFol->BtnNew);
        });

        app.pickFol->exec();

        SCRIPT_DONE(script);
        QCOMPARE(seen.rows, 0);
        QVERIFY(!seen.selectEnabled);
        QVERIFY(!seen.gridEnabled);
        QCOMPARE(seen.width, 288);
        QCOMPARE(CurrentFolder, 0);
        code4close(cb);
    }

    void enterOnAFocusedNewOpensTheEditorWithAPlainNumber() {
        AccountsFixture app;
        QVERIFY(app.started);
        app.addAccount('E', 12, QStringLiteral("Twelve"));
        ModalScript script;
        QString shown;
        script
            .on(app.pickAcc,
                [&] {
                    app.pickAcc->BtnNew->setFocus(Qt::TabFocusReason);
                    QTest::keyClick(app.pickAcc->BtnNew, Qt::Key_Return);
                })
            .on(app.account,
                [&] {
                    shown = app.account->MaskEdit1->displayText();
                    ModalScript::press(app.account->BtnCancel);
                })
            .on(app.pickAcc, [&] { ModalScript::press(app.pickAcc->BtnExit); });

        RunAccountCycle('E', *app.pickAcc, *app.account);

        SCRIPT_DONE(script);
        QCOMPARE(shown, QStringLiteral("13"));
    }
};

QTEST_MAIN(PickListTest)
#include "PickListTest.moc"
