// Backup to a chosen directory and restore from it: the files and progress, the questions of a
// backup that fills or meets a write-protected disk, and a restore that replaces all five tables
// or none of them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Support.h"
#include "data/Backup.h"
#include "data/Check.h"
#include "data/Erase.h"
#include "data/Maintenance.h"
#include "data/Replacement.h"
#include "data/Volumes.h"
#include "engine/Files.h"

namespace {

namespace fs = std::filesystem;
using kvltest::DataDirTest;
using kvltest::DataSetRecords;

const char* const kTables[] = {"ACC", "ACCI", "FOLDER", "EXP5", "INC5"};

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class BackupTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet(true);
        before_ = DataSetRecords(dir_.path());
    }
    void TearDown() override {
        xb::RemoveFaultPlan();
        kvl::SetRemovableTest({});
        DataDirTest::TearDown();
    }

    QString backupDir() const { return QString::fromStdString(backup_.path()); }
    std::string bak(const char* table) const { return backup_.file(std::string(table) + ".bak"); }

    void ExpectSoundAndAsBefore() {
        EXPECT_EQ(DataSetRecords(dir_.path()), before_);
        for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path()))
            EXPECT_TRUE(c.ok()) << c.table << ": " << c.faults.front();
        EXPECT_FALSE(fs::exists(file(kvl::kStagingDir)));
    }

    void EraseEverything() {
        EXPECT_EQ(kvl::EraseData([](const kvl::EraseQuestion&) { return true; }).size(), 5u);
        ASSERT_NE(DataSetRecords(dir_.path()), before_);
    }

    std::string lastText() const { return messages.shown.back().text.toStdString(); }

    kvltest::TempDir backup_;
    std::map<std::string, std::vector<std::string>> before_;
};

TEST_F(BackupTest, CopiesEveryTableWithItsProgressWithOrWithoutATrailingSlash) {
    for (const QString& dir : {backupDir(), backupDir() + QStringLiteral("/ ")}) {
        progress.events.clear();
        ASSERT_TRUE(kvl::RunBackup(dir));
        EXPECT_EQ(progress.events,
                  (std::vector<std::string>{"show Copying Data Files", "set 10", "set 30", "set 40",
                                            "set 50", "set 90", "set 100", "hide"}));
        for (const char* t : kTables)
            EXPECT_EQ(Bytes(bak(t)), Bytes(file(std::string(t) + ".dbf"))) << t;
        EXPECT_EQ(std::distance(fs::directory_iterator(backup_.path()), {}), 5);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(BackupTest, AFullDiskAsksForAnotherAndGoesOnThereAfterOk) {
    // The chosen directory is a mount point; answering OK stands for a new disk put in.
    const std::string disk1 = backup_.file("disk1"), disk2 = backup_.file("disk2");
    const std::string drive = backup_.file("drive");
    fs::create_directory(disk1);
    fs::create_directory(disk2);
    fs::create_directory_symlink(disk1, drive);
    int64_t room = 100;
    for (const char* t : {"ACC", "ACCI", "FOLDER"})
        room += fs::file_size(file(std::string(t) + ".dbf"));
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(room));
    messages.onShow = [&](const QString&) {
        xb::RemoveFaultPlan();
        fs::remove(drive);
        fs::create_directory_symlink(disk2, drive);
    };
    ASSERT_TRUE(kvl::RunBackup(QString::fromStdString(drive)));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::InformationOkCancel);
    EXPECT_EQ(lastText(), "Disk Full. Insert another disk.EXP5.bak");
    EXPECT_EQ(std::distance(fs::directory_iterator(disk1), {}), 3);  // no half copy left
    for (const char* t : {"ACC", "ACCI", "FOLDER"})
        EXPECT_TRUE(fs::exists(disk1 + "/" + t + ".bak")) << t;
    for (const char* t : {"EXP5", "INC5"})
        EXPECT_EQ(Bytes(disk2 + "/" + t + ".bak"), Bytes(file(std::string(t) + ".dbf"))) << t;
}

TEST_F(BackupTest, TheNextDiskMayBeElsewhereForTheBackupAndForItsRestore) {
    const std::string disk1 = backup_.file("disk1"), disk2 = backup_.file("disk2");
    fs::create_directory(disk1);
    fs::create_directory(disk2);
    int64_t room = 100;
    for (const char* t : {"ACC", "ACCI", "FOLDER"})
        room += fs::file_size(file(std::string(t) + ".dbf"));
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(room));
    messages.onShow = [](const QString&) { xb::RemoveFaultPlan(); };
    QStringList asked;  // the directory in use each time the next disk is asked for
    auto nextIsDisk2 = [&](const QString& current) {
        asked << current;
        return QString::fromStdString(disk2);
    };
    ASSERT_TRUE(kvl::RunBackup(QString::fromStdString(disk1), nullptr, nextIsDisk2));
    EXPECT_EQ(asked, QStringList{QString::fromStdString(disk1 + "/")});
    EXPECT_EQ(lastText(), "Disk Full. Insert another disk.EXP5.bak");
    EXPECT_EQ(std::distance(fs::directory_iterator(disk1), {}), 3);
    for (const char* t : {"EXP5", "INC5"})
        EXPECT_EQ(Bytes(disk2 + "/" + t + ".bak"), Bytes(file(std::string(t) + ".dbf"))) << t;

    EraseEverything();
    messages.shown.clear();
    asked.clear();
    ASSERT_TRUE(kvl::RunRestore(QString::fromStdString(disk1), nullptr, nextIsDisk2));
    EXPECT_EQ(asked, QStringList{QString::fromStdString(disk1 + "/")});
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(lastText(), "Insert disk containing EXP5.bak");
    EXPECT_EQ(messages.shown[0].byDefault, kvl::MsgDefault::Cautious);
    ExpectSoundAndAsBefore();

    // Giving up where the next disk is fails as Cancel does, and changes nothing.
    EraseEverything();
    before_ = DataSetRecords(dir_.path());
    messages.shown.clear();
    EXPECT_FALSE(kvl::RunRestore(QString::fromStdString(disk1), nullptr,
                                 [](const QString&) { return QString(); }));
    EXPECT_EQ(lastText(), "Restore Failed . . Check that your disk is not full.");
    ExpectSoundAndAsBefore();
}

TEST_F(BackupTest, CancelOnAFullDiskFailsAndKeepsTheEarlierBackupFile) {
    Write(bak("ACC"), "the previous backup");
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(10));
    messages.answers = {kvl::MsgAnswer::Cancel};
    QString why;
    EXPECT_FALSE(kvl::RunBackup(backupDir(), &why));
    EXPECT_EQ(messages.shown[0].text.toStdString(), "Disk Full. Insert another disk.ACC.bak");
    EXPECT_EQ(lastText(), "Backup Failed . . Check that disk is not write protected");
    EXPECT_TRUE(why.contains(QString::fromUtf8(std::strerror(ENOSPC)))) << why.toStdString();
    EXPECT_EQ(progress.events.back(), "hide");
    EXPECT_EQ(Bytes(bak("ACC")), "the previous backup");
    EXPECT_EQ(std::distance(fs::directory_iterator(backup_.path()), {}), 1);
}

TEST_F(BackupTest, AWriteProtectedDiskIsAskedForAgain) {
    xb::InstallFaultPlan(xb::FaultPlan::ReadOnlyFileSystem());
    messages.onShow = [](const QString&) { xb::RemoveFaultPlan(); };
    ASSERT_TRUE(kvl::RunBackup(backupDir()));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(lastText(), "Disk is Write Protected");
    EXPECT_TRUE(fs::exists(bak("INC5")));
}

TEST_F(BackupTest, RestoreReplacesEveryTableAndRebuildsTheIndexes) {
    ASSERT_TRUE(kvl::RunBackup(backupDir()));
    EraseEverything();
    progress.events.clear();
    ASSERT_TRUE(kvl::RunRestore(backupDir()));
    EXPECT_EQ(
        progress.events,
        (std::vector<std::string>{"show Copying Data Files", "set 10", "set 30", "set 40", "set 50",
                                  "set 90", "set 100", "hide", "show Rebuilding Indexes", "set 20",
                                  "set 35", "set 45", "set 50", "set 80", "set 100", "hide"}));
    EXPECT_TRUE(messages.shown.empty());
    ExpectSoundAndAsBefore();
}

TEST_F(BackupTest, ARestoreFailingOnTheThirdTableChangesNoTableAndStillRebuilds) {
    ASSERT_TRUE(kvl::RunBackup(backupDir()));
    EraseEverything();
    before_ = DataSetRecords(dir_.path());
    // The data disk fills while FOLDER.bak is copied in.
    xb::InstallFaultPlan(xb::FaultPlan::FullDisk(
        static_cast<int64_t>(fs::file_size(bak("ACC")) + fs::file_size(bak("ACCI")) + 10)));
    std::vector<std::string> progressThen;
    messages.onShow = [&](const QString&) {
        xb::RemoveFaultPlan();
        progressThen.push_back(progress.events.back());
    };
    EXPECT_FALSE(kvl::RunRestore(backupDir()));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(progressThen, (std::vector<std::string>{"hide", "hide"}));
    EXPECT_TRUE(messages.shown[0].text.endsWith(QStringLiteral("No data file was changed.")));
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("FOLDER.dbf")));
    EXPECT_EQ(lastText(), "Restore Failed . . Check that your disk is not full.");
    EXPECT_EQ(progress.events.back(), "hide");
    EXPECT_EQ(progress.events[progress.events.size() - 8], "show Rebuilding Indexes");
    ExpectSoundAndAsBefore();
}

TEST_F(BackupTest, ARestoreRefusesADamagedBackupFileNamingItAlone) {
    ASSERT_TRUE(kvl::RunBackup(backupDir()));
    const std::string exp5 = Bytes(bak("EXP5"));
    Write(bak("EXP5"), exp5.substr(0, exp5.size() / 2));
    std::string progressThen;
    messages.onShow = [&](const QString&) { progressThen = progress.events.back(); };
    EXPECT_FALSE(kvl::RunRestore(backupDir()));
    // The refusal says what is wrong; no message after it blames the disk.
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(progressThen, "hide");
    EXPECT_TRUE(messages.shown[0].text.startsWith(QString::fromStdString(bak("EXP5")) +
                                                  QStringLiteral(" is not a backup of EXP5.dbf: ")))
        << messages.shown[0].text.toStdString();
    ExpectSoundAndAsBefore();
}

TEST_F(BackupTest, AMissingBackupFileEndsTheRestoreUnlessARemovableDiskBringsIt) {
    ASSERT_TRUE(kvl::RunBackup(backupDir()));
    const std::string inc5 = Bytes(bak("INC5"));
    fs::remove(bak("INC5"));
    EXPECT_FALSE(kvl::RunRestore(backupDir()));
    EXPECT_EQ(messages.shown[0].text.toStdString(),
              "Unable to find " + bak("INC5") + "\r\nFunction Aborted");
    ExpectSoundAndAsBefore();

    kvl::SetRemovableTest([](const QString&) { return true; });
    messages.shown.clear();
    messages.onShow = [&](const QString&) { Write(bak("inc5"), inc5); };
    EraseEverything();
    ASSERT_TRUE(kvl::RunRestore(backupDir()));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(lastText(), "Insert disk containing INC5.bak");
    EXPECT_EQ(DataSetRecords(dir_.path()), before_);
}

TEST_F(BackupTest, ARestoreStoppedAfterItsCommitIsFinishedAtTheNextStart) {
    ASSERT_TRUE(kvl::RunBackup(backupDir()));
    EraseEverything();
    const auto erased = DataSetRecords(dir_.path());
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir_.path())) files[e.path()] = Bytes(e.path());
    // The renames of a whole restore; the last ones are the commit's.
    xb::InstallFaultPlan(xb::FaultPlan{});
    ASSERT_TRUE(kvl::CopyDataFiles(kvl::CopyDirection::Restore, backupDir()));
    const int renames = xb::FaultCountsSoFar().renames;
    for (int left : {1, 8, 16}) {
        for (const auto& [path, bytes] : files) Write(path, bytes);
        xb::FaultPlan plan;
        plan.renames = renames - left;
        xb::InstallFaultPlan(plan);
        EXPECT_FALSE(kvl::CopyDataFiles(kvl::CopyDirection::Restore, backupDir()));
        xb::RemoveFaultPlan();
        EXPECT_TRUE(lastText().find("finished when the program next starts") != std::string::npos)
            << lastText();
        EXPECT_NE(DataSetRecords(dir_.path()), erased);
        kvl::RebuildIndexes(true);  // as the program starts
        ExpectSoundAndAsBefore();
    }
}

}  // namespace
