// The statement import against books: accounts and folders learned, rules and fallbacks,
// unassigned lines refused, duplicates counted by occurrence, and failures that change nothing.
#include <QFile>

#include "Fixture.h"
#include "engine/Files.h"
#include "transfer/StmtImportOps.h"

namespace {

using kvl::ImportChoices;

class StatementImportTest : public kvltest::TransferTest {
  protected:
    void SetUp() override {
        TransferTest::SetUp();
        kvl::OpenExpenseAccounts();
        for (int n : {5, 6, 7}) AddAccount(n, QString("Expense %1").arg(n));
        kvl::OpenIncomeAccounts();
        for (int n : {2, 3}) {
            ASSERT_EQ(d4appendBlank(kvl::dbIncomeAccounts), 0);
            kvl::IncomeAccountBuffer = {n, "Income", true};
            kvl::StoreIncomeAccountRecord();
        }
        kvl::OpenFolders();
        for (int n : {1, 2}) {
            ASSERT_EQ(d4appendBlank(kvl::dbFolders), 0);
            kvl::FolderBuffer = {n, "Folder"};
            kvl::StoreFolderRecord();
        }
        kvl::OpenExpenses();
        AddExpense(QDate(2026, 1, 5), 5, 2, 9, "Shell Oil");
        AddExpense(QDate(2026, 1, 9), 5, 2, 9, "SHELL OIL");
        AddExpense(QDate(2026, 2, 1), 6, 1, 9, "Shell Oil 0423");
        AddExpense(QDate(2026, 2, 3), 7, 1, 9, "Office Depot");
        AddExpense(QDate(2026, 3, 2), 5, 2, 12, "Shell Oil");
        kvl::OpenIncome();
        ASSERT_EQ(d4appendBlank(kvl::dbIncome), 0);
        kvl::IncomeBuffer = {3, QDate(2026, 1, 20), "Client A", 500, 2, false, false};
        kvl::StoreIncomeRecord();
        code4close(kvl::cb);
    }

    // The statement through reading, matching, proposing and writing, as kvl-cli runs it.
    kvl::StatementOutcome Import(const QByteArray& csv, const ImportChoices& choices = {},
                                 std::vector<kvl::ImportLine>* seen = nullptr) {
        QFile f(QString::fromStdString(file("s.csv")));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(csv) > 0);
        f.close();
        kvl::OpenStatementTables();
        const kvl::ChartNumbers charts = kvl::ReadChartNumbers();
        kvl::StatementOutcome outcome;
        const auto statement = kvl::ReadStatementFile(f.fileName(), "s.csv", {});
        if (statement && kvl::CheckChoices(choices, charts)) {
            std::vector<kvl::ImportLine> lines = kvl::MatchStatement(*statement);
            kvl::ProposeAccounts(lines, choices, charts);
            outcome = kvl::ImportStatement(lines, statement->format, charts, "s.csv");
            if (seen) *seen = lines;
        }
        code4close(kvl::cb);
        return outcome;
    }

    // "date payee cents account folder" of every record from the first one not set up here.
    QStringList Added() {
        QStringList rows;
        kvl::OpenStatementTables();
        for (auto [table, first] : {std::pair{kvl::dbExpenses, 6L}, {kvl::dbIncome, 2L}}) {
            for (long r = first; r <= d4recCountDo(table); ++r) {
                (void)d4go(table, r);
                const bool income = table == kvl::dbIncome;
                income ? kvl::LoadIncomeRecord() : kvl::LoadExpenseRecord();
                const kvl::ExpenseRecord& e = kvl::ExpenseBuffer;
                const kvl::IncomeRecord& i = kvl::IncomeBuffer;
                rows << QString("%1 %2 %3 %4 %5%6")
                            .arg((income ? i.date : e.date).toString("MM-dd"),
                                 (income ? i.description : e.payTo).trimmed())
                            .arg(std::lround((income ? i.amount : e.amount) * 100))
                            .arg(income ? i.account : e.account)
                            .arg(income ? i.folder : e.folder)
                            .arg(income ? (i.imported ? " imported" : "") : "");
            }
        }
        code4close(kvl::cb);
        return rows;
    }

    const QByteArray head_ = "Date,Payee,Amount\n";
};

TEST_F(StatementImportTest, RulesWinOverLearningWhichWinsOverFallbacks) {
    const QByteArray csv = head_ +
                           "2026-04-02,SHELL OIL 04/02 9911,-10\n"  // 5 three times, 6 once
                           "2026-04-03,Office Depot #12,-20\n"      // rule
                           "2026-04-04,New Vendor,-30\n"            // fallback, no folder
                           "2026-04-05,client a,40\n"               // learned income
                           "2026-04-06,Depot refund,5\n";           // the rule is no income account
    ImportChoices choices;
    choices.expenseAccount = 7;
    choices.incomeAccount = 2;
    choices.rules = {{"depot", 6}};
    std::vector<kvl::ImportLine> lines;
    EXPECT_EQ(Import(csv, choices, &lines).result, kvl::ChangeResult::Refused);
    ASSERT_EQ(lines.size(), 5u);
    QStringList proposed;
    for (const kvl::ImportLine& l : lines)
        proposed << QString("%1/%2").arg(l.account).arg(l.folder);
    EXPECT_EQ(proposed, QStringList({"5/2", "6/1", "7/0", "3/2", "2/0"}));
    EXPECT_EQ(messages.shown.back().text,
              "s.csv: these lines have no account or folder:\r\n"
              "line 4, 2026-04-04, New Vendor, 30.00, expense: no folder\r\n"
              "line 6, 2026-04-06, Depot refund, 5.00, income: no folder");
    EXPECT_TRUE(Added().isEmpty());

    choices.folder = 1;
    EXPECT_EQ(Import(csv, choices).result, kvl::ChangeResult::Done);
    EXPECT_EQ(Added(), QStringList({"04-02 SHELL OIL 04/02 9911 1000 5 1",
                                    "04-03 Office Depot #12 2000 6 1", "04-04 New Vendor 3000 7 1",
                                    "04-05 client a 4000 3 1", "04-06 Depot refund 500 2 1"}));
    ExpectSound();

    for (const auto& [wrong, refusal] :
         {std::pair{ImportChoices{9, 0, 0, {}}, "There is no folder 9."},
          {ImportChoices{0, 0, 0, {{"x", 4}}}, "There is no expense or income account 4"}}) {
        EXPECT_EQ(Import(csv, wrong).result, kvl::ChangeResult::Refused);
        EXPECT_TRUE(messages.shown.back().text.startsWith(refusal));
    }
}

TEST_F(StatementImportTest, DuplicatesAreCountedByOccurrence) {
    const ImportChoices choices{1, 7, 2, {}};
    // One Shell purchase of 12.00 on 2 March is booked: of three equal lines two are new; the two
    // bakery purchases of one day are both genuine.
    const QByteArray march = head_ +
                             "2026-03-02,SHELL OIL 0423,-12.00\n2026-03-02,Shell Oil,-12\n"
                             "2026-03-02,shell oil,-12.00\n2026-03-05,Bakery,-3.50\n"
                             "2026-03-05,Bakery,-3.50\n2026-03-06,Client,100\n";
    kvl::StatementOutcome o = Import(march, choices);
    EXPECT_TRUE(o.result == kvl::ChangeResult::Done && o.expenses == 4 && o.incomes == 1 &&
                o.duplicates == 1);
    o = Import(march, choices);
    EXPECT_TRUE(o.expenses == 0 && o.incomes == 0 && o.duplicates == 6);
    // The next statement overlaps by a week.
    o = Import(head_ +
                   "2026-03-05,BAKERY,-3.5\n2026-03-05,Bakery,-3.50\n2026-03-06,Client,100\n"
                   "2026-03-11,Hardware,-8\n",
               choices);
    EXPECT_TRUE(o.expenses == 1 && o.incomes == 0 && o.duplicates == 3);
    const QStringList added = Added();
    EXPECT_EQ(added.size(), 6);
    EXPECT_EQ(added.filter("Bakery").size(), 2);
    EXPECT_EQ(added.last(), "03-06 Client 10000 2 1");  // not a payment import
    ExpectSound();
}

TEST_F(StatementImportTest, FailuresChangeNothing) {
    const ImportChoices choices{1, 7, 2, {}};
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(0));
    const kvl::StatementOutcome o = Import(head_ + "2026-03-02,A,-1\n2026-03-03,B,2\n", choices);
    xb::RemoveFaultPlan();
    EXPECT_EQ(o.result, kvl::ChangeResult::Failed);
    EXPECT_TRUE(messages.shown.back().text.startsWith("The statement could not be imported: "));
    EXPECT_TRUE(messages.shown.back().text.endsWith("\r\nNothing was imported."));
    for (const auto& [csv, refusal] :
         {std::pair<QByteArray, QString>{head_ + "2026-03-02,A,-1\n2026-03-33,B,2\n",
                                         "Cannot import s.csv: line 3: the date '2026-03-33'"},
          {head_ + "1950-03-02,A,-1\n",
           "Cannot import s.csv: line 2: the date 1950-03-02 lies outside the years 1966 to 2065"},
          {QByteArray("PK\x03\x04\0\0", 6), "Cannot import s.csv: it is neither an OFX"}}) {
        EXPECT_EQ(Import(csv, choices).result, kvl::ChangeResult::Refused);
        EXPECT_TRUE(messages.shown.back().text.startsWith(refusal)) << refusal.toStdString();
    }
    EXPECT_TRUE(Added().isEmpty());
    ExpectSound();
}

}  // namespace
