#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Support.h"
#include "data/Check.h"
#include "data/Maintenance.h"
#include "data/TableLayouts.h"
#include "engine/Engine.h"
#include "engine/Ntx.h"

namespace {

using kvltest::DataDirTest;
using kvltest::InodeOf;

const char* const kIndexFiles[] = {"AccTag.ntx", "Acc.cgp",     "AccITag.ntx", "AccI.cgp",
                                   "FolTag.ntx", "Folder.cgp",  "EDate.ntx",   "EAcc.ntx",
                                   "exp5.cgp",   "IncDate.ntx", "IncAcc.ntx",  "INC5.cgp"};
const char* const kTables[] = {"INC5.dbf", "FOLDER.dbf", "EXP5.dbf", "ACC.dbf", "ACCI.dbf"};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class MaintenanceTest : public DataDirTest {
  protected:
    std::map<std::string, ino_t> Inodes() {
        std::map<std::string, ino_t> out;
        for (const char* name : kIndexFiles) out[name] = InodeOf(file(name));
        return out;
    }

    // The engine's three settings that the routines change for their own duration.
    std::vector<int> EngineSettings() {
        return {kvl::cb->settings.autoOpen ? 1 : 0, kvl::cb->settings.safety ? 1 : 0,
                kvl::cb->settings.accessMode};
    }

    void AllSound() {
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path()))
            EXPECT_TRUE(c.ok()) << c.table << ": " << (c.faults.empty() ? "" : c.faults[0]);
    }
};

TEST_F(MaintenanceTest, MissingEAccRebuildsOnlyTheExpenseGroupSilently) {
    MakeDataSet(true);
    ASSERT_EQ(::unlink(file("EAcc.ntx").c_str()), 0);
    const auto before = Inodes();
    kvl::RebuildIndexes(true);
    const auto after = Inodes();
    EXPECT_TRUE(progress.events.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_NE(after.at("EAcc.ntx"), 0u);
    EXPECT_NE(after.at("EDate.ntx"), before.at("EDate.ntx"));  // the whole group
    EXPECT_NE(after.at("exp5.cgp"), before.at("exp5.cgp"));
    for (const char* name : {"AccTag.ntx", "Acc.cgp", "AccITag.ntx", "AccI.cgp", "FolTag.ntx",
                             "Folder.cgp", "IncDate.ntx", "IncAcc.ntx", "INC5.cgp"})
        EXPECT_EQ(after.at(name), before.at(name)) << name;
    EXPECT_TRUE(kvl::cb->tables().empty());
    AllSound();
    ASSERT_TRUE(kvl::OpenExpenses());
}

TEST_F(MaintenanceTest, MissingGroupFileCountsAsMissing) {
    MakeDataSet();
    ASSERT_EQ(::unlink(file("Folder.cgp").c_str()), 0);
    const auto before = Inodes();
    kvl::RebuildIndexes(true);
    const auto after = Inodes();
    EXPECT_NE(after.at("Folder.cgp"), 0u);
    EXPECT_NE(after.at("FolTag.ntx"), before.at("FolTag.ntx"));
    EXPECT_EQ(after.at("AccTag.ntx"), before.at("AccTag.ntx"));
    EXPECT_EQ(after.at("EDate.ntx"), before.at("EDate.ntx"));
}

TEST_F(MaintenanceTest, MissingOnlyWithNothingMissingTouchesNothing) {
    MakeDataSet();
    const auto before = Inodes();
    kvl::RebuildIndexes(true);
    EXPECT_EQ(Inodes(), before);
    EXPECT_TRUE(progress.events.empty());
}

TEST_F(MaintenanceTest, FullRebuildShowsItsProgressAndRebuildsEveryGroup) {
    MakeDataSet(true);
    const auto before = Inodes();
    kvl::RebuildIndexes(false);
    EXPECT_EQ(progress.events,
              (std::vector<std::string>{"show Rebuilding Indexes", "set 20", "set 35", "set 45",
                                        "set 50", "set 80", "set 100", "hide"}));
    const auto after = Inodes();
    for (const char* name : kIndexFiles) EXPECT_NE(after.at(name), before.at(name)) << name;
    EXPECT_TRUE(kvl::cb->tables().empty());
    AllSound();
}

TEST_F(MaintenanceTest, FullRebuildMendsTagsThatMissedChanges) {
    MakeDataSet();
    {
        // Records added past the tags, as another xBase tool without our index would do.
        xb::Engine other;
        other.settings.autoOpen = false;
        xb::Table* t = other.open(file("EXP5.dbf"));
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->appendBlank(), 0);
        t->field("EXPDATE")->assign("20260101");
        t->field("ACCNO")->assignNumber(4);
        ASSERT_EQ(other.closeAll(), 0);
    }
    EXPECT_FALSE(kvl::CheckTable(dir_.path(), kvl::ExpenseLayout()).ok());
    kvl::RebuildIndexes(false);
    AllSound();
}

TEST_F(MaintenanceTest, EngineSettingsAreLeftAsFound) {
    MakeDataSet();
    const std::vector<int> normal{1, 1, 0};
    EXPECT_EQ(EngineSettings(), normal);
    kvl::RebuildIndexes(false);
    EXPECT_EQ(EngineSettings(), normal);
    kvl::RebuildIndexes(true);
    EXPECT_EQ(EngineSettings(), normal);
    kvl::PackAll();
    EXPECT_EQ(EngineSettings(), normal);
    EXPECT_TRUE(kvl::PackTable(QStringLiteral("EXP5")));
    EXPECT_EQ(EngineSettings(), normal);

    // Settings found otherwise are put back too.
    code4safety(kvl::cb, 0);
    code4accessMode(kvl::cb, 1);
    kvl::RebuildIndexes(false);
    EXPECT_EQ(EngineSettings(), (std::vector<int>{1, 0, 1}));
    kvl::PackAll();
    EXPECT_EQ(EngineSettings(), (std::vector<int>{1, 0, 1}));
}

TEST_F(MaintenanceTest, RebuildOfATableThatCannotOpenEndsTheProgram) {
    MakeDataSet();
    ASSERT_EQ(::unlink(file("FOLDER.dbf").c_str()), 0);
    EXPECT_THROW(kvl::RebuildIndexes(false), kvl::ProgramEnded);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::Error);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("FOLDER"), Qt::CaseInsensitive))
        << messages.shown[0].text.toStdString();
    EXPECT_EQ(EngineSettings(), (std::vector<int>{1, 1, 0}));
    EXPECT_TRUE(kvl::cb->tables().empty());
}

TEST_F(MaintenanceTest, RebuildOnAForeignTableWithoutTheKeyFieldEndsTheProgram) {
    MakeDataSet();
    ASSERT_EQ(::unlink(file("ACCI.dbf").c_str()), 0);
    ASSERT_TRUE(xb::CreateTable(file("ACCI.dbf"), {{"ACDESC", 'C', 30, 0, 0}}).ok());
    const auto before = Inodes();
    EXPECT_THROW(kvl::RebuildIndexes(false), kvl::ProgramEnded);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::Error);
    EXPECT_EQ(InodeOf(file("AccITag.ntx")), before.at("AccITag.ntx"));  // nothing written
    EXPECT_TRUE(kvl::cb->tables().empty());
}

TEST_F(MaintenanceTest, PackWithNothingToPackStillPacksEveryTableInOrder) {
    MakeDataSet(true);
    std::map<std::string, ino_t> last;
    for (const char* t : kTables) last[t] = InodeOf(file(t));
    std::vector<std::string> packedAt;
    progress.onSet = [&](int position) {
        std::string changed;
        for (const char* t : kTables) {
            const ino_t now = InodeOf(file(t));
            if (now != last[t]) changed += (changed.empty() ? "" : ",") + std::string(t);
            last[t] = now;
        }
        packedAt.push_back(std::to_string(position) + ":" + changed);
        EXPECT_TRUE(kvl::cb->tables().empty());
    };
    const long expenses = kvl::CheckTable(dir_.path(), kvl::ExpenseLayout()).records;
    kvl::PackAll();
    EXPECT_EQ(progress.events,
              (std::vector<std::string>{"show Packing Data Files", "set 10", "set 40", "set 50",
                                        "set 90", "set 95", "set 100", "hide"}));
    EXPECT_EQ(packedAt, (std::vector<std::string>{"10:", "40:INC5.dbf", "50:FOLDER.dbf",
                                                  "90:EXP5.dbf", "95:ACC.dbf", "100:ACCI.dbf"}));
    EXPECT_EQ(kvl::CheckTable(dir_.path(), kvl::ExpenseLayout()).records, expenses);
    AllSound();
}

TEST_F(MaintenanceTest, PackRemovesDeletedRecordsAndKeepsTagsRight) {
    MakeDataSet();
    ASSERT_TRUE(kvl::OpenExpenses());
    for (int i = 1; i <= 6; ++i) AddExpense(QDate(2026, 1, i), i);
    for (long r : {2, 5}) {
        ASSERT_EQ(d4go(kvl::dbExpenses, r), 0);
        d4delete(kvl::dbExpenses);
    }
    code4close(kvl::cb);
    kvl::PackAll();
    ASSERT_TRUE(kvl::OpenExpenses());
    EXPECT_EQ(d4recCountDo(kvl::dbExpenses), 4);
    std::vector<int> accounts;
    for (int rc = d4top(kvl::dbExpenses); rc == 0; rc = d4skip(kvl::dbExpenses, 1))
        accounts.push_back(f4int(kvl::fExpAccNo));
    EXPECT_EQ(accounts, (std::vector<int>{1, 3, 4, 6}));
    code4close(kvl::cb);
    AllSound();
}

TEST_F(MaintenanceTest, TableThatCannotOpenIsSkippedAndTheOthersPacked) {
    MakeDataSet();
    ASSERT_TRUE(kvl::OpenExpenses());
    AddExpense(QDate(2026, 1, 1), 1);
    AddExpense(QDate(2026, 1, 2), 2);
    ASSERT_EQ(d4go(kvl::dbExpenses, 1), 0);
    d4delete(kvl::dbExpenses);
    code4close(kvl::cb);
    // A damaged tag file keeps ACC from opening with its group.
    {
        std::ofstream out(file("AccTag.ntx"), std::ios::binary | std::ios::trunc);
        out << std::string(2048, 'x');
    }
    const std::string acc = Slurp(file("ACC.dbf"));
    kvl::PackAll();
    EXPECT_EQ(Slurp(file("ACC.dbf")), acc);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(code4errorCode(kvl::cb, 0), 0);  // no stale failure for the next caller
    EXPECT_TRUE(kvl::cb->tables().empty());
    EXPECT_FALSE(kvl::PackTable(QStringLiteral("ACC")));
    EXPECT_EQ(code4errorCode(kvl::cb, 0), 0);
    ASSERT_TRUE(kvl::OpenExpenses());
    EXPECT_EQ(d4recCountDo(kvl::dbExpenses), 1);
}

// ---- the start-up rebuild of unsound groups -----------------------------------------------

void Overwrite(const std::string& path, size_t offset, const std::string& bytes) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The ways a tag file can be unsound, each applied to EAcc.ntx of a sample data set.
struct Damage {
    const char* name;
    std::function<void(const std::string& ntx)> apply;
};

std::vector<Damage> Damages() {
    return {
        {"being changed when its writer died",
         [](const std::string& p) {
             std::unique_ptr<xb::NtxIndex> idx;
             ASSERT_TRUE(xb::NtxIndex::open(p, false, idx).ok());
             ASSERT_EQ(idx->top(), 0);
             const std::string key(idx->key());
             const uint32_t recno = idx->recno();
             ASSERT_TRUE(idx->remove(key, recno).ok());
             ASSERT_TRUE(idx->insert(key, recno).ok());
             // The process "dies" here: the file keeps what reached it, and the mark.
             const std::string bytes = Slurp(p);
             idx.reset();
             std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
         }},
        {"truncated", [](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 1024), 0); }},
        {"header overwritten", [](const std::string& p) { Overwrite(p, 0, std::string(64, 'Z')); }},
        {"page overwritten",
         [](const std::string& p) { Overwrite(p, 1024, std::string(1024, '\xA5')); }},
        {"empty", [](const std::string& p) { std::ofstream(p, std::ios::trunc); }},
        {"another layout",
         [](const std::string& p) {
             // A tag another program wrote on a different key, under the same name.
             xb::NtxSpec spec;
             spec.tagName = "EAcc";
             spec.keyExpr = "DTOS(EXPDATE)";
             spec.keySize = 8;
             ASSERT_TRUE(xb::NtxIndex::build(p, spec, "20260101", {1}).ok());
         }},
        {"behind the records",
         [](const std::string& p) {
             (void)p;
             xb::Engine other;  // records added by a tool that does not keep our tags
             other.settings.autoOpen = false;
             xb::Table* t = other.open("EXP5.dbf");
             ASSERT_NE(t, nullptr);
             ASSERT_EQ(t->appendBlank(), 0);
             t->field("EXPDATE")->assign("20260101");
             t->field("ACCNO")->assignNumber(4);
             ASSERT_EQ(other.closeAll(), 0);
         }},
    };
}

TEST_F(MaintenanceTest, StartUpRebuildsUnsoundGroupsSilently) {
    MakeDataSet(true);
    for (const Damage& d : Damages()) {
        SCOPED_TRACE(d.name);
        d.apply(file("EAcc.ntx"));
        EXPECT_FALSE(kvl::CheckTable(dir_.path(), kvl::ExpenseLayout()).ok());
        const auto before = Inodes();
        kvl::RebuildIndexes(true);
        const auto after = Inodes();
        EXPECT_TRUE(progress.events.empty());
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_NE(after.at("EAcc.ntx"), before.at("EAcc.ntx"));
        EXPECT_NE(after.at("EDate.ntx"), before.at("EDate.ntx"));  // the whole group
        for (const char* name : {"AccTag.ntx", "AccITag.ntx", "FolTag.ntx", "IncDate.ntx",
                                 "IncAcc.ntx", "INC5.cgp", "Acc.cgp"})
            EXPECT_EQ(after.at(name), before.at(name)) << name;
        EXPECT_TRUE(kvl::cb->tables().empty());
        AllSound();
        ASSERT_TRUE(kvl::OpenExpenses());
        code4close(kvl::cb);
    }
}

TEST_F(MaintenanceTest, StartUpRebuildsAGroupFileThatIsNotOne) {
    MakeDataSet(true);
    std::ofstream(file("INC5.cgp"), std::ios::trunc) << "IncDate\nIncAcc\n";
    const auto before = Inodes();
    kvl::RebuildIndexes(true);
    EXPECT_NE(Inodes().at("INC5.cgp"), before.at("INC5.cgp"));
    EXPECT_NE(Inodes().at("IncDate.ntx"), before.at("IncDate.ntx"));
    AllSound();
}

TEST_F(MaintenanceTest, StartUpLeavesATableItCannotReadToItsOpenRoutine) {
    MakeDataSet(true);
    Overwrite(file("FOLDER.dbf"), 4, std::string("\xFF\xFF\xFF\x00", 4));  // a count it lacks
    const std::string folder = Slurp(file("FOLDER.dbf"));
    const auto before = Inodes();
    EXPECT_NO_THROW(kvl::RebuildIndexes(true));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(Inodes(), before);
    EXPECT_EQ(Slurp(file("FOLDER.dbf")), folder);
}

}  // namespace
