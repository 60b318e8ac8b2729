// Kills a restore or an upgrade at random moments and checks what it leaves behind.
//
// A child process runs the whole operation as the File Maintenance buttons run it (the copy or
// conversion, then the full index rebuild, and for the upgrade the pack) and is killed with SIGKILL
// after a random delay, most of them while it replaces the tables. After each kill the next start
// (which finishes or discards an interrupted replacement and rebuilds unsound indexes) must find
// the five tables holding exactly the live records they held before or exactly those the
// operation brings, the integrity check that `kvl-cli check` runs must find every table sound, and
// no staging directory or temporary may be left. The number of kills per operation is
// KVL_REPLACE_KILLS (default 50, so 100 in all); KVL_CRASH_SEED changes the delays.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <tuple>

#include "OldData.h"
#include "Support.h"
#include "data/Backup.h"
#include "data/Check.h"
#include "data/Maintenance.h"
#include "data/Replacement.h"
#include "data/Upgrade.h"
#include "engine/Engine.h"

namespace {

namespace fs = std::filesystem;
using kvltest::DataDirTest;
using kvltest::DataSetRecords;
using Records = std::map<std::string, std::vector<std::string>>;

long EnvNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

// Generated old records; every tenth is marked deleted.
std::vector<kvltest::OldRecord> OldRecords(const std::vector<xb::FieldDesc>& fields, int rows) {
    std::vector<kvltest::OldRecord> records;
    for (int r = 1; r <= rows; ++r) {
        kvltest::OldRecord record{{}, r % 10 == 0};
        for (const xb::FieldDesc& f : fields)
            record.fields.push_back(
                f.type == 'D'   ? QDate(1997, 1, 1).addDays(r).toString("yyyyMMdd").toStdString()
                : f.type == 'L' ? std::string(r % 2 ? "T" : "F")
                : f.type == 'N' ? std::to_string(r % 9 + 1)
                                : "old " + std::to_string(r));
        records.push_back(record);
    }
    return records;
}

// The books as the user sees them: an upgrade killed after its commit but before its pack leaves
// the old records that were marked deleted in the tables taken over whole.
Records LiveRecords(const std::string& dir) {
    Records records = DataSetRecords(dir);
    for (auto& [table, rows] : records)
        rows.erase(std::remove_if(rows.begin(), rows.end(),
                                  [](const std::string& r) { return !r.empty() && r[0] == '*'; }),
                   rows.end());
    return records;
}

class ReplaceKillTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet(true);
        before_ = LiveRecords(dir_.path());
        for (const auto& e : fs::directory_iterator(dir_.path())) {
            std::ifstream in(e.path(), std::ios::binary);
            pristine_[e.path().filename().string()] =
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        // The backup of other books: the same business two years earlier.
        kvl::SetToday(QDate(2024, 3, 10));
        QString message;
        ASSERT_TRUE(
            kvl::CreateDataSet(QString::fromStdString(other_.path()), {{}, true}, &message));
        kvl::SetToday(QDate(2026, 6, 15));
        for (const kvl::TableLayout* t : kvl::DataTableLayouts())
            fs::copy_file(other_.file(t->fileName), backup_.file(std::string(t->name) + ".bak"));
        for (const auto& [name, fields, rows] :
             {std::tuple{"Folder.dbf", kvl::FolderLayout().fields, 20},
              std::tuple{"Acc.dbf", kvl::ExpenseAccountLayout().fields, 40},
              std::tuple{"Inc3.dbf", kvltest::kOldIncome, 600},
              std::tuple{"Exp3.dbf", kvltest::kOldExpenses, 900}})
            kvltest::WriteOldTable(old_.file(name), fields, OldRecords(fields, rows));
    }

    void Reset() {
        for (const auto& e : fs::directory_iterator(dir_.path())) fs::remove_all(e.path());
        for (const auto& [name, bytes] : pristine_)
            std::ofstream(file(name), std::ios::binary) << bytes;
    }

    // The next start, then what it finds.
    void ExpectBeforeOrAfter(const Records& after, long& asBefore, long& asAfter) {
        kvl::RebuildIndexes(true);
        ASSERT_TRUE(kvl::OpenSettings());
        code4close(kvl::cb);
        const Records now = LiveRecords(dir_.path());
        if (now == before_) {
            ++asBefore;
        } else if (now == after) {
            ++asAfter;
        } else {
            std::string which;
            for (const auto& [table, rows] : now)
                which += " " + table +
                         (rows == before_.at(table) ? " as before"
                          : rows == after.at(table) ? " as after"
                                                    : " neither");
            ADD_FAILURE() << "the tables are neither wholly as before nor as after:" << which;
        }
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path()))
            EXPECT_TRUE(c.ok()) << c.table << ": " << c.faults.front();
        for (const auto& e : fs::directory_iterator(dir_.path())) {
            const std::string name = e.path().filename().string();
            EXPECT_TRUE(name != kvl::kStagingDir && name.find(".kvltmp") == std::string::npos)
                << "left behind: " << name;
        }
    }

    void KillRepeatedly(const char* what, const std::function<bool()>& operation) {
        // Kills aim at the replacement, which ends where the rebuild that follows it begins; a
        // fifth of them land in the rebuild or the pack.
        const auto began = std::chrono::steady_clock::now();
        long took = 0;
        progress.onShow = [&](const QString& caption) {
            if (took == 0 && caption == QStringLiteral("Rebuilding Indexes"))
                took = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - began)
                           .count();
        };
        ASSERT_TRUE(operation());
        progress.onShow = nullptr;
        ASSERT_GT(took, 0);
        const Records after = LiveRecords(dir_.path());
        ASSERT_NE(after, before_);
        const long kills = EnvNumber("KVL_REPLACE_KILLS", 50);
        std::mt19937_64 rng(static_cast<uint64_t>(EnvNumber("KVL_CRASH_SEED", 20261207)));
        // Up to twice the measured time: a loaded machine may run the child slower than the measure.
        std::uniform_int_distribution<long> delay(0, 2 * took);
        long asBefore = 0, asAfter = 0;
        for (long i = 0; i < kills && !HasFailure(); ++i) {
            Reset();
            const long us = delay(rng);
            SCOPED_TRACE(std::string(what) + " killed after " + std::to_string(us) + " us");
            const pid_t pid = ::fork();
            if (pid == 0) {
                kvl::cb = code4initP();
                try {
                    ::_exit(operation() ? 0 : 1);
                } catch (...) {
                    ::_exit(3);
                }
            }
            ::usleep(static_cast<useconds_t>(us));
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
            EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) ||
                        (WIFEXITED(status) && WEXITSTATUS(status) == 0))
                << "the child failed on its own (status " << status << ")";
            ExpectBeforeOrAfter(after, asBefore, asAfter);
        }
        std::printf("%s: %ld kills within %ld us, %ld left the books as before, %ld as after\n",
                    what, kills, took, asBefore, asAfter);
        if (kills >= 20) {
            EXPECT_TRUE(asBefore > 0 && asAfter > 0);
        }
    }

    kvltest::TempDir other_, backup_, old_;
    Records before_;
    std::map<std::string, std::string> pristine_;
};

TEST_F(ReplaceKillTest, AKilledRestoreLeavesTheBooksWhollyAsBeforeOrAsAfter) {
    KillRepeatedly("restore",
                   [&] { return kvl::RunRestore(QString::fromStdString(backup_.path())); });
}

TEST_F(ReplaceKillTest, AKilledUpgradeLeavesTheBooksWhollyAsBeforeOrAsAfter) {
    KillRepeatedly("upgrade", [&] {
        return kvl::RunUpgrade(QString::fromStdString(old_.path())) ==
               kvl::UpgradeOutcome::Converted;
    });
}

}  // namespace
