// Upgrade from the older generation's four tables, which the test writes itself: what comes over,
// the progress, and an upgrade that is declined, lacks a file or stops part way changing nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "OldData.h"
#include "Support.h"
#include "data/Check.h"
#include "data/Replacement.h"
#include "data/Upgrade.h"

namespace {

namespace fs = std::filesystem;
using kvltest::DataDirTest;
using kvltest::DataSetRecords;
using kvltest::WriteOldTable;

class UpgradeTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet(true);
        before_ = DataSetRecords(dir_.path());
        WriteOldTable(old_.file("Folder.dbf"), kvl::FolderLayout().fields,
                      {{{"1", "Main Street"}}, {{"2", "Lakeside"}}});
        WriteOldTable(old_.file("Acc.dbf"), kvl::ExpenseAccountLayout().fields,
                      {{{"5", "Supplies", "T"}}, {{"9", "Owner", "F"}}});
        WriteOldTable(old_.file("Inc3.dbf"), kvltest::kOldIncome,
                      {{{"19981231", "Year end sale", "1250.75", "2", "T"}},
                       {{"19990105", "Deleted long ago", "10.00", "1", "F"}, true},
                       {{"19990201", "Rent", "300.00", "1", "F"}}});
        WriteOldTable(old_.file("Exp3.dbf"), kvltest::kOldExpenses,
                      {{{"19981230", "1201", "5", "2", "Hardware store", "45.10", "nails"}, true},
                       {{"19990110", "0", "9", "1", "Owner", "500.00", ""}}});
    }

    QString oldDir() const { return QString::fromStdString(old_.path()); }

    void ExpectUnchanged() {
        EXPECT_EQ(DataSetRecords(dir_.path()), before_);
        EXPECT_FALSE(fs::exists(file(kvl::kStagingDir)));
    }

    kvltest::TempDir old_;
    std::map<std::string, std::vector<std::string>> before_;
};

TEST_F(UpgradeTest, ConvertsTheOldTablesWithTheirProgressThenRebuildsAndPacks) {
    ASSERT_EQ(kvl::RunUpgrade(oldDir()), kvl::UpgradeOutcome::Converted);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, kvl::MsgKind::WarningOkCancel);
    EXPECT_EQ(messages.shown[0].byDefault, kvl::MsgDefault::Cautious);  // Enter overwrites nothing
    EXPECT_EQ(messages.shown[0].text.toStdString(),
              "Warning: All previously entered data will be overwritten");
    const std::vector<std::string> converting{"show Converting Data Files",
                                              "set 5",
                                              "set 10",
                                              "set 15",
                                              "set 20",
                                              "set 33",
                                              "set 46",
                                              "set 60",
                                              "set 80",
                                              "set 100",
                                              "show Rebuilding Indexes"};
    ASSERT_GT(progress.events.size(), converting.size());
    EXPECT_EQ(std::vector<std::string>(progress.events.begin(),
                                       progress.events.begin() + converting.size()),
              converting);
    EXPECT_EQ(progress.events[progress.events.size() - 8], "show Packing Data Files");
    for (const kvl::TableCheck& c : kvl::CheckDataSet(dir_.path())) EXPECT_TRUE(c.ok()) << c.table;

    ASSERT_TRUE(kvl::OpenIncomeAccounts());
    EXPECT_EQ(d4recCountDo(kvl::dbIncomeAccounts), 1);
    kvl::LoadIncomeAccountRecord();
    EXPECT_EQ(kvl::IncomeAccountBuffer.number, 1);
    EXPECT_EQ(kvl::IncomeAccountBuffer.description.trimmed(), QStringLiteral("Ordinary Income"));
    EXPECT_TRUE(kvl::IncomeAccountBuffer.taxFlag);
    ASSERT_TRUE(kvl::OpenIncome());
    ASSERT_EQ(d4recCountDo(kvl::dbIncome), 3);  // the deleted one comes over live
    ASSERT_EQ(d4go(kvl::dbIncome, 2), 0);
    EXPECT_FALSE(d4deleted(kvl::dbIncome));
    ASSERT_EQ(d4go(kvl::dbIncome, 1), 0);
    kvl::LoadIncomeRecord();
    EXPECT_EQ(kvl::IncomeBuffer.date, QDate(1998, 12, 31));
    EXPECT_EQ(kvl::IncomeBuffer.account, 1);
    EXPECT_EQ(kvl::IncomeBuffer.folder, 2);
    EXPECT_TRUE(kvl::IncomeBuffer.imported);
    EXPECT_FALSE(kvl::IncomeBuffer.archived);
    ASSERT_TRUE(kvl::OpenExpenses());
    ASSERT_EQ(d4recCountDo(kvl::dbExpenses), 2);
    ASSERT_EQ(d4go(kvl::dbExpenses, 1), 0);
    EXPECT_FALSE(d4deleted(kvl::dbExpenses));
    kvl::LoadExpenseRecord();
    EXPECT_EQ(kvl::ExpenseBuffer.checkNo, 1201);
    EXPECT_EQ(kvl::ExpenseBuffer.memo.trimmed(), QStringLiteral("nails"));
    code4close(kvl::cb);
    const auto now = DataSetRecords(dir_.path());
    const auto old = DataSetRecords(old_.path());  // Acc.dbf and Folder.dbf, by their names
    EXPECT_EQ(now.at("ACC"), old.at("ACC"));
    EXPECT_EQ(now.at("FOLDER"), old.at("FOLDER"));
}

TEST_F(UpgradeTest, CancelOnTheWarningChangesNothing) {
    messages.answers = {kvl::MsgAnswer::Cancel};
    EXPECT_EQ(kvl::RunUpgrade(oldDir()), kvl::UpgradeOutcome::Declined);
    EXPECT_EQ(progress.events.front(), "show Rebuilding Indexes");  // the caller's steps still run
    ExpectUnchanged();
}

TEST_F(UpgradeTest, AMissingOldFileIsNamedAndNothingIsConverted) {
    fs::remove(old_.file("Exp3.dbf"));
    EXPECT_EQ(kvl::UpgradeOldData(oldDir()), kvl::UpgradeOutcome::NotFound);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Data files not found in ") + oldDir());
    EXPECT_TRUE(progress.events.empty());
    ExpectUnchanged();
}

TEST_F(UpgradeTest, AConversionThatStopsPartWayLeavesEveryTableAsItWas) {
    auto fields = kvltest::kOldExpenses;
    fields.pop_back();  // no EMEMO: the expenses cannot be read as the program reads them
    fs::remove(old_.file("Exp3.dbf"));
    WriteOldTable(old_.file("Exp3.dbf"), fields, {{{"19990110", "0", "9", "1", "Owner", "5"}}});
    QString why;
    std::vector<std::string> progressThen;
    messages.onShow = [&](const QString&) {
        progressThen.push_back(progress.events.empty() ? "" : progress.events.back());
    };
    EXPECT_EQ(kvl::UpgradeOldData(oldDir(), &why), kvl::UpgradeOutcome::Failed);
    EXPECT_TRUE(why.contains(QStringLiteral("EMemo"), Qt::CaseInsensitive)) << why.toStdString();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(messages.shown[1].text.startsWith(QStringLiteral("The conversion stopped: ")));
    EXPECT_TRUE(messages.shown[1].text.endsWith(QStringLiteral("No data file was changed.")));
    // Stopped after the income; the box is gone before the message says so.
    EXPECT_EQ(progressThen, (std::vector<std::string>{"", "hide"}));
    EXPECT_EQ(progress.events[progress.events.size() - 2], "set 60");
    ExpectUnchanged();
}

}  // namespace
