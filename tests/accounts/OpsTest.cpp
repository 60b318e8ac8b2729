// The account and folder operations without any window, on a data set of their own: numbering,
// the free-number checks, the walks that carry entries along (records marked deleted included),
// the delete cascades, and the end of the program when an entries table cannot be opened.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "accounts/TableAccess.h"
#include "common/DataSetFixture.h"
#include "common/NtxDamage.h"
#include "data/Clock.h"
#include "data/Messages.h"
#include "data/NewDataSet.h"
#include "data/ProgramExit.h"

using namespace kvl;
using kvltest::AccountRow;
using kvltest::Column;
using kvltest::EntryRow;
using kvltest::FolderRow;
using kvltest::Marked;

namespace {

// Records every message and answers OK.
class MessageLog : public MessageSink {
  public:
    MsgAnswer show(MsgKind, const QString& text, MsgDefault) override {
        texts << text;
        return MsgAnswer::Ok;
    }
    QStringList texts;
};

// An empty data set made current, the engine started, messages logged, and the end of the
// program thrown as ProgramEnded.
class DataSet : public test::DataSetFixture, public kvltest::TableAccess {
  public:
    DataSet() : DataSetFixture(QString(), /*sample=*/false, QDate(2026, 6, 15)) {
        previousSink_ = SetMessageSink(&log);
        SetExitHandler([](int code) { throw ProgramEnded(code); });
        cb = code4initP();
    }
    ~DataSet() {
        code4initUndoP(cb);
        cb = nullptr;
        SetExitHandler({});
        SetMessageSink(previousSink_);
    }
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    size_t openTables() const { return cb->tables().size(); }

    MessageLog log;

  private:
    MessageSink* previousSink_ = nullptr;
};

}  // namespace

class OpsTest : public QObject {
    Q_OBJECT

  private slots:
    void nextAccountNoIsTheHighestPlusOne() {
        DataSet data;
        QVERIFY(data.created);
        for (char mode : {'E', 'I'}) {
            const Chart& chart = ChartOf(mode);
            chart.openAccounts();
            QCOMPARE(NextAccountNo(chart), 1);
            code4close(cb);
        }
        data.addAccount('E', 3, QStringLiteral("Three"));
        data.addAccount('E', 17, QStringLiteral("Seventeen"));
        data.addAccount('E', 5, QStringLiteral("Five"));
        data.addAccount('E', 40, QStringLiteral("Deleted"), true, /*deleted=*/true);
        data.addAccount('I', 2, QStringLiteral("Two"));
        const Chart& expense = ChartOf('E');
        expense.openAccounts();
        // Gaps below are not reused; a deleted account is not counted.
        QCOMPARE(NextAccountNo(expense), 18);
        code4close(cb);
        const Chart& income = ChartOf('I');
        income.openAccounts();
        QCOMPARE(NextAccountNo(income), 3);
        code4close(cb);
        data.addAccount('E', 9999, QStringLiteral("Last"));
        expense.openAccounts();
        QCOMPARE(NextAccountNo(expense), 10000);
        code4close(cb);
    }

    void chartsDifferOnlyByTheirDescriptions() {
        QCOMPARE(ChartOf('E').mode, 'E');
        QCOMPARE(ChartOf('I').mode, 'I');
        // Any mode other than "E" is the income chart.
        QCOMPARE(&ChartOf('X'), &ChartOf('I'));
        QCOMPARE(ChartOf('E').word, QStringLiteral("expenses"));
        QCOMPARE(ChartOf('I').word, QStringLiteral("income"));
        QCOMPARE(&ChartOf('E').selection, &CurrentExpenseAccount);
        QCOMPARE(&ChartOf('I').selection, &CurrentIncomeAccount);
        QCOMPARE(&ChartOf('E').buffer, &ExpenseAccountBuffer);
        QCOMPARE(&ChartOf('I').buffer, &IncomeAccountBuffer);
    }

    void accountNoFreeAndTheRecordItLeavesCurrent() {
        DataSet data;
        QVERIFY(data.created);
        data.addAccount('I', 5, QStringLiteral("Five"));
        data.addAccount('I', 7, QStringLiteral("Seven (old)"), true, /*deleted=*/true);
        data.addAccount('I', 12, QStringLiteral("Twelve"));
        const Chart& chart = ChartOf('I');
        chart.openAccounts();
        QVERIFY(AccountNoFree(chart, 1));
        QVERIFY(AccountNoFree(chart, 6));
        QVERIFY(AccountNoFree(chart, 99));
        // Only a deleted record carries 7: free.
        QVERIFY(AccountNoFree(chart, 7));
        QVERIFY(!AccountNoFree(chart, 12));
        QCOMPARE(d4recNo(chart.accounts), 3L);
        QVERIFY(!AccountNoFree(chart, 5));
        QCOMPARE(d4recNo(chart.accounts), 1L);
        code4close(cb);
    }

    void movingAccountEntriesTakesEveryRecordOfOneChart() {
        DataSet data;
        QVERIFY(data.created);
        data.addExpense(5, 1);
        data.addExpense(6, 1);
        data.addExpense(5, 2, /*deleted=*/true);
        data.addIncome(5, 1);
        const Chart& expense = ChartOf('E');
        expense.openAccounts();
        MoveAccountEntries(expense, 5, 9);
        // The entries table was opened and closed again; the account table stays open.
        QCOMPARE(data.openTables(), size_t(1));
        code4close(cb);
        const QList<EntryRow> expenses = data.expenses();
        QCOMPARE(Column(expenses, &EntryRow::account), (QList<int>{9, 6}));
        QCOMPARE(Column(expenses, &EntryRow::account, Marked::Deleted), QList<int>{9});
        QCOMPARE(Column(data.income(), &EntryRow::account), QList<int>{5});

        const Chart& income = ChartOf('I');
        income.openAccounts();
        MoveAccountEntries(income, 5, 2);
        code4close(cb);
        QCOMPARE(Column(data.income(), &EntryRow::account), QList<int>{2});
        QCOMPARE(Column(data.expenses(), &EntryRow::account), (QList<int>{9, 6}));
        QVERIFY(data.log.texts.isEmpty());
    }

    void deletingAnAccountMarksItsEntriesAndItself() {
        DataSet data;
        QVERIFY(data.created);
        data.addAccount('E', 4, QStringLiteral("Four"));
        data.addAccount('E', 8, QStringLiteral("Eight"));
        data.addExpense(8, 1);
        data.addExpense(4, 1);
        data.addExpense(8, 3);
        data.addIncome(8, 1);
        const Chart& chart = ChartOf('E');
        chart.openAccounts();
        QCOMPARE(DeleteAccount(chart, 2, 8), 2L);
        code4close(cb);
        const QList<AccountRow> accounts = data.accounts('E');
        QCOMPARE(accounts.size(), 2);
        QVERIFY(!accounts[0].deleted);
        QVERIFY(accounts[1].deleted);
        const QList<EntryRow> expenses = data.expenses();
        QCOMPARE(Column(expenses, &EntryRow::account, Marked::Deleted), (QList<int>{8, 8}));
        QCOMPARE(Column(expenses, &EntryRow::account), QList<int>{4});
        QCOMPARE(Column(data.income(), &EntryRow::account), QList<int>{8});
    }

    void nextFolderNoIsTheFirstGap_data() {
        QTest::addColumn<QList<int>>("folders");
        QTest::addColumn<QList<int>>("deleted");
        QTest::addColumn<int>("next");
        QTest::newRow("empty") << QList<int>{} << QList<int>{} << 1;
        QTest::newRow("1 2 3 5") << QList<int>{5, 1, 3, 2} << QList<int>{} << 4;
        QTest::newRow("2 3") << QList<int>{2, 3} << QList<int>{} << 1;
        QTest::newRow("1 2 3") << QList<int>{1, 2, 3} << QList<int>{} << 4;
        QTest::newRow("deleted 2") << QList<int>{1, 3} << QList<int>{2} << 2;
        QTest::newRow("0 1 2") << QList<int>{0, 1, 2} << QList<int>{} << 3;
        QTest::newRow("0 2") << QList<int>{0, 2} << QList<int>{} << 1;
        QTest::newRow("1 1 2") << QList<int>{1, 1, 2} << QList<int>{} << 3;
    }
    void nextFolderNoIsTheFirstGap() {
        QFETCH(QList<int>, folders);
        QFETCH(QList<int>, deleted);
        QFETCH(int, next);
        DataSet data;
        QVERIFY(data.created);
        for (int n : folders) data.addFolder(n, QStringLiteral("F"));
        for (int n : deleted) data.addFolder(n, QStringLiteral("Gone"), /*deleted=*/true);
        OpenFolders();
        QCOMPARE(NextFolderNo(), next);
        code4close(cb);
    }

    void folderNoFree() {
        DataSet data;
        QVERIFY(data.created);
        data.addFolder(3, QStringLiteral("Three"));
        data.addFolder(8, QStringLiteral("Eight"), /*deleted=*/true);
        data.addFolder(0, QStringLiteral("Zero"));
        OpenFolders();
        QVERIFY(FolderNoFree(8));
        QVERIFY(FolderNoFree(4));
        QVERIFY(!FolderNoFree(0));
        QCOMPARE(d4recNo(dbFolders), 3L);
        QVERIFY(!FolderNoFree(3));
        QCOMPARE(d4recNo(dbFolders), 1L);
        code4close(cb);
    }

    void movingFolderEntriesTakesBothTables() {
        DataSet data;
        QVERIFY(data.created);
        data.addIncome(1, 3);
        data.addIncome(1, 4);
        data.addIncome(1, 3, /*deleted=*/true);
        data.addExpense(1, 3);
        data.addExpense(1, 3, /*deleted=*/true);
        OpenFolders();
        MoveFolderEntries(3, 8);
        QCOMPARE(data.openTables(), size_t(1));
        code4close(cb);
        const QList<EntryRow> income = data.income();
        QCOMPARE(Column(income, &EntryRow::folder), (QList<int>{8, 4}));
        QCOMPARE(Column(income, &EntryRow::folder, Marked::Deleted), QList<int>{8});
        const QList<EntryRow> expenses = data.expenses();
        QCOMPARE(Column(expenses, &EntryRow::folder), QList<int>{8});
        QCOMPARE(Column(expenses, &EntryRow::folder, Marked::Deleted), QList<int>{8});
    }

    void deletingAFolderMarksBothTablesAndItself() {
        DataSet data;
        QVERIFY(data.created);
        data.addFolder(2, QStringLiteral("Two"));
        data.addFolder(6, QStringLiteral("Six"));
        data.addIncome(1, 6);
        data.addIncome(1, 2);
        data.addExpense(1, 6);
        data.addExpense(1, 6);
        OpenFolders();
        QCOMPARE(DeleteFolder(2, 6), 3L);
        code4close(cb);
        const QList<FolderRow> folders = data.folders();
        QVERIFY(!folders[0].deleted);
        QVERIFY(folders[1].deleted);
        QCOMPARE(Column(data.income(), &EntryRow::folder, Marked::Deleted), QList<int>{6});
        QCOMPARE(Column(data.income(), &EntryRow::folder), QList<int>{2});
        QCOMPARE(Column(data.expenses(), &EntryRow::folder, Marked::Deleted), (QList<int>{6, 6}));
    }

    void anEntriesTableThatCannotBeOpenedEndsTheProgram() {
        DataSet data;
        QVERIFY(data.created);
        data.addExpense(1, 3);
        QVERIFY(QFile::remove(QDir::current().filePath(QStringLiteral("EDate.ntx"))));
        OpenFolders();
        bool ended = false;
        try {
            MoveFolderEntries(3, 4);
        } catch (const ProgramEnded&) {
            ended = true;
        }
        QVERIFY(ended);
        QCOMPARE(data.log.texts,
                 QStringList{QStringLiteral(
                     "Unable to open file eDate.Ntx\r\nProgram will now terminate.")});
    }

    void aDamagedChartTagEndsTheProgramWithTheEnginesMessage() {
        DataSet data;
        QVERIFY(data.created);
        const Chart& chart = ChartOf('E');
        chart.openAccounts();
        for (int n = 1; n <= 300; ++n) {
            QCOMPARE(d4appendBlank(chart.accounts), 0);
            chart.buffer = {n, QStringLiteral("Account %1").arg(n), true};
            chart.store();
        }
        code4close(cb);
        kvltest::DamageMiddleLeaf(
            QDir::current().filePath(QStringLiteral("AccTag.ntx")).toStdString(),
            kvltest::PageDamage::Zeroed);
        chart.openAccounts();
        // A seek that meets the damage must not take the number for free.
        bool ended = false;
        try {
            for (int n = 1; n <= 300; ++n) QVERIFY(!AccountNoFree(chart, n));
        } catch (const ProgramEnded&) {
            ended = true;
        }
        QVERIFY(ended);
        QVERIFY(data.log.texts.constLast().startsWith(QStringLiteral("Error -310: index file ")));
    }

    void walksSeeEveryRecordInRecordOrder() {
        DataSet data;
        QVERIFY(data.created);
        data.addAccount('E', 30, QStringLiteral("Thirty"));
        data.addAccount('E', 10, QStringLiteral("Ten"), true, /*deleted=*/true);
        data.addAccount('E', 20, QStringLiteral("Twenty"));
        OpenExpenseAccounts();
        QList<long> records;
        QList<int> numbers;
        ForEachRecord(dbExpenseAccounts, [&] {
            records << d4recNo(dbExpenseAccounts);
            numbers << f4int(fAccNo);
        });
        code4close(cb);
        QCOMPARE(records, (QList<long>{1, 2, 3}));
        QCOMPARE(numbers, (QList<int>{30, 10, 20}));
    }
};

QTEST_GUILESS_MAIN(OpsTest)
#include "OpsTest.moc"
