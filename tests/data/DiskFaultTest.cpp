// The data store's maintenance and saving on a full disk or in a read-only directory: each says
// so (a negative code with the system's reason, or the engine's error message before the program
// ends) and leaves the data files as they were.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "Support.h"
#include "data/Check.h"
#include "data/Maintenance.h"
#include "engine/Files.h"

namespace {

namespace fs = std::filesystem;
using kvltest::DataDirTest;
using Files = std::map<std::string, std::string>;

class DiskFaultTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet(true);
        ASSERT_TRUE(kvl::OpenExpenses());
        for (long r : {2L, 3L, 5L}) {
            ASSERT_EQ(d4go(kvl::dbExpenses, r), 0);
            d4delete(kvl::dbExpenses);
        }
        ASSERT_EQ(code4close(kvl::cb), 0);
        expenses_ = kvl::CheckTable(dir_.path(), kvl::ExpenseLayout()).records;
        before_ = Snapshot();
    }
    void TearDown() override {
        xb::RemoveFaultPlan();
        DataDirTest::TearDown();
    }

    Files Snapshot() const {
        Files out;
        for (const auto& e : fs::directory_iterator(dir_.path())) {
            if (e.path().filename() == "kvl.lock") continue;
            std::ifstream in(e.path(), std::ios::binary);
            out[e.path().filename().string()] =
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return out;
    }

    void ExpectUnchanged() {
        const Files now = Snapshot();
        for (const auto& [name, bytes] : before_) {
            auto it = now.find(name);
            EXPECT_TRUE(it != now.end() && it->second == bytes) << name << " changed";
        }
        for (const auto& [name, bytes] : now) EXPECT_TRUE(before_.count(name)) << name;
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path()))
            EXPECT_TRUE(c.ok()) << c.table << ": " << (c.faults.empty() ? "" : c.faults[0]);
    }

    Files before_;
    long expenses_ = 0;
};

TEST_F(DiskFaultTest, RebuildOnAFullDiskEndsWithTheReasonAndKeepsTheOldIndexes) {
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(0));
    EXPECT_THROW(kvl::RebuildIndexes(false), kvl::ProgramEnded);
    xb::RemoveFaultPlan();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::Error);
    EXPECT_TRUE(messages.shown[0].text.contains(QString::fromUtf8(std::strerror(ENOSPC))))
        << messages.shown[0].text.toStdString();
    EXPECT_TRUE(kvl::cb->tables().empty());
    ExpectUnchanged();
}

TEST_F(DiskFaultTest, PackOnAFullDiskFailsAndKeepsEveryTable) {
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(0));
    EXPECT_FALSE(kvl::PackTable(QStringLiteral("EXP5")));
    kvl::PackAll();  // each table fails alike; none is left half-packed
    xb::RemoveFaultPlan();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(code4errorCode(kvl::cb, 0), 0);
    ExpectUnchanged();
    EXPECT_TRUE(kvl::PackTable(QStringLiteral("EXP5")));  // with room again it packs
    EXPECT_EQ(kvl::CheckTable(dir_.path(), kvl::ExpenseLayout()).records, expenses_ - 3);
}

TEST_F(DiskFaultTest, PackInAReadOnlyDirectoryFailsAndKeepsEveryTable) {
    xb::InstallFaultPlan(xb::FaultPlan::ReadOnlyDirectory());
    EXPECT_FALSE(kvl::PackTable(QStringLiteral("INC5")));
    kvl::PackAll();
    xb::RemoveFaultPlan();
    EXPECT_TRUE(messages.shown.empty());
    ExpectUnchanged();
}

TEST_F(DiskFaultTest, SavingAnExpenseOnAFullDiskFailsWithTheReason) {
    ASSERT_TRUE(kvl::OpenExpenses());
    const long count = d4recCountDo(kvl::dbExpenses);
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(0));
    ASSERT_EQ(d4appendBlank(kvl::dbExpenses), 0);
    kvl::ExpenseBuffer = kvl::ExpenseRecord{};
    kvl::ExpenseBuffer.date = QDate(2026, 6, 1);
    kvl::ExpenseBuffer.account = 3;
    kvl::StoreExpenseRecord();
    EXPECT_LT(d4refresh(kvl::dbExpenses), 0);
    EXPECT_NE(kvl::cb->errorMessage().find(std::strerror(ENOSPC)), std::string::npos)
        << kvl::cb->errorMessage();
    EXPECT_LT(code4errorCode(kvl::cb, 0), 0);
    xb::RemoveFaultPlan();
    EXPECT_EQ(d4recCountDo(kvl::dbExpenses), count);
    EXPECT_EQ(code4close(kvl::cb), 0);
    ExpectUnchanged();
}

}  // namespace
