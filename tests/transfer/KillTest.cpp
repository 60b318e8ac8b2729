// Kills a rate change or a payment import at random moments and checks that the books are wholly
// before or wholly after the change in flight.
//
// A child process starts as the program does (the start-up rebuild) and then alternates, at
// random, rate changes of one account (doubling its amounts, or halving them back, which is
// exact) and imports of one of two payment files over the same range, each import followed by
// the pack, saying on a pipe what it begins ("B ...") and what it completed ("C ..."). The parent
// kills it with SIGKILL after a random delay and, after every kill, runs the start-up rebuild and
// checks that every table is sound, that no staging directory is left, and that:
//   - the account's expenses are all at their first amounts or all doubled, as the last completed
//     change or the one in flight left them, and no other expense changed;
//   - the live imported income is exactly the payments of one file (or none before the first
//     import), the last completed import's or the one in flight's, and hand-entered income is
//     all there.
// The number of kills is KVL_TRANSFER_KILLS (default 150); KVL_TRANSFER_SEED changes the seeds.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "Fixture.h"
#include "data/Maintenance.h"
#include "transfer/PaymentImportOps.h"
#include "transfer/RateChangeOps.h"

namespace {

using kvltest::PaymentRow;

constexpr int kAccount = 7;
constexpr int kExpenses = 300;
constexpr int kHandIncome = 150;
const QDate kFrom(2026, 1, 1);
const QDate kThrough(2026, 12, 31);

long EnvNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

// An expense of the account inside the period (its record number is its id).
constexpr long kProbe = 20;

long BaseCents(long id) {
    return 100 + (id * 7919) % 90000;
}

int AccountOf(long id) {
    return id % 2 == 0 ? kAccount : 8;
}

// The payments of file "A" or "B": their descriptions as imported, each with its amount.
std::vector<PaymentRow> Payments(char file) {
    std::vector<PaymentRow> rows;
    const int count = file == 'A' ? 60 : 90;
    for (int i = 1; i <= count; ++i)
        rows.push_back(
            {kFrom.addDays(i * 3 % 365), i * 1.25, file + std::to_string(i), i % 9 == 0});
    return rows;
}

class Child {
  public:
    Child(int fd, uint64_t seed) : fd_(fd), rng_(seed) {}

    [[noreturn]] void run() {
        try {
            kvl::cb = code4initP();
            kvl::RebuildIndexes(true);
            for (int step = 0; step < 1000; ++step) one();
            ::_exit(0);
        } catch (const std::exception& e) {
            say(std::string("E ") + e.what());
        }
        ::_exit(3);
    }

  private:
    void say(const std::string& line) {
        const std::string out = line + "\n";
        if (::write(fd_, out.data(), out.size()) != static_cast<ssize_t>(out.size())) ::_exit(4);
    }

    // Whether the account's amounts are doubled now, from one of its expenses in the period.
    bool doubled() {
        kvl::OpenExpenses();
        d4go(kvl::dbExpenses, kProbe);
        kvl::LoadExpenseRecord();
        const bool twice = std::lround(kvl::ExpenseBuffer.amount * 100) == 2 * BaseCents(kProbe);
        code4close(kvl::cb);
        return twice;
    }

    void one() {
        if (std::uniform_int_distribution<int>(0, 1)(rng_) == 0) {
            const int to = doubled() ? 0 : 1;
            say("B R " + std::to_string(to));
            kvl::OpenExpenseAccounts();
            kvl::OpenExpenses();
            const kvl::ChangeResult r =
                kvl::ApplyRateChange({to ? 1.0 : 2.0, to ? 2.0 : 1.0, kFrom, kThrough, kAccount});
            code4close(kvl::cb);
            if (r != kvl::ChangeResult::Done) throw std::runtime_error("rate change not done");
            say("C R " + std::to_string(to));
        } else {
            const std::string file = std::uniform_int_distribution<int>(0, 1)(rng_) ? "A" : "B";
            say("B I " + file);
            const auto payments =
                kvl::ReadPaymentFile(QString::fromStdString("pmt" + file + ".dbf"));
            if (!payments) throw std::runtime_error("payment file not read");
            kvl::OpenIncome();
            const kvl::ImportOutcome out = kvl::ImportPayments(*payments, {kFrom, kThrough, 3, 1});
            code4close(kvl::cb);
            if (out.result != kvl::ChangeResult::Done) throw std::runtime_error("import not done");
            if (out.packNeeded()) kvl::PackAll();
            say("C I " + file);
        }
    }

    int fd_;
    std::mt19937_64 rng_;
};

// What the completed operations left, and the operation in flight.
struct Model {
    int rate = 0;          // 1 when the account's amounts are doubled
    std::string imported;  // the file last imported, empty before the first
    std::string pending;   // "R 1", "I A", or empty
};

class TransferKillTest : public kvltest::TransferTest {
  protected:
    void Populate() {
        kvl::OpenExpenses();
        for (long id = 1; id <= kExpenses; ++id) {
            AddExpense(kFrom.addDays(id % 380 - 10), AccountOf(id), 1, BaseCents(id) / 100.0,
                       QStringLiteral("P%1").arg(id));
            kvl::ExpenseBuffer.checkNo = id;
            kvl::StoreExpenseRecord();
        }
        kvl::OpenIncome();
        for (int i = 1; i <= kHandIncome; ++i)
            AddIncome(kFrom.addDays(i * 2), i, false, QStringLiteral("Hand %1").arg(i));
        code4close(kvl::cb);
        WritePayments(file("pmtA.dbf"), Payments('A'));
        WritePayments(file("pmtB.dbf"), Payments('B'));
    }

    std::string RunChild(uint64_t seed, long delayUs) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            Child(fds[1], seed).run();
        }
        ::close(fds[1]);
        std::string said;
        char buf[4096];
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(delayUs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() < 0) break;
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                if (std::chrono::steady_clock::now() >= deadline) break;
                continue;
            }
            const ssize_t n = ::read(fds[0], buf, sizeof buf);
            if (n <= 0) break;
            said.append(buf, static_cast<size_t>(n));
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) said.append(buf, n);
        ::close(fds[0]);
        EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) ||
                    (WIFEXITED(status) && WEXITSTATUS(status) == 0))
            << "the child failed on its own:\n"
            << said;
        return said;
    }

    void StartUp() {
        kvl::RebuildIndexes(true);
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path()))
            ASSERT_TRUE(c.ok()) << c.table << " after the start-up rebuild: " << c.faults[0];
        ASSERT_FALSE(std::filesystem::exists(file(kvl::kStagingDir)));
    }

    // The state of the account's amounts: 0 first, 1 doubled; -1 for a mixture.
    int RateState() {
        std::set<int> states;
        for (const auto& [e, deleted] : Expenses()) {
            const long cents = std::lround(e.amount * 100);
            const long base = BaseCents(e.checkNo);
            if (AccountOf(e.checkNo) != kAccount || e.date < kFrom || e.date > kThrough) {
                EXPECT_EQ(cents, base) << "expense " << e.checkNo << " outside the change moved";
            } else {
                states.insert(cents == base ? 0 : cents == 2 * base ? 1 : -1);
            }
        }
        return states.size() == 1 ? *states.begin() : -1;
    }

    // The file whose payments the live imported income is, "" for none, "?" for anything else.
    std::string ImportState() {
        std::multiset<std::string> imported;
        int hand = 0;
        for (const auto& [rec, deleted] : Income()) {
            if (deleted) continue;
            if (rec.imported)
                imported.insert(rec.description.trimmed().toStdString() + " " +
                                std::to_string(std::lround(rec.amount * 100)));
            else
                ++hand;
        }
        EXPECT_EQ(hand, kHandIncome) << "hand-entered income lost";
        if (imported.empty()) return "";
        for (const char file : {'A', 'B'}) {
            std::multiset<std::string> want;
            for (const PaymentRow& p : Payments(file))
                want.insert("Payment on Invoice #" + p.invoice + " " +
                            std::to_string(std::lround(p.amount * 100)));
            if (imported == want) return std::string(1, file);
        }
        return "?";
    }
};

TEST_F(TransferKillTest, AKilledRateChangeOrImportLeavesTheBooksWhollyBeforeOrAfter) {
    Populate();
    const long kills = EnvNumber("KVL_TRANSFER_KILLS", 150);
    const uint64_t base = static_cast<uint64_t>(EnvNumber("KVL_TRANSFER_SEED", 20260615));
    std::mt19937_64 delays(base);
    std::uniform_int_distribution<long> delay(0, 150000);
    Model model;
    std::map<std::string, long> inFlight;
    for (long i = 0; i < kills; ++i) {
        const uint64_t seed = base * 1000003 + static_cast<uint64_t>(i);
        const long us = delay(delays);
        SCOPED_TRACE("kill " + std::to_string(i) + ", after " + std::to_string(us) + " us");
        std::istringstream lines(RunChild(seed, us));
        for (std::string line; std::getline(lines, line);) {
            ASSERT_NE(line.rfind("E ", 0), 0u) << line;
            if (line.rfind("B ", 0) == 0) model.pending = line.substr(2);
            if (line.rfind("C R ", 0) == 0) model.rate = std::stoi(line.substr(4));
            if (line.rfind("C I ", 0) == 0) model.imported = line.substr(4);
            if (line.rfind("C ", 0) == 0) model.pending.clear();
        }
        ++inFlight[model.pending.empty() ? "nothing" : model.pending.substr(0, 1)];
        StartUp();
        if (HasFailure()) break;

        const int rate = RateState();
        const bool rateInFlight = model.pending.rfind("R ", 0) == 0;
        ASSERT_TRUE(rate == model.rate ||
                    (rateInFlight && rate == std::stoi(model.pending.substr(2))))
            << "amounts in state " << rate << ", expected " << model.rate << " or pending '"
            << model.pending << "'";
        model.rate = rate;

        const std::string imported = ImportState();
        const bool importInFlight = model.pending.rfind("I ", 0) == 0;
        ASSERT_TRUE(imported == model.imported ||
                    (importInFlight && imported == model.pending.substr(2)))
            << "imported income is '" << imported << "', expected '" << model.imported
            << "' or pending '" << model.pending << "'";
        model.imported = imported;
        model.pending.clear();
    }
    std::ostringstream summary;
    summary << kills << " kills; in flight:";
    for (const auto& [op, n] : inFlight) summary << " " << op << "=" << n;
    std::printf("%s\n", summary.str().c_str());
    // The kills must have caught both operations in flight, or the test proved nothing.
    EXPECT_GT(inFlight["R"], 0);
    EXPECT_GT(inFlight["I"], 0);
}

}  // namespace
