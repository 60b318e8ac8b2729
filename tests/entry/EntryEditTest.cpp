// Editing one expense or income record without a window: the defaults of a new record, the list
// entries, Save of a change and of a new record with "Add another", the conversions Save refuses,
// and what a refused append, a full disk at the index or a process killed after Save or Delete
// leaves in the files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "data/Check.h"
#include "data/DbUtil.h"
#include "data/Maintenance.h"
#include "engine/Files.h"
#include "entry/EntryEdit.h"
#include "entry/EntryOpsFixture.h"

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
                QStringLiteral(" Hardware "),
                amount,
                QStringLiteral("nails"),
                {3},
                {2}};
    }

    bool TablesSound() const {
        code4close(kvl::cb);
        bool sound = true;
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path())) sound = sound && c.ok();
        OpenCycleTables();
        return sound;
    }

    // Saves an expense dated `date`, new or over record `selection`, on a full disk with `budget`
    // bytes left, where a file removed frees its room when `removalsFree`.
    SaveOutcome SaveOnAFullDisk(int selection, const char* date, int64_t budget,
                                bool removalsFree = true) {
        messages.shown.clear();
        kvl::CurrentExpenseRecord = selection;
        kvl::PrepareExpenseBuffer(-1);
        xb::FaultPlan plan = xb::FaultPlan::FullDisk(budget);
        plan.removalsFree = removalsFree;
        xb::InstallFaultPlan(plan);
        struct Lift {
            ~Lift() { xb::RemoveFaultPlan(); }  // also when the program ends
        } lift;
        return kvl::SaveExpense(Typed(date, QStringLiteral("    12.00")));
    }

    // What a Save kept after its index could not be written shows: the reason, the indexes
    // rebuilt, the books sound.
    void ExpectKeptWithNewIndexes() {
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::Warning);
        EXPECT_TRUE(messages.shown[0].text.contains(std::strerror(ENOSPC)));
        EXPECT_TRUE(messages.shown[0].text.endsWith(kvl::kIndexesRebuilt));
        EXPECT_TRUE(TablesSound());
    }
};

TEST_F(EntryEditTest, NewRecordDefaultsAndListEntries) {
    Charts({12, 3}, /*deleted=*/{7});
    kvl::IncomeBuffer.imported = true;
    EXPECT_FALSE(kvl::PrepareIncomeBuffer(7));
    EXPECT_FALSE(kvl::IncomeBuffer.imported);
    EXPECT_EQ(kvl::IncomeBuffer.folder, 7);
    // Account 0 and the deleted folder 7 match no entry: the first entry is chosen.
    const kvl::Choices accounts = kvl::AccountChoices(kvl::ExpenseLedger(), 0);
    EXPECT_EQ(accounts.texts.front(), "   3 - " + QString("Expense 3").leftJustified(30));
    EXPECT_EQ(accounts.numbers, (QList<int>{3, 12}));
    EXPECT_EQ(accounts.index, 0);
    EXPECT_EQ(kvl::AccountChoices(kvl::IncomeLedger(), 12).index, 1);
    const kvl::Choices folders = kvl::FolderChoices(7);
    EXPECT_EQ(folders.numbers, (QList<int>{3, 12}));
    EXPECT_EQ(folders.index, 0);
}

TEST_F(EntryEditTest, ChangeRewritesTheWholeRecordAndKeepsImported) {
    Charts({1, 3});
    Expense(QDate(2026, 1, 1), 1);
    const long r = Expense(QDate(2026, 1, 2), 8, /*archived=*/true);
    kvl::CurrentExpenseRecord = static_cast<int>(r);
    ASSERT_TRUE(kvl::PrepareExpenseBuffer(-1));
    EXPECT_EQ(kvl::SaveExpense(Typed(QStringLiteral(" 3/ 4/26"), QStringLiteral("   -12.50"))),
              SaveOutcome::Closed);
    EXPECT_EQ(kvl::CurrentExpenseRecord, r);
    const kvl::ExpenseRecord e = Expenses().at(r - 1);
    EXPECT_EQ(e.checkNo, 1204);
    EXPECT_EQ(e.date, QDate(2026, 3, 4));
    EXPECT_EQ(e.payTo.trimmed(), "Hardware");
    EXPECT_DOUBLE_EQ(e.amount, -12.5);
    EXPECT_EQ(e.memo.trimmed(), "nails");
    EXPECT_EQ(std::make_pair(e.account, e.folder), std::make_pair(3, 2));
    EXPECT_FALSE(e.archived);

    kvl::CurrentIncomeRecord = static_cast<int>(Income(QDate(2026, 1, 2), 1, /*imported=*/true));
    ASSERT_TRUE(kvl::PrepareIncomeBuffer(-1));
    EXPECT_EQ(kvl::SaveIncome(kvl::IncomeFieldsOf(kvl::IncomeBuffer)), SaveOutcome::Closed);
    EXPECT_TRUE(Incomes().front().imported);
    EXPECT_FALSE(Incomes().front().archived);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(TablesSound());
}

TEST_F(EntryEditTest, AddAnotherKeepsAllButCheckNumberAndAmount) {
    Charts({3, 2});
    kvl::PrepareExpenseBuffer(2);
    messages.answers = {kvl::MsgAnswer::Yes, kvl::MsgAnswer::No, kvl::MsgAnswer::Yes};
    EXPECT_EQ(kvl::SaveExpense(Typed(QStringLiteral(" 3/ 4/26"), QStringLiteral("    99.10"))),
              SaveOutcome::Another);
    EXPECT_EQ(kvl::CurrentExpenseRecord, 0);
    const ExpenseFields next = kvl::ExpenseFieldsOf(kvl::ExpenseBuffer);
    EXPECT_EQ(QStringList({next.checkNo, next.amount, next.date, next.payTo, next.memo}),
              QStringList({"0", "     0.00", " 3/ 4/26", "Hardware", "nails"}));
    EXPECT_EQ(std::make_pair(*next.account, *next.folder), std::make_pair(3, 2));
    EXPECT_EQ(kvl::SaveExpense(next), SaveOutcome::Closed);
    EXPECT_EQ(kvl::CurrentExpenseRecord, 2);
    EXPECT_EQ(Texts(), (std::vector<std::string>(2, "Add another expense record?")));
    EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::Confirmation);
    const auto rows = Expenses();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_DOUBLE_EQ(rows[0].amount, 99.1);
    EXPECT_EQ(rows[1].payTo.trimmed(), "Hardware");

    kvl::PrepareIncomeBuffer(2);
    EXPECT_EQ(kvl::SaveIncome({" 3/ 4/26", "   250.00", "Mowing", {3}, {2}}), SaveOutcome::Another);
    EXPECT_EQ(kvl::IncomeFieldsOf(kvl::IncomeBuffer).amount, "     0.00");
    EXPECT_EQ(kvl::IncomeBuffer.description, "Mowing");
    EXPECT_EQ(messages.shown.back().text, "Add another income record?");
}

TEST_F(EntryEditTest, SaveRefusesWhatDoesNotConvertOrFit) {
    Charts({3, 2});
    const ExpenseFields good = Typed(QStringLiteral(" 3/ 4/26"), QStringLiteral("999999.99"));
    std::vector<ExpenseFields> bad(6, good);
    bad[0].checkNo = QStringLiteral("        ");
    bad[1].date = QStringLiteral(" 2/30/26");
    bad[2].amount = QStringLiteral("1000000.00");  // N 9.2 holds 999999.99 at most
    bad[3].amount = QStringLiteral("-100000.00");  // and -99999.99 at least
    bad[4].amount = QStringLiteral("  12-3.00");
    bad[5].account.reset();
    for (const ExpenseFields& f : bad) {
        messages.shown.clear();
        kvl::PrepareExpenseBuffer(2);
        EXPECT_EQ(kvl::SaveExpense(f), SaveOutcome::Refused) << f.amount.toStdString();
        EXPECT_EQ(Texts(), std::vector<std::string>{kvl::kConversionError.toStdString()});
        EXPECT_EQ(messages.shown.front().kind, kvl::MsgKind::Warning);
    }
    EXPECT_TRUE(Expenses().isEmpty());
    messages.answers = {kvl::MsgAnswer::No};
    EXPECT_EQ(kvl::SaveExpense(good), SaveOutcome::Closed);
    EXPECT_DOUBLE_EQ(Expenses().at(0).amount, 999999.99);
}

TEST_F(EntryEditTest, DatesInTheCenturyWindowAndTheLocalesOrder) {
    Charts({3, 2});
    const struct {
        const char *locale, *text, *amount;
        QDate stored;
    } cases[] = {{"en_US", "01/05/65", "12.34", QDate(2065, 1, 5)},
                 {"en_US", "01/05/66", "12.34", QDate(1966, 1, 5)},
                 {"en_GB", "05/01/65", "12.34", QDate(2065, 1, 5)},
                 {"de_DE", "05.01.66", "12,34", QDate(1966, 1, 5)}};
    for (const auto& c : cases) {
        kvl::SetRegional(QLocale(QString::fromLatin1(c.locale)));
        kvl::PrepareIncomeBuffer(2);
        messages.answers = {kvl::MsgAnswer::No};
        ASSERT_EQ(kvl::SaveIncome({c.text, c.amount, {}, {3}, {2}}), SaveOutcome::Closed);
        (void)d4go(kvl::dbIncome, kvl::CurrentIncomeRecord);
        EXPECT_EQ(QString::fromLatin1(f4str(kvl::fIncDate)), kvl::DateToKey(c.stored)) << c.text;
        EXPECT_DOUBLE_EQ(Incomes().back().amount, 12.34);
    }
}

TEST_F(EntryEditTest, ARefusedAppendSaysSoWritesNothingAndTheNextSaveAddsOnce) {
    Charts({3, 2});
    kvl::PrepareExpenseBuffer(2);
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(0));
    EXPECT_EQ(kvl::SaveExpense(Typed(QStringLiteral(" 3/ 4/26"), QStringLiteral("     1.00"))),
              SaveOutcome::Refused);
    xb::RemoveFaultPlan();
    EXPECT_EQ(Texts(), std::vector<std::string>{kvl::kAddRefused.toStdString()});
    EXPECT_EQ(code4errorCode(kvl::cb, 0), 0);
    EXPECT_TRUE(Expenses().isEmpty());
    EXPECT_TRUE(TablesSound());
    EXPECT_EQ(kvl::SaveExpense(Typed(QStringLiteral(" 3/ 4/26"), QStringLiteral("     1.00"))),
              SaveOutcome::Closed);
    EXPECT_EQ(Expenses().size(), 1);
}

// A full disk at the index, after the record reached the table. Appended in date order, 67
// expenses leave each tag's last leaf full (44 keys a page), so a later date needs a new page,
// and the indexes built afresh need no more room than the old ones took: the Save is kept. With
// 89 expenses built afresh every leaf is full: an edit moving a date from one leaf into the other
// wants a page (its record is rewritten in place) and is kept; an added record wants a page in
// the indexes built afresh too, and with no room for that Save ends the program, whose next start
// mends them.
TEST_F(EntryEditTest, AFullDiskAtTheIndexKeepsTheSaveAndTellsWhy) {
    Charts({3, 2});
    for (int d = 0; d < 67; ++d) Expense(QDate(2024, 1, 1).addDays(d), 2);
    OpenCycleTables();  // every page on the disk, as Save leaves it
    const int64_t record = d4recordImage(kvl::dbExpenses).size();
    EXPECT_EQ(SaveOnAFullDisk(0, " 6/ 1/25", record), SaveOutcome::Closed);
    ExpectKeptWithNewIndexes();
    ASSERT_EQ(Expenses().size(), 68);
    EXPECT_EQ(Expenses().back().date, QDate(2025, 6, 1));

    for (int d = 68; d < 89; ++d) Expense(QDate(2024, 1, 1).addDays(d), 2);
    code4close(kvl::cb);
    kvl::RebuildTableIndex(kvl::ExpenseLayout());
    OpenCycleTables();
    EXPECT_EQ(SaveOnAFullDisk(5, " 6/ 2/25", 0), SaveOutcome::Closed);
    ExpectKeptWithNewIndexes();
    EXPECT_EQ(Expenses().at(4).date, QDate(2025, 6, 2));

    EXPECT_THROW(SaveOnAFullDisk(0, " 6/ 3/25", record, false), kvl::ProgramEnded);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains("could not be rebuilt"));
    code4close(kvl::cb);
    code4errorCode(kvl::cb, 0);
    kvl::RebuildIndexes(true);
    EXPECT_TRUE(TablesSound());
    ASSERT_EQ(Expenses().size(), 90);
    EXPECT_EQ(Expenses().back().date, QDate(2025, 6, 3));
}

// A child saves or deletes through the operations and is killed the moment that returns, without
// closing anything: the record must be in the files, with sound tags.
TEST_F(EntryEditTest, NothingAcknowledgedIsLostToAKill) {
    Charts({3, 2});
    for (int d = 1; d <= 3; ++d) Expense(QDate(2026, 1, d), 2);
    // The parent holds no table open while the child writes.
    auto killedAfter = [](const std::function<void()>& work) {
        code4close(kvl::cb);
        const pid_t child = ::fork();
        if (child == 0) {
            try {
                OpenCycleTables();
                work();
            } catch (...) {
                ::_exit(3);
            }
            ::kill(::getpid(), SIGKILL);
            ::_exit(3);
        }
        int status = 0;
        const bool killed =
            child > 0 && ::waitpid(child, &status, 0) == child && WIFSIGNALED(status);
        OpenCycleTables();
        return killed;
    };
    ASSERT_TRUE(killedAfter([] {
        kvl::PrepareExpenseBuffer(2);
        kvl::SaveExpense(Typed(QStringLiteral("12/31/25"), QStringLiteral("    77.00")));
    }));
    EXPECT_TRUE(TablesSound());
    ASSERT_EQ(Expenses().size(), 4);
    EXPECT_DOUBLE_EQ(Expenses().at(3).amount, 77);
    ASSERT_TRUE(killedAfter([] {
        kvl::CurrentExpenseRecord = 2;
        kvl::PrepareExpenseBuffer(-1);
        kvl::SaveExpense(Typed(QStringLiteral(" 1/ 9/26"), QStringLiteral("    55.00")));
    }));
    EXPECT_TRUE(TablesSound());
    EXPECT_DOUBLE_EQ(Expenses().at(1).amount, 55);
    ASSERT_TRUE(killedAfter([] {
        kvl::CurrentExpenseRecord = 1;
        kvl::PrepareExpenseBuffer(-1);
        kvl::DeleteEntry(kvl::ExpenseLedger());
    }));
    EXPECT_TRUE(TablesSound());
    ASSERT_EQ(Expenses().size(), 3);
    EXPECT_DOUBLE_EQ(Expenses().at(0).amount, 55);
}

}  // namespace
