// Erasing data: the chain of questions, the steps each answer allows, and the choices the command
// line may make.
#include <gtest/gtest.h>

#include "Support.h"
#include "data/Erase.h"

namespace {

using kvl::EraseStep;
using kvltest::DataDirTest;
using kvltest::DataSetRecords;

class EraseTest : public DataDirTest {
  protected:
    void SetUp() override {
        DataDirTest::SetUp();
        MakeDataSet(true);
        before_ = DataSetRecords(dir_.path());
    }
    std::vector<std::string> asked() const {
        std::vector<std::string> texts;
        for (const auto& m : messages.shown) {
            EXPECT_EQ(m.kind, kvl::MsgKind::InformationOkCancel);
            EXPECT_EQ(m.byDefault, kvl::MsgDefault::Cautious) << m.text.toStdString();
            texts.push_back(m.text.toStdString());
        }
        return texts;
    }
    std::map<std::string, std::vector<std::string>> before_;
};

TEST_F(EraseTest, CancelOnIncomeOffersNeitherTheIncomeChartNorTheFolders) {
    messages.answers = {kvl::MsgAnswer::Cancel};
    EXPECT_EQ(kvl::EraseData(),
              (std::vector<EraseStep>{EraseStep::Expenses, EraseStep::ExpenseAccounts}));
    EXPECT_EQ(asked(),
              (std::vector<std::string>{"ERASE ALL INCOME DATA?", "ERASE ALL EXPENSE DATA?",
                                        "ERASE ALL EXPENSE ACCOUNT DEFINITIONS?"}));
    const auto now = DataSetRecords(dir_.path());
    EXPECT_TRUE(now.at("EXP5").empty());
    EXPECT_TRUE(now.at("ACC").empty());
    for (const char* kept : {"INC5", "ACCI", "FOLDER"}) EXPECT_EQ(now.at(kept), before_.at(kept));
    EXPECT_TRUE(kvl::cb->tables().empty());
}

TEST_F(EraseTest, OkToEveryQuestionEmptiesAllFiveTablesAndKeepsTheSettings) {
    EXPECT_EQ(kvl::EraseData().size(), 5u);
    EXPECT_EQ(asked().size(), 5u);
    EXPECT_EQ(asked().back(), "ERASE ALL FOLDER DEFINITIONS?");
    for (const auto& [table, rows] : DataSetRecords(dir_.path()))
        EXPECT_TRUE(rows.empty()) << table;
    ASSERT_TRUE(kvl::OpenSettings());
    EXPECT_EQ(d4recCountDo(kvl::dbSettings), 1);
}

TEST(EraseChoice, AStepWithoutTheStepsItNeedsIsRefused) {
    EXPECT_TRUE(kvl::EraseChoiceError({EraseStep::Income, EraseStep::IncomeAccounts}).isEmpty());
    EXPECT_TRUE(kvl::EraseChoiceError({EraseStep::Expenses, EraseStep::Income, EraseStep::Folders})
                    .isEmpty());
    EXPECT_EQ(kvl::EraseChoiceError({EraseStep::ExpenseAccounts}).toStdString(),
              "the expense account definitions may only be erased together with the expense data");
    EXPECT_EQ(kvl::EraseChoiceError({EraseStep::Folders, EraseStep::Income}).toStdString(),
              "the folder definitions may only be erased together with the expense data");
}

}  // namespace
