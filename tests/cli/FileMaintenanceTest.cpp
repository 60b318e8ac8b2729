// kvl-cli backup, restore, upgrade and erase: what each changes, what each refuses, and a backup
// that meets a full disk with nobody to change it.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <QDir>
#include <QProcess>

#include "cli/Commands.h"
#include "common/TempDir.h"
#include "data/OldData.h"
#include "data/TableLayouts.h"
#include "engine/Files.h"

namespace {

struct CliRun {
    int code = -1;
    QString err;
};

CliRun Cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KVL_CLI_PATH), args);
    p.waitForFinished(300000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

class FileMaintenanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(Cli({"new", books(), "--sample"}).code, 0);
        QDir().mkpath(elsewhere());
    }
    QString books() const { return QString::fromStdString(dir_.file("books")); }
    QString elsewhere() const { return QString::fromStdString(dir_.file("elsewhere")); }
    // "EXP5 361" for each table: the records the engine counts.
    QStringList Counts() const {
        QStringList counts;
        xb::Engine engine;
        engine.settings.readOnly = true;
        for (const kvl::TableLayout* t : kvl::DataTableLayouts()) {
            xb::Table* table = engine.open(dir_.file(std::string("books/") + t->fileName));
            counts << QStringLiteral("%1 %2").arg(t->name).arg(table ? table->recCount() : -1);
        }
        return counts;
    }
    kvltest::TempDir dir_;
};

TEST_F(FileMaintenanceTest, BackupEraseAndRestoreBringTheBooksBack) {
    const QStringList before = Counts();
    ASSERT_EQ(Cli({"backup", elsewhere(), "-d", books()}).code, 0);
    CliRun r = Cli({"erase", "--income", "--expenses", "--income-accounts", "--expense-accounts",
                 "--folders", "-d", books()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Counts(), (QStringList{"ACC 0", "ACCI 0", "FOLDER 0", "EXP5 0", "INC5 0"}));
    r = Cli({"restore", elsewhere(), "-d", books()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Counts(), before);
    EXPECT_EQ(Cli({"check", "-d", books()}).code, 0);
}

TEST_F(FileMaintenanceTest, RefusedCommandsExitTwoAndChangeNothing) {
    const QStringList before = Counts();
    CliRun r = Cli({"erase", "--expense-accounts", "-d", books()});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("only be erased together with the expense data"));
    EXPECT_EQ(Cli({"erase", "--folders", "--income", "-d", books()}).code, 2);
    EXPECT_EQ(Cli({"restore", elsewhere(), "-d", books()}).code, 2);  // no backup set there
    kvltest::WriteOldTable(dir_.file("elsewhere/Folder.dbf"), kvl::FolderLayout().fields, {});
    kvltest::WriteOldTable(dir_.file("elsewhere/Acc.dbf"), kvl::ExpenseAccountLayout().fields, {});
    kvltest::WriteOldTable(dir_.file("elsewhere/Inc3.dbf"), kvltest::kOldIncome,
                           {{{"19981231", "Sale", "12.50", "1", "F"}}});
    kvltest::WriteOldTable(dir_.file("elsewhere/Exp3.dbf"), kvltest::kOldExpenses, {});
    r = Cli({"upgrade", elsewhere(), "-d", books()});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--yes"));
    EXPECT_EQ(Counts(), before);
    r = Cli({"upgrade", elsewhere(), "-d", books(), "--yes"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Counts(), (QStringList{"ACC 0", "ACCI 1", "FOLDER 0", "EXP5 0", "INC5 1"}));
}

TEST_F(FileMaintenanceTest, ABackupToAFullDiskFailsWithTheReason) {
    CLI::App app;
    const kvl::cli::Command backup = kvl::cli::AddBackupCommand(app);
    app.parse("backup " + elsewhere().toStdString() + " -d " + books().toStdString());
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(0));
    testing::internal::CaptureStderr();
    const int code = backup.run();
    const std::string err = testing::internal::GetCapturedStderr();
    xb::RemoveFaultPlan();
    EXPECT_EQ(code, 1);
    EXPECT_NE(err.find("Disk Full. Insert another disk.ACC.bak"), std::string::npos) << err;
    EXPECT_NE(err.find(std::string("the backup failed: ") + "cannot write " +
                       dir_.file("elsewhere/ACC.bak") + ": " + std::strerror(ENOSPC)),
              std::string::npos)
        << err;
    EXPECT_TRUE(QDir(elsewhere()).isEmpty());
}

}  // namespace
