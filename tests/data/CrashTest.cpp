// Kills a writer at random moments and checks what it leaves behind.
//
// A child process runs a mixed workload on the expense table through the data store (appends, key
// changes, deletions, packs of the open table and of all tables, zaps, full index rebuilds, closes
// and reopens) and reports on a pipe, before each operation, what it is about to do ("B ...") and,
// once the operation has completed, that it did ("C ..."). The parent kills it with SIGKILL after a
// random delay, many times over with different seeds, and after every kill:
//   - every table opens, and a table whose index files the integrity check finds faulty has them
//     missing or refused by the engine on opening (a mid-change mark, a damaged page), never
//     silently wrong;
//   - the start-up rebuild leaves every table sound and no temporary file behind;
//   - every record whose save was reported complete is there with exactly the fields saved, every
//     reported deletion holds, and nothing else appeared; the one operation in flight may have
//     happened or not.
// The number of kills is KVL_CRASH_KILLS (default 1000); KVL_CRASH_SEED changes the seeds.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Support.h"
#include "data/Check.h"
#include "data/Maintenance.h"
#include "data/TableLayouts.h"
#include "engine/Engine.h"

namespace {

using kvltest::DataDirTest;

long EnvNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

// The fields of version ver of record id: every field depends on both, so a record that went back
// to an older version, took another record's fields or lost a field is noticed.
kvl::ExpenseRecord Expected(long id, int ver) {
    kvl::ExpenseRecord r;
    r.date = QDate(2020, 1, 1).addDays((id * 37 + ver * 11) % 2000);
    r.checkNo = id;
    r.account = 1 + static_cast<int>((id * 7 + ver * 3) % 40);
    r.folder = 1 + static_cast<int>((id + ver) % 5);
    r.payTo = QStringLiteral("P%1 v%2").arg(id).arg(ver);
    r.amount = static_cast<double>((id * 131 + ver * 17) % 100000) / 100.0;
    r.memo = QStringLiteral("M%1").arg((id * 2654435761u + ver) % 1000003);
    r.archived = (id + ver) % 7 == 0;
    return r;
}

bool Same(const kvl::ExpenseRecord& a, const kvl::ExpenseRecord& b) {
    return a.date == b.date && a.checkNo == b.checkNo && a.account == b.account &&
           a.folder == b.folder && a.payTo.trimmed() == b.payTo.trimmed() &&
           std::llround(a.amount * 100) == std::llround(b.amount * 100) &&
           a.memo.trimmed() == b.memo.trimmed() && a.archived == b.archived;
}

int VersionOf(const kvl::ExpenseRecord& r) {
    const QString text = r.payTo.trimmed();
    const int v = text.indexOf(QStringLiteral(" v"));
    return v < 0 ? -1 : text.mid(v + 2).toInt();
}

// ---- the child ----------------------------------------------------------------------------

class Worker {
  public:
    Worker(int fd, uint64_t seed, long nextId) : fd_(fd), rng_(seed), nextId_(nextId) {}

    [[noreturn]] void run() {
        try {
            kvl::cb = code4initP();
            kvl::RebuildIndexes(true);  // as the program starts
            open();
            for (int step = 0; step < 5000; ++step) one();
            code4close(kvl::cb);
            ::_exit(0);
        } catch (const kvl::ProgramEnded&) {
            say("E the program ended: " + lastMessage());
        } catch (const std::exception& e) {
            say(std::string("E ") + e.what());
        }
        ::_exit(3);
    }

    kvltest::ScriptedResponder* messages = nullptr;

  private:
    std::string lastMessage() const {
        return messages && !messages->shown.empty() ? messages->shown.back().text.toStdString()
                                                    : std::string("(no message)");
    }

    void say(const std::string& line) {
        const std::string out = line + "\n";
        if (::write(fd_, out.data(), out.size()) != static_cast<ssize_t>(out.size())) ::_exit(4);
    }

    void check(int rc, const char* what) {
        if (rc != 0)
            throw std::runtime_error(std::string(what) + " returned " + std::to_string(rc) + ": " +
                                     kvl::cb->errorMessage());
    }

    void open() {
        kvl::OpenExpenses();
        open_ = true;
    }
    void close() {
        check(code4close(kvl::cb), "code4close");
        open_ = false;
    }

    // A live record chosen at random, as the current record; its id, or 0 when none was found.
    long pickLive() {
        const long count = d4recCountDo(kvl::dbExpenses);
        if (count == 0) return 0;
        std::uniform_int_distribution<long> at(1, count);
        for (int tries = 0; tries < 5; ++tries) {
            check(d4go(kvl::dbExpenses, at(rng_)), "d4go");
            if (!d4deleted(kvl::dbExpenses)) {
                kvl::LoadExpenseRecord();
                return kvl::ExpenseBuffer.checkNo;
            }
        }
        return 0;
    }

    void one() {
        if (!open_) open();
        const long count = d4recCountDo(kvl::dbExpenses);
        std::uniform_int_distribution<int> pick(0, 99);
        int p = pick(rng_);
        if (count > 250 && p < 40) p = 55;  // keep the table small: delete more, pack
        if (p < 40) {
            const long id = nextId_++;
            say("B A " + std::to_string(id));
            check(d4appendBlank(kvl::dbExpenses), "d4appendBlank");
            kvl::ExpenseBuffer = Expected(id, 0);
            kvl::StoreExpenseRecord();
            check(d4refresh(kvl::dbExpenses), "d4refresh");
            say("C A " + std::to_string(id));
        } else if (p < 62) {
            const long id = pickLive();
            if (id == 0) return;
            const int ver = VersionOf(kvl::ExpenseBuffer) + 1;
            say("B M " + std::to_string(id) + " " + std::to_string(ver));
            kvl::ExpenseBuffer = Expected(id, ver);
            kvl::StoreExpenseRecord();
            check(d4refresh(kvl::dbExpenses), "d4refresh");
            say("C M " + std::to_string(id) + " " + std::to_string(ver));
        } else if (p < 78) {
            const long id = pickLive();
            if (id == 0) return;
            say("B D " + std::to_string(id));
            d4delete(kvl::dbExpenses);
            check(d4refresh(kvl::dbExpenses), "d4refresh");
            say("C D " + std::to_string(id));
        } else if (p < 84) {
            say("B P");
            check(d4pack(kvl::dbExpenses), "d4pack");
            say("C P");
        } else if (p < 88) {
            say("B P");
            close();
            kvl::PackAll();
            say("C P");
        } else if (p < 92) {
            say("B R");
            close();
            kvl::RebuildIndexes(false);
            say("C R");
        } else if (p < 95) {
            if (count == 0) return;
            std::uniform_int_distribution<long> at(1, count);
            const long first = at(rng_);
            const long n = std::min<long>(count - first + 1, 1 + pick(rng_) % 5);
            std::string ids;
            for (long r = first; r < first + n; ++r) {
                check(d4go(kvl::dbExpenses, r), "d4go");
                kvl::LoadExpenseRecord();
                ids += " " + std::to_string(kvl::ExpenseBuffer.checkNo);
            }
            say("B Z" + ids);
            check(d4zap(kvl::dbExpenses, first, n), "d4zap");
            say("C Z");
        } else {
            close();
        }
    }

    int fd_;
    std::mt19937_64 rng_;
    long nextId_;
    bool open_ = false;
};

// ---- the parent ---------------------------------------------------------------------------

struct Known {
    int ver = 0;
    bool live = true;
};

// The records as reported, and the operation that was in flight when the child died.
struct Model {
    std::map<long, Known> records;
    std::set<long> gone;  // zapped: must not exist at all
    std::string pending;  // the "B" line without its "C", or empty
    long nextId = 1;

    void apply(const std::string& line) {
        std::istringstream in(line);
        std::string tag, op;
        in >> tag >> op;
        if (tag == "B") {
            pending = line;
            return;
        }
        if (tag != "C") return;
        std::istringstream b(pending);
        std::string bt, bop;
        b >> bt >> bop;
        long id = 0;
        if (op == "A") {
            in >> id;
            records[id] = Known{0, true};
            nextId = std::max(nextId, id + 1);
        } else if (op == "M") {
            int ver = 0;
            in >> id >> ver;
            records[id].ver = ver;
        } else if (op == "D") {
            in >> id;
            records[id].live = false;
        } else if (op == "Z") {
            while (b >> id) {
                records.erase(id);
                gone.insert(id);
            }
        }
        pending.clear();
    }
};

struct Tally {
    std::map<std::string, long> inFlight;  // operation kind at the moment of the kill
    long kills = 0;
    long detected = 0;  // kills after which some index was found unsound
    long completed = 0;
};

class CrashTest : public DataDirTest {
  protected:
    // Reads what the child says until the deadline, then kills it and reads the rest.
    std::string RunChild(uint64_t seed, long delayUs, Model& model) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            Worker w(fds[1], seed, model.nextId);
            w.messages = &messages;
            w.run();
        }
        ::close(fds[1]);
        std::string said;
        char buf[4096];
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(delayUs);
        for (;;) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline) break;
            const auto left =
                std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now).count();
            timespec ts{static_cast<time_t>(left / 1000000000),
                        static_cast<long>(left % 1000000000)};
            pollfd p{fds[0], POLLIN, 0};
            if (::ppoll(&p, 1, &ts, nullptr) <= 0) continue;
            const ssize_t n = ::read(fds[0], buf, sizeof buf);
            if (n <= 0) break;  // the child finished on its own
            said.append(buf, static_cast<size_t>(n));
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) said.append(buf, n);
        ::close(fds[0]);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        const bool finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        EXPECT_TRUE(killed || finished)
            << "the child failed on its own (status " << status << "):\n"
            << said;
        return said;
    }

    // Damage found by the integrity check must be visible to the engine or the file system.
    void ExpectUnsoundIndexesDetected(Tally& tally) {
        bool any = false;
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path())) {
            ASSERT_TRUE(c.readable) << c.table << ": " << Faults(c);
            if (c.ok()) continue;
            any = true;
            const kvl::TableLayout& layout = *kvl::FindLayout(c.table);
            bool refused = false;
            {
                xb::Engine e;
                e.settings.readOnly = true;
                refused = e.open(file(layout.fileName)) == nullptr && e.errorCode() == xb::e4index;
            }
            EXPECT_TRUE(kvl::IndexFilesMissing(layout) || refused)
                << c.table << " has faulty index files that open as if sound:\n"
                << Faults(c);
        }
        if (any) ++tally.detected;
    }

    static std::string Faults(const kvl::TableCheck& c) {
        std::string all;
        for (const std::string& f : c.faults) all += f + "\n";
        return all;
    }

    void StartUp() {
        kvl::RebuildIndexes(true);
        ASSERT_TRUE(kvl::OpenSettings());
        code4close(kvl::cb);
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path()))
            EXPECT_TRUE(c.ok()) << c.table << " after the start-up rebuild:\n" << Faults(c);
        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            EXPECT_EQ(e.path().filename().string().find(".kvltmp"), std::string::npos)
                << "left behind: " << e.path();
    }

    // Compares the table with the model and resolves the operation in flight by what happened.
    void ExpectRecords(Model& m) {
        ASSERT_TRUE(kvl::OpenExpenses());
        std::map<long, std::vector<std::pair<kvl::ExpenseRecord, bool>>> found;
        const long count = d4recCountDo(kvl::dbExpenses);
        for (long r = 1; r <= count; ++r) {
            ASSERT_EQ(d4go(kvl::dbExpenses, r), 0);
            kvl::LoadExpenseRecord();
            found[kvl::ExpenseBuffer.checkNo].push_back(
                {kvl::ExpenseBuffer, d4deleted(kvl::dbExpenses) != 0});
        }
        // Every live record is also reachable through the date order.
        long ordered = 0;
        for (int rc = d4top(kvl::dbExpenses); rc == 0; rc = d4skip(kvl::dbExpenses, 1)) ++ordered;
        code4close(kvl::cb);

        std::istringstream p(m.pending);
        std::string pt, pop;
        p >> pt >> pop;
        long pid = 0;
        int pver = -1;
        std::set<long> pzap;
        if (pop == "A" || pop == "D") p >> pid;
        if (pop == "M") p >> pid >> pver;
        if (pop == "Z")
            for (long id; p >> id;) pzap.insert(id);

        long live = 0;
        for (const auto& [id, copies] : found) {
            ASSERT_EQ(copies.size(), 1u)
                << "record " << id << " is there " << copies.size() << " times";
            const auto& [rec, deleted] = copies[0];
            if (!deleted) ++live;
            auto known = m.records.find(id);
            if (known == m.records.end()) {
                ASSERT_FALSE(m.gone.count(id)) << "zapped record " << id << " came back";
                ASSERT_TRUE(pop == "A" && id == pid) << "record " << id << " was never saved";
                EXPECT_TRUE(Same(rec, Expected(id, 0))) << "record " << id << " half-appended";
                m.records[id] = Known{0, !deleted};
                continue;
            }
            Known& k = known->second;
            if (!k.live) {
                EXPECT_TRUE(deleted) << "deleted record " << id << " is live again";
                continue;
            }
            if (deleted) {
                EXPECT_TRUE(pop == "D" && id == pid) << "record " << id << " lost (deleted)";
                k.live = false;
                continue;
            }
            if (Same(rec, Expected(id, k.ver))) continue;
            if (pop == "M" && id == pid && Same(rec, Expected(id, pver))) {
                k.ver = pver;
                continue;
            }
            ADD_FAILURE() << "record " << id << " is not as saved (version " << k.ver
                          << "): " << rec.payTo.toStdString() << " "
                          << rec.date.toString(Qt::ISODate).toStdString();
        }
        for (auto it = m.records.begin(); it != m.records.end();) {
            const long id = it->first;
            if (found.count(id)) {
                ++it;
                continue;
            }
            // Absent: packed away after its deletion, or zapped while in flight.
            if (pzap.count(id)) {
                m.gone.insert(id);
            } else {
                EXPECT_FALSE(it->second.live) << "saved record " << id << " is missing";
            }
            it = m.records.erase(it);
        }
        EXPECT_EQ(ordered, live) << "the date order does not reach every live record";
        if (pop == "A") m.nextId = std::max(m.nextId, pid + 1);
        m.pending.clear();
    }
};

TEST_F(CrashTest, KilledWritersLoseNoSavedRecordAndLeaveNoSilentDamage) {
    MakeDataSet();
    const long kills = EnvNumber("KVL_CRASH_KILLS", 1000);
    const uint64_t base = static_cast<uint64_t>(EnvNumber("KVL_CRASH_SEED", 20261207));
    std::mt19937_64 delays(base);
    // Most kills land early, inside the first operations after start-up; some let the child run
    // long enough to reach packs and rebuilds of a grown table.
    std::uniform_int_distribution<long> shortDelay(0, 40000), longDelay(0, 400000);
    std::uniform_int_distribution<int> which(0, 3);
    Model model;
    Tally tally;
    const auto began = std::chrono::steady_clock::now();
    for (long i = 0; i < kills; ++i) {
        const uint64_t seed = base * 1000003 + static_cast<uint64_t>(i);
        const long delay = which(delays) == 0 ? longDelay(delays) : shortDelay(delays);
        SCOPED_TRACE("kill " + std::to_string(i) + ", seed " + std::to_string(seed) + ", after " +
                     std::to_string(delay) + " us");
        const std::string said = RunChild(seed, delay, model);
        std::istringstream lines(said);
        for (std::string line; std::getline(lines, line);) {
            ASSERT_NE(line.rfind("E ", 0), 0u) << line;
            if (line.rfind("C ", 0) == 0) ++tally.completed;
            model.apply(line);
        }
        ++tally.kills;
        ++tally.inFlight[model.pending.empty() ? "nothing" : model.pending.substr(2, 1)];
        ExpectUnsoundIndexesDetected(tally);
        StartUp();
        ExpectRecords(model);
        if (HasFailure()) break;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::ostringstream summary;
    summary << tally.kills << " kills in " << static_cast<long>(seconds) << " s, "
            << tally.completed << " operations completed, unsound indexes found and rebuilt after "
            << tally.detected << " kills; in flight at the kill:";
    for (const auto& [op, n] : tally.inFlight) summary << " " << op << "=" << n;
    std::printf("%s\n", summary.str().c_str());
    RecordProperty("kills", static_cast<int>(tally.kills));
    EXPECT_EQ(tally.kills, kills);
}

}  // namespace
