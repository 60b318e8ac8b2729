// Editing one expense or income record without a window: the defaults of a new record, the list
// entries, Save of a change and of a new record with "Add another", the conversions Save refuses,
// Delete with its pack, and what a refused append or a killed process leaves in the files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "EntryOpsFixture.h"
#include "data/Check.h"
#include "data/DbUtil.h"
#include "data/TableLayouts.h"
#include "engine/Files.h"
#include "entry/EntryEdit.h"
#include "entry/PickPage.h"

namespace {

using kvl::ExpenseFields;
using kvl::IncomeFields;
using kvl::SaveOutcome;

class EntryEditTest : public kvltest::EntryOpsTest {
  protected:
    void TearDown() override {
        xb::RemoveFaultPlan();
        EntryOpsTest::TearDown();
    }

    static ExpenseFields Typed(const QString& date, const QString& amount) {
        return {QStringLiteral("   1204"),
                date,
                QStringLiteral(" Hardware Store "),
                amount,
                QStringLiteral("nails"),
                {3},
                {2}};
    }

    bool TablesSound() const {
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path()))
            if (!c.ok()) return false;
        return true;
    }
};

TEST_F(EntryEditTest, NewRecordDefaults) {
    Charts({1}, {1});
    kvl::ExpenseBuffer.archived = true;
    EXPECT_FALSE(kvl::PrepareExpenseBuffer(4));
    const ExpenseFields e = kvl::ExpenseFieldsOf(kvl::ExpenseBuffer);
    EXPECT_EQ(e.checkNo, "0");
    EXPECT_EQ(e.date, " 6/15/26");
    EXPECT_EQ(e.amount, "     0.00");
    EXPECT_EQ(e.payTo, "");
    EXPECT_EQ(e.account, 0);
    EXPECT_EQ(e.folder, 4);
    kvl::IncomeBuffer.imported = true;
    EXPECT_FALSE(kvl::PrepareIncomeBuffer(-1));
    EXPECT_FALSE(kvl::IncomeBuffer.imported);
    EXPECT_EQ(kvl::IncomeFieldsOf(kvl::IncomeBuffer).folder, -1);
    // Account 0 and folder -1 match no entry: the first is chosen.
    EXPECT_EQ(kvl::AccountChoices(kvl::IncomeLedger(), 0).index, 0);
}

TEST_F(EntryEditTest, ChoicesShowStoredNumbersAndSkipDeletedFolders) {
    OpenCycleTables();
    EXPECT_TRUE(kvl::AccountChoices(kvl::IncomeLedger(), 1).empty());
    Charts({12, 3}, {5, 40}, /*deletedFolders=*/{7});
    const kvl::Choices accounts = kvl::AccountChoices(kvl::ExpenseLedger(), 12);
    EXPECT_EQ(accounts.texts.front(), "   3 - Expense 3" + QString(21, QLatin1Char(' ')));
    EXPECT_EQ(accounts.numbers, (QList<int>{3, 12}));
    EXPECT_EQ(accounts.index, 1);
    const kvl::Choices folders = kvl::FolderChoices(7);
    EXPECT_EQ(folders.numbers, (QList<int>{5, 40}));
    EXPECT_EQ(folders.index, 0);
}

TEST_F(EntryEditTest, ChangeRewritesTheWholeRecordAndNamesIt) {
    Charts({1, 3}, {1, 2});
    Expense(QDate(2026, 1, 1), 1, 1);
    const long r = Expense(QDate(2026, 1, 2), 9, 8, 5, /*archived=*/true);
    kvl::CurrentExpenseRecord = static_cast<int>(r);
    ASSERT_TRUE(kvl::PrepareExpenseBuffer(-1));
    EXPECT_EQ(kvl::SaveExpense(Typed(QStringLiteral("03/04/26"), QStringLiteral("   -12.50"))),
              SaveOutcome::Closed);
    EXPECT_EQ(kvl::CurrentExpenseRecord, r);
    EXPECT_TRUE(messages.shown.empty());
    const kvl::ExpenseRecord e = Read('E').at(r - 1).expense;
    EXPECT_EQ(e.checkNo, 1204);
    EXPECT_EQ(e.date, QDate(2026, 3, 4));
    EXPECT_EQ(e.payTo.trimmed(), "Hardware Store");
    EXPECT_DOUBLE_EQ(e.amount, -12.5);
    EXPECT_EQ(e.memo.trimmed(), "nails");
    EXPECT_EQ(e.account, 3);
    EXPECT_EQ(e.folder, 2);
    EXPECT_FALSE(e.archived);
    EXPECT_TRUE(TablesSound());
}

TEST_F(EntryEditTest, AnImportedIncomeRecordStaysImported) {
    Charts({1}, {1});
    const long r = Income(QDate(2026, 1, 2), 1, 1, 40, /*imported=*/true, /*archived=*/true);
    kvl::CurrentIncomeRecord = static_cast<int>(r);
    ASSERT_TRUE(kvl::PrepareIncomeBuffer(-1));
    IncomeFields f = kvl::IncomeFieldsOf(kvl::IncomeBuffer);
    f.description = QStringLiteral("Paid in full");
    EXPECT_EQ(kvl::SaveIncome(f), SaveOutcome::Closed);
    const kvl::IncomeRecord i = Read('I').at(r - 1).income;
    EXPECT_TRUE(i.imported);
    EXPECT_FALSE(i.archived);
    EXPECT_EQ(i.description.trimmed(), "Paid in full");
}

TEST_F(EntryEditTest, AddAnotherKeepsAllButCheckNumberAndAmount) {
    Charts({3}, {2});
    kvl::PrepareExpenseBuffer(2);
    messages.answers = {kvl::MsgAnswer::Yes, kvl::MsgAnswer::No};
    EXPECT_EQ(kvl::SaveExpense(Typed(QStringLiteral("03/04/26"), QStringLiteral("    99.10"))),
              SaveOutcome::Another);
    EXPECT_EQ(kvl::CurrentExpenseRecord, 0);
    const ExpenseFields next = kvl::ExpenseFieldsOf(kvl::ExpenseBuffer);
    EXPECT_EQ(next.checkNo, "0");
    EXPECT_EQ(next.amount, "     0.00");
    EXPECT_EQ(next.date, " 3/ 4/26");
    EXPECT_EQ(next.payTo, "Hardware Store");
    EXPECT_EQ(next.memo, "nails");
    EXPECT_EQ(next.account, 3);
    EXPECT_EQ(next.folder, 2);
    EXPECT_EQ(kvl::SaveExpense(next), SaveOutcome::Closed);
    EXPECT_EQ(Texts(), (std::vector<std::string>(2, "Add another expense record?")));
    EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::Confirmation);
    EXPECT_EQ(kvl::CurrentExpenseRecord, 2);
    const auto rows = Read('E');
    ASSERT_EQ(rows.size(), 2);
    EXPECT_DOUBLE_EQ(rows[0].expense.amount, 99.1);
    EXPECT_EQ(rows[1].expense.checkNo, 0);
    EXPECT_EQ(rows[1].expense.payTo.trimmed(), "Hardware Store");

    kvl::PrepareIncomeBuffer(2);
    messages.answers = {kvl::MsgAnswer::Yes};
    IncomeFields income{QStringLiteral("03/04/26"),
                        QStringLiteral("   250.00"),
                        QStringLiteral("Mowing"),
                        {3},
                        {2}};
    EXPECT_EQ(kvl::SaveIncome(income), SaveOutcome::Another);
    const IncomeFields again = kvl::IncomeFieldsOf(kvl::IncomeBuffer);
    EXPECT_EQ(again.amount, "     0.00");
    EXPECT_EQ(again.description, "Mowing");
    EXPECT_EQ(again.date, " 3/ 4/26");
    EXPECT_EQ(messages.shown.back().text, "Add another income record?");
}

TEST_F(EntryEditTest, SaveRefusesWhatDoesNotConvertOrFit) {
    Charts({3}, {2});
    const ExpenseFields good = Typed(QStringLiteral("03/04/26"), QStringLiteral("999999.99"));
    ExpenseFields noCheck = good, badDate = good, tooLarge = good, signs = good, noAccount = good,
                  negativeTooLarge = good;
    noCheck.checkNo = QStringLiteral("        ");
    badDate.date = QStringLiteral("02/30/26");
    tooLarge.amount = QStringLiteral("1000000.00");
    negativeTooLarge.amount = QStringLiteral("-100000.00");
    signs.amount = QStringLiteral("  12-3.00");
    noAccount.account.reset();
    for (const ExpenseFields& f :
         {noCheck, badDate, tooLarge, negativeTooLarge, signs, noAccount}) {
        messages.shown.clear();
        kvl::PrepareExpenseBuffer(2);
        EXPECT_EQ(kvl::SaveExpense(f), SaveOutcome::Refused) << f.amount.toStdString();
        EXPECT_EQ(Texts(), std::vector<std::string>{kvl::kConversionError.toStdString()});
        EXPECT_EQ(messages.shown.front().kind, kvl::MsgKind::Warning);
    }
    EXPECT_TRUE(Read('E').isEmpty());
    messages.answers = {kvl::MsgAnswer::No};
    EXPECT_EQ(kvl::SaveExpense(good), SaveOutcome::Closed);
    EXPECT_DOUBLE_EQ(Read('E').at(0).expense.amount, 999999.99);
    EXPECT_FALSE(kvl::AmountFits(-99999.995));
    EXPECT_TRUE(kvl::AmountFits(-99999.994));
}

TEST_F(EntryEditTest, DatesInTheCenturyWindowAndTheLocalesOrder) {
    Charts({3}, {2});
    const struct {
        const char* locale;
        const char* text;
        QDate stored;
    } cases[] = {{"en_US", "01/05/65", QDate(2065, 1, 5)},
                 {"en_US", "01/05/66", QDate(1966, 1, 5)},
                 {"en_GB", "05/01/65", QDate(2065, 1, 5)},
                 {"de_DE", "05.01.66", QDate(1966, 1, 5)}};
    for (const auto& c : cases) {
        kvl::SetRegional(QLocale(QString::fromLatin1(c.locale)));
        kvl::PrepareIncomeBuffer(2);
        messages.answers = {kvl::MsgAnswer::No};
        IncomeFields f = kvl::IncomeFieldsOf(kvl::IncomeBuffer);
        f.date = QString::fromLatin1(c.text);
        f.amount = kvl::RegionalSettings().decimalPoint == QLatin1Char(',')
                       ? QStringLiteral("    12,34")
                       : QStringLiteral("    12.34");
        f.account = 3;
        f.folder = 2;
        ASSERT_EQ(kvl::SaveIncome(f), SaveOutcome::Closed) << c.locale;
        d4go(kvl::dbIncome, kvl::CurrentIncomeRecord);
        EXPECT_EQ(QString::fromLatin1(f4str(kvl::fIncDate)), kvl::DateToKey(c.stored));
        EXPECT_DOUBLE_EQ(Read('I').back().income.amount, 12.34);
    }
    kvl::SetRegional(QLocale(QStringLiteral("en_US")));
    messages.shown.clear();
    IncomeFields leap = kvl::IncomeFieldsOf(kvl::IncomeBuffer);
    leap.date = QStringLiteral("02/29/26");
    EXPECT_EQ(kvl::SaveIncome(leap), SaveOutcome::Refused);
}

TEST_F(EntryEditTest, DeletePacksAtOnceAndTheListEndsOnTheLastRecord) {
    Charts({1}, {1});
    for (int d = 1; d <= 12; ++d) Expense(QDate(2026, 1, d), 1, 1);
    kvl::CurrentExpenseRecord = 5;
    ASSERT_TRUE(kvl::PrepareExpenseBuffer(-1));
    kvl::DeleteEntry(kvl::ExpenseLedger());
    EXPECT_EQ(kvl::CurrentExpenseRecord, 0);
    ASSERT_NE(kvl::dbExpenses, nullptr);
    EXPECT_EQ(d4recCountDo(kvl::dbExpenses), 11);
    kvl::PickPage page;
    page.Build(kvl::ExpenseLedger(), -1, kvl::CurrentExpenseRecord);
    int highlighted;
    const auto rows = page.FillPage(kvl::ExpenseLedger(), &highlighted);
    EXPECT_EQ(rows.size(), 10);
    EXPECT_EQ(highlighted, 9);
    EXPECT_EQ(rows.back().record, 11);
    code4close(kvl::cb);
    EXPECT_TRUE(TablesSound());
    const auto stored = Read('E');
    ASSERT_EQ(stored.size(), 11);
    EXPECT_EQ(stored[4].expense.date, QDate(2026, 1, 6));
}

TEST_F(EntryEditTest, ARefusedAppendSaysSoAndWritesNothing) {
    Charts({3}, {2});
    kvl::PrepareExpenseBuffer(2);
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(0));
    EXPECT_EQ(kvl::SaveExpense(Typed(QStringLiteral("03/04/26"), QStringLiteral("     1.00"))),
              SaveOutcome::Refused);
    xb::RemoveFaultPlan();
    EXPECT_EQ(Texts(), std::vector<std::string>{kvl::kAddRefused.toStdString()});
    EXPECT_EQ(code4errorCode(kvl::cb, 0), 0);
    EXPECT_TRUE(Read('E').isEmpty());
    code4close(kvl::cb);
    EXPECT_TRUE(TablesSound());
}

// A child saves (or deletes) through the operations and is killed the moment the save returns; the
// record must be in the files, with sound tags, without any closing.
class KilledAfterTest : public EntryEditTest {
  protected:
    template <class Work>
    void KillAfter(Work work) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            work();
            ::kill(::getpid(), SIGKILL);
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    }
};

TEST_F(KilledAfterTest, SaveAndDeleteAreInTheFiles) {
    Charts({3}, {2});
    for (int d = 1; d <= 3; ++d) Expense(QDate(2026, 1, d), 3, 2);
    code4close(kvl::cb);
    OpenCycleTables();
    KillAfter([] {
        kvl::PrepareExpenseBuffer(2);
        kvl::SaveExpense(Typed(QStringLiteral("12/31/25"), QStringLiteral("    77.00")));
    });
    EXPECT_TRUE(TablesSound());
    auto rows = Read('E');
    ASSERT_EQ(rows.size(), 4);
    EXPECT_DOUBLE_EQ(rows[3].expense.amount, 77);
    KillAfter([] {
        kvl::CurrentExpenseRecord = 2;
        kvl::PrepareExpenseBuffer(-1);
        kvl::SaveExpense(Typed(QStringLiteral("01/09/26"), QStringLiteral("    55.00")));
    });
    EXPECT_TRUE(TablesSound());
    EXPECT_DOUBLE_EQ(Read('E').at(1).expense.amount, 55);
    KillAfter([] {
        kvl::CurrentExpenseRecord = 1;
        kvl::PrepareExpenseBuffer(-1);
        kvl::DeleteEntry(kvl::ExpenseLedger());
    });
    EXPECT_TRUE(TablesSound());
    rows = Read('E');
    ASSERT_EQ(rows.size(), 3);
    EXPECT_DOUBLE_EQ(rows[0].expense.amount, 55);
}

}  // namespace
