// Editing one expense or income record without a window: the defaults of a new record, the list
// entries, Save of a change and of a new record with "Add another", the conversions Save refuses,
// and what a refused append or a process killed after Save or Delete leaves in the files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "EntryOpsFixture.h"
#include "data/Check.h"
#include "data/DbUtil.h"
#include "data/Maintenance.h"
#include "engine/Files.h"
#include "entry/EntryEdit.h"

namespace {

namespace fs = std::filesystem;
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

    // Keeps a copy of the data directory's files, to start again from them.
    void Keep() const {
        code4close(kvl::cb);
        fs::create_directory(kept_.path() + "/files");
        for (const auto& e : fs::directory_iterator(dir_.path()))
            fs::copy_file(e.path(), kept_.path() + "/files/" + e.path().filename().string(),
                          fs::copy_options::overwrite_existing);
        OpenCycleTables();
    }
    void Restore() const {
        code4close(kvl::cb);
        for (const auto& e : fs::directory_iterator(dir_.path())) fs::remove_all(e.path());
        for (const auto& e : fs::directory_iterator(kept_.path() + "/files"))
            fs::copy_file(e.path(), dir_.path() + "/" + e.path().filename().string());
        OpenCycleTables();
    }

    // Saves a record dated 1 June 2025, new (selection 0) or over record `selection`, on a full
    // disk with `budget` bytes left, where a file removed frees its room. Whatever the budget, the
    // books must end sound and as the user is told: a refused Save leaves them as they were and
    // the next Save with room adds the record once; a record that reached the table stays, once.
    // Returns 'R' refused, 'W' saved with a warning (the failure came after the record), 'S' saved
    // plainly.
    char SaveOnAFullDisk(bool income, int selection, int64_t budget) {
        SCOPED_TRACE("budget " + std::to_string(budget) + " record " + std::to_string(selection));
        const auto dates = [income] {
            QList<QDate> out;
            if (income)
                for (const kvl::IncomeRecord& r : Incomes()) out << r.date;
            else
                for (const kvl::ExpenseRecord& r : Expenses()) out << r.date;
            return out;
        };
        const QList<QDate> before = dates();
        const auto save = [&] {
            if (income) {
                kvl::CurrentIncomeRecord = selection;
                kvl::PrepareIncomeBuffer(-1);
                return kvl::SaveIncome({" 6/ 1/25", "    12.00", "Fee", {3}, {2}});
            }
            kvl::CurrentExpenseRecord = selection;
            kvl::PrepareExpenseBuffer(-1);
            return kvl::SaveExpense(Typed(QStringLiteral(" 6/ 1/25"), QStringLiteral("    12.00")));
        };
        messages.shown.clear();
        xb::FaultPlan plan = xb::FaultPlan::FullDisk(budget);
        plan.removalsFree = true;
        xb::InstallFaultPlan(plan);
        const SaveOutcome outcome = save();
        xb::RemoveFaultPlan();
        EXPECT_TRUE(TablesSound());
        EXPECT_EQ(code4errorCode(kvl::cb, 0), 0);
        const bool warned =
            !messages.shown.empty() && messages.shown[0].kind == kvl::MsgKind::Warning;
        // Here a failure after the record is one at the index, so the indexes were rebuilt.
        if (warned && outcome != SaveOutcome::Refused) {
            EXPECT_TRUE(messages.shown[0].text.contains(std::strerror(ENOSPC)));
            EXPECT_TRUE(messages.shown[0].text.endsWith(kvl::kIndexesRebuilt));
        }
        if (outcome == SaveOutcome::Refused) {
            EXPECT_EQ(Texts(), std::vector<std::string>{kvl::kAddRefused.toStdString()});
            EXPECT_EQ(dates(), before);
            EXPECT_NE(save(), SaveOutcome::Refused);
        }
        QList<QDate> after = before;
        if (selection)
            after[selection - 1] = QDate(2025, 6, 1);
        else
            after << QDate(2025, 6, 1);
        EXPECT_EQ(dates(), after);
        return outcome == SaveOutcome::Refused ? 'R' : warned ? 'W' : 'S';
    }

    kvltest::TempDir kept_;
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
        d4go(kvl::dbIncome, kvl::CurrentIncomeRecord);
        EXPECT_EQ(QString::fromLatin1(f4str(kvl::fIncDate)), kvl::DateToKey(c.stored)) << c.text;
        EXPECT_DOUBLE_EQ(Incomes().back().amount, 12.34);
    }
}

TEST_F(EntryEditTest, ARefusedAppendSaysSoAndWritesNothing) {
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
}

// Records appended in date order grow each tag by splitting its last leaf, which is full again at
// 67 expenses (44 keys of 12 bytes a page) and at 82 income records (54 keys of 8 bytes): a record
// dated after them all then needs a new index page, and the index built afresh with it needs no
// more room than the old one took. A full disk before the record refuses the Save; one at the
// index keeps the record, rebuilds the indexes and says so; with room for both the Save is plain.
TEST_F(EntryEditTest, AFullDiskAnywhereInSaveLeavesTheBooksAsTheUserIsTold) {
    Charts({3, 2});
    for (int d = 0; d < 82; ++d) {
        if (d < 67) Expense(QDate(2024, 1, 1).addDays(d), 2);
        Income(QDate(2024, 1, 1).addDays(d), 2, false);
    }
    Keep();
    const int64_t expense = d4recordImage(kvl::dbExpenses).size();
    const int64_t income = d4recordImage(kvl::dbIncome).size();
    std::string kinds;
    for (int64_t budget : {int64_t{0}, expense - 1, expense, expense + 512, expense + 4096}) {
        Restore();
        kinds += SaveOnAFullDisk(false, 0, budget);
    }
    for (int64_t budget : {int64_t{0}, income, income + 4096}) {
        Restore();
        kinds += SaveOnAFullDisk(true, 0, budget);
    }
    EXPECT_EQ(kinds, "RRWWSRWS");
}

// In an index built afresh from 89 expenses, both leaves are full. An edit rewrites its record in
// place, so only its index can want room: a date moved from one leaf into the other. A record
// added needs a new page there, and so does the index built afresh with it: with no room for
// that, Save says so and ends the program; the record is in the table, and the next start
// rebuilds the indexes once there is room.
TEST_F(EntryEditTest, AnEditKeepsItsChangeAndIndexesWithoutRoomEndTheProgram) {
    Charts({3, 2});
    for (int d = 0; d < 89; ++d) Expense(QDate(2024, 1, 1).addDays(d), 2);
    code4close(kvl::cb);
    kvl::RebuildTableIndex(kvl::ExpenseLayout());
    Keep();
    std::string kinds(1, SaveOnAFullDisk(false, 5, 0));
    Restore();
    kinds += SaveOnAFullDisk(false, 5, 4096);
    EXPECT_EQ(kinds, "WS");

    Restore();
    messages.shown.clear();
    kvl::CurrentExpenseRecord = 0;
    kvl::PrepareExpenseBuffer(2);
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(d4recordImage(kvl::dbExpenses).size()));
    EXPECT_THROW(kvl::SaveExpense(Typed(QStringLiteral(" 6/ 1/25"), QStringLiteral("    12.00"))),
                 kvl::ProgramEnded);
    xb::RemoveFaultPlan();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::Error);
    EXPECT_TRUE(messages.shown[0].text.contains("could not be rebuilt"));
    code4close(kvl::cb);
    code4errorCode(kvl::cb, 0);
    kvl::RebuildIndexes(true);
    EXPECT_TRUE(TablesSound());
    ASSERT_EQ(Expenses().size(), 90);
    EXPECT_EQ(Expenses().back().date, QDate(2025, 6, 1));
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
