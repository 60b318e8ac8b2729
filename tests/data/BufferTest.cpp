#include <gtest/gtest.h>

#include <string>

#include "Support.h"
#include "engine/Engine.h"

namespace {

using kvltest::DataDirTest;

class BufferTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet();
    }

    // The raw bytes of a field of record 1, read past the program's routines.
    std::string RawField(const char* table, const char* field) {
        xb::Engine engine;
        engine.settings.autoOpen = false;
        engine.settings.readOnly = true;
        xb::Table* t = engine.open(file(table));
        EXPECT_NE(t, nullptr);
        if (!t) return {};
        EXPECT_EQ(t->go(1), 0);
        return std::string(t->field(field)->raw());
    }
};

TEST_F(BufferTest, ExpenseRoundTripKeepsEveryField) {
    ASSERT_TRUE(kvl::OpenExpenses());
    ASSERT_EQ(d4appendBlank(kvl::dbExpenses), 0);
    kvl::ExpenseBuffer = {QDate(2026, 5, 31),
                          12345678,
                          17,
                          3,
                          QStringLiteral("Crème Brûlée Café"),
                          -1234.56,
                          QStringLiteral("Ölfilter für den Bagger"),
                          true};
    kvl::StoreExpenseRecord();
    code4close(kvl::cb);

    ASSERT_TRUE(kvl::OpenExpenses());
    kvl::ExpenseBuffer = {};
    kvl::LoadExpenseRecord();
    const kvl::ExpenseRecord& e = kvl::ExpenseBuffer;
    EXPECT_EQ(e.date, QDate(2026, 5, 31));
    EXPECT_EQ(e.checkNo, 12345678);
    EXPECT_EQ(e.account, 17);
    EXPECT_EQ(e.folder, 3);
    EXPECT_EQ(e.payTo.trimmed(), QStringLiteral("Crème Brûlée Café"));
    EXPECT_EQ(e.payTo.size(), 30);  // raw text at the field's full width
    EXPECT_DOUBLE_EQ(e.amount, -1234.56);
    EXPECT_EQ(e.memo.trimmed(), QStringLiteral("Ölfilter für den Bagger"));
    EXPECT_TRUE(e.archived);
    code4close(kvl::cb);
    // Windows-1252 in the file: è is one byte 0xE8.
    EXPECT_EQ(RawField("EXP5.dbf", "PAYTO").substr(0, 5), std::string("Cr\xE8me"));
    EXPECT_EQ(RawField("EXP5.dbf", "ARCHIVE"), "T");
}

TEST_F(BufferTest, DateZeroStoresBlankAndLoadsAsDateZero) {
    ASSERT_TRUE(kvl::OpenExpenses());
    ASSERT_EQ(d4appendBlank(kvl::dbExpenses), 0);
    kvl::ExpenseBuffer = {};
    kvl::ExpenseBuffer.date = QDate();
    kvl::StoreExpenseRecord();
    code4close(kvl::cb);
    EXPECT_EQ(RawField("EXP5.dbf", "EXPDATE"), "        ");
    ASSERT_TRUE(kvl::OpenExpenses());
    kvl::ExpenseBuffer.date = QDate(2020, 1, 1);
    kvl::LoadExpenseRecord();
    EXPECT_FALSE(kvl::ExpenseBuffer.date.isValid());
}

TEST_F(BufferTest, StoredDatesPassTheCenturyWindow) {
    kvl::SetToday(QDate(2026, 1, 2));
    ASSERT_TRUE(kvl::OpenIncome());
    ASSERT_EQ(d4appendBlank(kvl::dbIncome), 0);
    kvl::IncomeBuffer = {};
    kvl::IncomeBuffer.date = QDate(1965, 5, 1);
    kvl::StoreIncomeRecord();
    code4close(kvl::cb);
    EXPECT_EQ(RawField("INC5.dbf", "INCDATE"), "20650501");
}

TEST_F(BufferTest, TextIsCutToTheFieldWidthInCodePageBytes) {
    ASSERT_TRUE(kvl::OpenFolders());
    ASSERT_EQ(d4appendBlank(kvl::dbFolders), 0);
    kvl::FolderBuffer = {5, QString(31, QChar(0x00E9))};  // 31 × é: two bytes each in UTF-8
    kvl::StoreFolderRecord();
    code4close(kvl::cb);
    EXPECT_EQ(RawField("FOLDER.dbf", "FOLNAME"), std::string(30, '\xE9'));
    ASSERT_TRUE(kvl::OpenFolders());
    kvl::LoadFolderRecord();
    EXPECT_EQ(kvl::FolderBuffer.number, 5);
    EXPECT_EQ(kvl::FolderBuffer.name, QString(30, QChar(0x00E9)));
}

TEST_F(BufferTest, IncomeRoundTrip) {
    ASSERT_TRUE(kvl::OpenIncome());
    ASSERT_EQ(d4appendBlank(kvl::dbIncome), 0);
    kvl::IncomeBuffer = {
        4, QDate(1998, 12, 31), QStringLiteral("Imported payment"), 999999.99, 9999, true, false};
    kvl::StoreIncomeRecord();
    code4close(kvl::cb);
    ASSERT_TRUE(kvl::OpenIncome());
    kvl::IncomeBuffer = {};
    kvl::LoadIncomeRecord();
    EXPECT_EQ(kvl::IncomeBuffer.account, 4);
    EXPECT_EQ(kvl::IncomeBuffer.date, QDate(1998, 12, 31));
    EXPECT_EQ(kvl::IncomeBuffer.description.trimmed(), "Imported payment");
    EXPECT_DOUBLE_EQ(kvl::IncomeBuffer.amount, 999999.99);
    EXPECT_EQ(kvl::IncomeBuffer.folder, 9999);
    EXPECT_TRUE(kvl::IncomeBuffer.imported);
    EXPECT_FALSE(kvl::IncomeBuffer.archived);
}

TEST_F(BufferTest, EachChartHasItsOwnBufferAndHandles) {
    ASSERT_TRUE(kvl::OpenExpenseAccounts());
    ASSERT_TRUE(kvl::OpenIncomeAccounts());
    ASSERT_EQ(d4appendBlank(kvl::dbExpenseAccounts), 0);
    kvl::ExpenseAccountBuffer = {11, QStringLiteral("Owner Draw"), false};
    kvl::StoreAccountRecord('E');
    ASSERT_EQ(d4appendBlank(kvl::dbIncomeAccounts), 0);
    kvl::IncomeAccountBuffer = {1, QStringLiteral("Ordinary Income"), true};
    kvl::StoreAccountRecord('I');
    code4close(kvl::cb);

    ASSERT_TRUE(kvl::OpenExpenseAccounts());
    ASSERT_TRUE(kvl::OpenIncomeAccounts());
    kvl::LoadAccountRecord('E');
    kvl::LoadAccountRecord('I');
    EXPECT_EQ(kvl::ExpenseAccountBuffer.number, 11);
    EXPECT_EQ(kvl::ExpenseAccountBuffer.description.trimmed(), "Owner Draw");
    EXPECT_FALSE(kvl::ExpenseAccountBuffer.taxFlag);
    EXPECT_EQ(kvl::IncomeAccountBuffer.number, 1);
    EXPECT_EQ(kvl::IncomeAccountBuffer.description.trimmed(), "Ordinary Income");
    EXPECT_TRUE(kvl::IncomeAccountBuffer.taxFlag);
    EXPECT_EQ(d4recCountDo(kvl::dbExpenseAccounts), 1);
    EXPECT_EQ(d4recCountDo(kvl::dbIncomeAccounts), 1);
}

TEST_F(BufferTest, SettingsTextsAreCutTo59Characters) {
    kvl::Settings = {QString(70, QLatin1Char('N')), 7, 15, QStringLiteral("Courier New"), 10};
    kvl::WriteSettings();
    EXPECT_TRUE(kvl::cb->tables().empty());
    EXPECT_EQ(RawField("KVL1.dbf", "UNAME"), std::string(59, 'N') + " ");

    kvl::Settings = {};
    ASSERT_TRUE(kvl::OpenSettings());
    kvl::LoadSettings();
    code4close(kvl::cb);
    EXPECT_EQ(kvl::Settings.userName, QString(59, QLatin1Char('N')) + QLatin1Char(' '));
    EXPECT_EQ(kvl::Settings.fyMonth, 7);
    EXPECT_EQ(kvl::Settings.fyDay, 15);
    EXPECT_EQ(kvl::Settings.fontName.trimmed(), "Courier New");
    EXPECT_EQ(kvl::Settings.fontSize, 10);
}

TEST_F(BufferTest, NewDataSetSettingsRecord) {
    ASSERT_TRUE(kvl::OpenSettings());
    EXPECT_EQ(d4recCountDo(kvl::dbSettings), 1);
    kvl::LoadSettings();
    EXPECT_EQ(kvl::Settings.userName.trimmed(), "Test User");
    EXPECT_EQ(kvl::Settings.fyMonth, 1);
    EXPECT_EQ(kvl::Settings.fyDay, 1);
    EXPECT_TRUE(kvl::Settings.fontName.trimmed().isEmpty());
    EXPECT_EQ(kvl::Settings.fontSize, 0);
}

TEST_F(BufferTest, WritingSettingsIntoAnEmptyTableAddsTheRecord) {
    ASSERT_TRUE(kvl::OpenSettings());
    ASSERT_EQ(d4zap(kvl::dbSettings, 1, d4recCountDo(kvl::dbSettings)), 0);
    code4close(kvl::cb);
    kvl::Settings = {QStringLiteral("Kept"), 4, 6, QString(), 0};
    kvl::WriteSettings();
    ASSERT_TRUE(kvl::OpenSettings());
    EXPECT_EQ(d4recCountDo(kvl::dbSettings), 1);
    kvl::Settings = {};
    kvl::LoadSettings();
    EXPECT_EQ(kvl::Settings.userName.trimmed(), "Kept");
    EXPECT_EQ(kvl::Settings.fyMonth, 4);
}

}  // namespace
