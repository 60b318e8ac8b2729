// A staged change that only appends: both tables take the records in place, and an edit that gives
// up, or a writer that died with its undo record left, leaves the tables byte for byte as before
// with sound tags.
#include <QFile>

#include "data/AppendUndo.h"
#include "data/Check.h"
#include "data/Replacement.h"
#include "data/StagedChange.h"
#include "data/Support.h"

namespace {

class StagedAppendTest : public kvltest::DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet(true);
        before_ = Files();
    }

    QByteArray Files() {
        QByteArray all;
        for (const char* name : {"EXP5.dbf", "INC5.dbf"}) {
            QFile f(QString::fromStdString(file(name)));
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            all += f.readAll();
        }
        return all;
    }

    // Appends n expenses and n income records to the tables as bound now.
    void Append(int n) {
        for (int i = 0; i < n; ++i) {
            AddExpense(QDate(2026, 5, i + 1), 1, 1, 10 + i, "Appended");
            ASSERT_EQ(d4appendBlank(kvl::dbIncome), 0);
            kvl::IncomeBuffer = {1, QDate(2026, 5, i + 1), "Appended", 5.0 + i, 1, false, false};
            kvl::StoreIncomeRecord();
        }
    }

    void ExpectAsBefore() {
        EXPECT_EQ(Files(), before_);
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path()))
            EXPECT_TRUE(c.ok()) << c.table;
        EXPECT_FALSE(kvltest::Exists(file(kvl::kStagingDir)));
    }

    const std::vector<kvl::StagedTable> both_{kvl::StagedTable::Expenses, kvl::StagedTable::Income};
    QByteArray before_;
};

TEST_F(StagedAppendTest, AppendsInPlaceOrTakesItAllBack) {
    QString why;
    kvl::OpenExpenses();
    kvl::OpenIncome();
    const long expenses = d4recCountDo(kvl::dbExpenses);
    EXPECT_FALSE(kvl::ChangeStaged(
        both_, [&] { return Append(3), false; }, &why, kvl::StagedEdit::AppendOnly));
    EXPECT_EQ(d4recCountDo(kvl::dbExpenses), expenses);  // open again, as before
    code4close(kvl::cb);
    ExpectAsBefore();

    kvl::OpenExpenses();
    kvl::OpenIncome();
    EXPECT_TRUE(kvl::ChangeStaged(
        both_, [&] { return Append(2), true; }, &why, kvl::StagedEdit::AppendOnly));
    EXPECT_EQ(d4recCountDo(kvl::dbExpenses), expenses + 2);
    EXPECT_EQ(d4seek(kvl::dbExpenses, "20260502"), r4success);
    code4close(kvl::cb);
    for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path())) EXPECT_TRUE(c.ok()) << c.table;
}

TEST_F(StagedAppendTest, TheNextStartTakesBackWhatADeadWriterLeft) {
    QString why;
    kvl::AppendUndo undo;
    ASSERT_TRUE(undo.begin({&kvl::ExpenseLayout(), &kvl::IncomeLayout()}, &why));
    kvl::OpenExpenses();
    kvl::OpenIncome();
    Append(4);
    ASSERT_EQ(code4close(kvl::cb), 0);  // as a writer killed after its last record leaves them
    ASSERT_TRUE(kvl::FinishInterruptedReplacement("."));
    ExpectAsBefore();
}

}  // namespace
