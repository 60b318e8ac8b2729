// Kills a rate change, a payment import, an archive or a de-archive, or a statement import at
// random moments: the books must be wholly before or wholly after the change.
//
// Each round, a child process starts as the program does and runs one change: a rate change that
// doubles one account's amounts in a period (or halves them back, which is exact), an import of
// one of two payment files over one range followed by the pack, an archive of one range over both
// tables (or its de-archive), or the import of the next of a series of bank statements, each with
// expenses and income. The parent kills it with SIGKILL after a random delay, runs the start-up,
// and requires every table sound, nothing staged, the account's amounts all as before or all
// changed (no other expense moved), the live imported income exactly the payments of the file
// imported before or of the one being imported, with the hand-entered income all there, the
// expenses and hand-entered income of the archive range all archived or none, and nothing outside
// it, and the statements imported so far each wholly there, the one being imported wholly or not
// at all. Rounds: KVL_TRANSFER_KILLS (default 150); KVL_TRANSFER_SEED.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QRegularExpression>
#include <map>
#include <random>
#include <set>

#include "Fixture.h"
#include "data/Maintenance.h"
#include "transfer/ArchiveOps.h"
#include "transfer/PmtImportOps.h"
#include "transfer/RateChangeOps.h"
#include "transfer/StmtImportOps.h"

namespace {

const QDate kFrom(2026, 1, 1), kThrough(2026, 12, 31);
const QDate kArchiveFrom(2026, 3, 1), kArchiveThrough(2026, 8, 31);

long EnvNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

long BaseCents(long id) {
    return 100 + (id * 7919) % 90000;
}

// Expenses with even ids belong to the account changed; ids are their record numbers.
bool Changed(long id) {
    return id % 2 == 0 && id % 380 >= 10;
}

constexpr long kExpenses = 300;
constexpr int kStatementExpenses = 40, kStatementIncome = 10;

// Statement n: its expenses and income in 2027, outside the other changes' ranges, each line's
// amount its own (the payees differ only in numbers, which the comparison ignores).
QByteArray StatementFile(int n) {
    QByteArray csv = "Date,Payee,Amount\n";
    for (int j = 1; j <= kStatementExpenses + kStatementIncome; ++j)
        csv += QString("2027-%1-%2,Stmt %3 line %4,%5\n")
                   .arg(n % 12 + 1, 2, 10, QChar('0'))
                   .arg(j % 28 + 1, 2, 10, QChar('0'))
                   .arg(n)
                   .arg(j)
                   .arg((j <= kStatementExpenses ? -1 : 1) * (n * 100 + j))
                   .toUtf8();
    return csv;
}

std::vector<kvltest::PaymentRow> Payments(char file) {
    std::vector<kvltest::PaymentRow> rows;
    for (int i = 1; i <= (file == 'A' ? 60 : 90); ++i)
        rows.push_back(
            {kFrom.addDays(i * 3 % 365), i * 1.25, file + std::to_string(i), i % 9 == 0});
    return rows;
}

class TransferKillTest : public kvltest::TransferTest {
  protected:
    void Populate() {
        kvl::OpenExpenses();
        for (long id = 1; id <= kExpenses; ++id)
            AddExpense(kFrom.addDays(id % 380 - 10), id % 2 == 0 ? 7 : 8, 1, BaseCents(id) / 100.0);
        kvl::OpenIncome();
        for (int i = 1; i <= 150; ++i) AddIncome(kFrom.addDays(i * 2), i, false, "Hand");
        kvl::OpenExpenseAccounts();
        AddAccount(9, "Statements");
        kvl::OpenIncomeAccounts();
        ASSERT_EQ(d4appendBlank(kvl::dbIncomeAccounts), 0);
        kvl::IncomeAccountBuffer = {3, "Statements", true};
        kvl::StoreIncomeAccountRecord();
        kvl::OpenFolders();
        ASSERT_EQ(d4appendBlank(kvl::dbFolders), 0);
        kvl::FolderBuffer = {1, "Folder"};
        kvl::StoreFolderRecord();
        code4close(kvl::cb);
        WritePayments(file("pmtA.dbf"), Payments('A'));
        WritePayments(file("pmtB.dbf"), Payments('B'));
    }

    static void ImportStatement(int n) {
        kvl::OpenStatementTables();
        const kvl::ChartNumbers charts = kvl::ReadChartNumbers();
        const QString path = QString("stmt%1.csv").arg(n);
        const auto statement = kvl::ReadStatementFile(path, path, {});
        if (!statement) return;
        std::vector<kvl::ImportLine> lines = kvl::MatchStatement(*statement);
        kvl::ProposeAccounts(lines, {1, 9, 3, {}}, charts);
        kvl::ImportStatement(lines, statement->format, charts, path);
    }

    // op 'R': the rate change (doubling when flip, else halving back); 'A': the archive (when
    // flip, else the de-archive); 'I': the import of pmt<file>.dbf; 'S': the import of statement
    // number statement.
    [[noreturn]] static void Child(char op, bool flip, char file, int statement) {
        try {
            kvl::cb = code4initP();
            kvl::RebuildIndexes(true);
            if (op == 'R') {
                kvl::OpenExpenseAccounts();
                kvl::OpenExpenses();
                const double from = flip ? 1 : 2;
                kvl::ApplyRateChange({from, 3 - from, kFrom, kThrough, 7});
            } else if (op == 'A') {
                kvl::ArchiveRange(flip, kArchiveFrom, kArchiveThrough);
            } else if (op == 'S') {
                ImportStatement(statement);
            } else {
                const auto payments = kvl::ReadPaymentFile(QString("pmt%1.dbf").arg(file));
                kvl::OpenIncome();
                if (payments &&
                    kvl::ImportPayments(*payments, {kFrom, kThrough, 3, 1}).packNeeded()) {
                    code4close(kvl::cb);
                    kvl::PackAll();
                }
            }
            code4close(kvl::cb);
            ::_exit(0);
        } catch (...) {
        }
        ::_exit(3);
    }

    // 0 first amounts, 1 doubled, -1 a mixture or another change.
    int RateState() {
        const std::vector<long> cents = Cents();
        int state = -2;
        for (long id = 1; id <= std::min(kExpenses, static_cast<long>(cents.size())); ++id) {
            const long base = BaseCents(id), now = cents[id - 1];
            const int s = !Changed(id) ? (now == base ? state : -1)
                                       : (now == base       ? 0
                                          : now == 2 * base ? 1
                                                            : -1);
            if (s == -1 || (state >= 0 && s != state)) return -1;
            state = s;
        }
        return state;
    }

    // 1 when the live expenses and hand-entered income of the archive range are all archived, 0
    // when none is, -1 for a mixture or a mark outside the range.
    int ArchiveState() {
        std::set<std::pair<bool, bool>> seen;  // (in the range, archived)
        const auto note = [&](const QDate& date, bool archived) {
            seen.insert({date >= kArchiveFrom && date <= kArchiveThrough, archived});
        };
        kvl::OpenExpenses();
        kvl::OpenIncome();
        for (long r = 1; r <= d4recCountDo(kvl::dbExpenses); ++r) {
            (void)d4go(kvl::dbExpenses, r);
            kvl::LoadExpenseRecord();
            if (!d4deleted(kvl::dbExpenses))
                note(kvl::ExpenseBuffer.date, kvl::ExpenseBuffer.archived);
        }
        for (long r = 1; r <= d4recCountDo(kvl::dbIncome); ++r) {
            (void)d4go(kvl::dbIncome, r);
            kvl::LoadIncomeRecord();
            if (!d4deleted(kvl::dbIncome) && !kvl::IncomeBuffer.imported)
                note(kvl::IncomeBuffer.date, kvl::IncomeBuffer.archived);
        }
        code4close(kvl::cb);
        const bool all = !seen.count({true, false}), none = !seen.count({true, true});
        return seen.count({false, true}) || all == none ? -1 : all;
    }

    // 'A' or 'B' for the payments of that file, '-' for none, '?' for anything else.
    char ImportState() {
        QStringList live = LiveIncome(), hand = live.filter(QRegularExpression("^Hand "));
        EXPECT_EQ(hand.size(), 150) << "hand-entered income lost";
        for (const QString& h : hand) live.removeOne(h);
        live = live.filter(QRegularExpression("^(?!Stmt )"));
        if (live.isEmpty()) return '-';
        live.sort();
        for (const char f : {'A', 'B'}) {
            QStringList want;
            for (const auto& p : Payments(f))
                want << QString("Payment on Invoice #%1 %2")
                            .arg(QString::fromStdString(p.invoice))
                            .arg(std::lround(p.amount * 100));
            want.sort();
            if (live == want) return f;
        }
        return '?';
    }

    // How many statements are wholly in the books (the first n), or -1 for a part of one.
    int StatementState() {
        std::map<int, std::pair<int, int>> seen;  // statement: expenses, income
        for (const bool income : {false, true}) {
            income ? kvl::OpenIncome() : kvl::OpenExpenses();
            DATA4* table = income ? kvl::dbIncome : kvl::dbExpenses;
            for (long r = income ? 1 : kExpenses + 1; r <= d4recCountDo(table); ++r) {
                (void)d4go(table, r);
                income ? kvl::LoadIncomeRecord() : kvl::LoadExpenseRecord();
                const QString text =
                    income ? kvl::IncomeBuffer.description : kvl::ExpenseBuffer.payTo;
                if (!text.startsWith("Stmt ") || d4deleted(table)) continue;
                const int n = text.section(' ', 1, 1).toInt();
                ++(income ? seen[n].second : seen[n].first);
            }
            code4close(kvl::cb);
        }
        int n = 0;
        for (const auto& [k, counts] : seen) {
            if (k != n + 1 || counts != std::pair{kStatementExpenses, kStatementIncome}) return -1;
            n = k;
        }
        return n;
    }
};

TEST_F(TransferKillTest, AKilledChangeLeavesTheBooksWhollyBeforeOrAfter) {
    Populate();
    const long rounds = EnvNumber("KVL_TRANSFER_KILLS", 150);
    std::mt19937_64 rng(static_cast<uint64_t>(EnvNumber("KVL_TRANSFER_SEED", 20260615)));
    int rate = 0, archived = 0, statements = 0;
    char imported = '-';
    long caughtStaging = 0, archivesDone = 0;
    for (long i = 0; i < rounds; ++i) {
        const char op = "RIAS"[rng() % 4];
        const char pmt = rng() % 2 ? 'A' : 'B';
        // An archive writes both tables: it takes longer than the others.
        const long delayUs = static_cast<long>(rng() % (op == 'A' ? 500000 : 120000));
        const char* what = op == 'R'   ? " rate change "
                           : op == 'I' ? " import "
                           : op == 'A' ? " archive "
                                       : " statement ";
        SCOPED_TRACE("round " + std::to_string(i) + what + (op == 'I' ? pmt : ' ') +
                     " killed after " + std::to_string(delayUs) + " us");
        if (op == 'S') {
            QFile csv(
                QString::fromStdString(file("stmt" + std::to_string(statements + 1) + ".csv")));
            ASSERT_TRUE(csv.open(QIODevice::WriteOnly) && csv.write(StatementFile(statements + 1)));
        }
        const pid_t pid = ::fork();
        if (pid == 0) Child(op, op == 'R' ? rate == 0 : archived == 0, pmt, statements + 1);
        ::usleep(static_cast<useconds_t>(delayUs));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) || WEXITSTATUS(status) == 0) << "the child failed";
        caughtStaging += std::filesystem::exists(file(kvl::kStagingDir));
        kvl::RebuildIndexes(true);
        ExpectSound();
        const int nowRate = RateState();
        ASSERT_TRUE(nowRate == rate || (op == 'R' && nowRate == 1 - rate)) << nowRate;
        const char nowImported = ImportState();
        ASSERT_TRUE(nowImported == imported || (op == 'I' && nowImported == pmt)) << nowImported;
        const int nowArchived = ArchiveState();
        ASSERT_TRUE(nowArchived == archived || (op == 'A' && nowArchived == 1 - archived))
            << nowArchived;
        archivesDone += nowArchived != archived;
        const int nowStatements = StatementState();
        ASSERT_TRUE(nowStatements == statements || (op == 'S' && nowStatements == statements + 1))
            << nowStatements;
        rate = nowRate;
        imported = nowImported;
        archived = nowArchived;
        statements = nowStatements;
    }
    // Kills that found a change staged prove the rounds caught changes in flight; archives seen
    // done prove that archive rounds also ran to their end.
    std::printf(
        "%ld rounds, %ld killed while a change was staged, %ld archives or de-archives done, %d "
        "statements imported\n",
        rounds, caughtStaging, archivesDone, statements);
    EXPECT_GT(caughtStaging, 0);
    EXPECT_GT(archivesDone, 0);
}

}  // namespace
