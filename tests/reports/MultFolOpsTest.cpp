// Folder selection for reports: how many folders there are decides who chooses; the selection's
// tests, names and the "Included Folders:" block.
#include <gtest/gtest.h>

#include "reports/MultFolOps.h"
#include "reports/ReportsFixture.h"
#include "reports/RptUtil.h"

namespace {

using namespace kvl;

class MultFolTest : public kvltest::ReportsTest {
  protected:
    void SetUp() override {
        ReportsTest::SetUp();
        OpenFolders();
    }
    void TearDown() override {
        EndReport();
        FolderSelection.clear();
        ReportsTest::TearDown();
    }
};

TEST_F(MultFolTest, WithoutFoldersNoReportIsBuiltAndNobodyIsAsked) {
    EXPECT_FALSE(SelectReportFolders(ctx));
    EXPECT_TRUE(FolderSelection.empty());
    EXPECT_EQ(ctx.folderQuestions, 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, MsgKind::Information);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Create folders before running reports"));
}

TEST_F(MultFolTest, OneLiveFolderIsTheSelectionAndNamesTheReport) {
    AddFolder(3, QStringLiteral("Gone"));
    d4delete(dbFolders);
    AddFolder(7, QStringLiteral("Office  "));
    EXPECT_TRUE(SelectReportFolders(ctx));
    EXPECT_EQ(FolderSelection, std::vector<int>{7});
    EXPECT_EQ(ctx.folderQuestions, 0);
    EXPECT_EQ(FolderTitle(QStringLiteral("General Ledger")),
              QStringLiteral("Office General Ledger"));
    EXPECT_EQ(FolderSelected(7), 0);
    EXPECT_EQ(FolderSelected(3), -1);
}

TEST_F(MultFolTest, TwoOrMoreFoldersAreChosenFromTheListInNumberOrder) {
    AddFolder(12, QStringLiteral("Rentals"));
    AddFolder(5, QStringLiteral("Office"));
    AddFolder(8, QStringLiteral("Deleted"));
    d4delete(dbFolders);
    EXPECT_EQ(FolderListItems(),
              QStringList({QStringLiteral("   5 - Office") + QString(24, QLatin1Char(' ')),
                           QStringLiteral("  12 - Rentals") + QString(23, QLatin1Char(' '))}));
    EXPECT_EQ(ItemFolderNumber(QStringLiteral("  12 - Rentals")), 12);

    ctx.folderChoices = {{5, 12}, {}};
    EXPECT_TRUE(SelectReportFolders(ctx));
    EXPECT_EQ(FolderSelected(12), 1);
    EXPECT_EQ(FolderTitle(QStringLiteral("Profit Report")), QStringLiteral("Profit Report"));
    EXPECT_FALSE(SelectReportFolders(ctx));  // nothing chosen
    EXPECT_EQ(ctx.folderQuestions, 2);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(FolderName(12), QStringLiteral("Rentals"));
    EXPECT_EQ(FolderName(8), QString());
}

TEST_F(MultFolTest, TheIncludedFoldersBlockCrossesAPageWithoutColumnHeaders) {
    AddFolder(1, QStringLiteral("North"));
    AddFolder(2, QStringLiteral("South"));
    AddFolder(3, QStringLiteral("East"));
    FolderSelection = {1, 2, 3};
    ReportWidth = 40;
    CellsPerRow = 3;
    BeginReport(12);
    TitleLines = {QStringLiteral("Report")};
    HeaderRows[0] = {QStringLiteral("L00Head"), QString(), QStringLiteral("U")};
    CheckPage(1, true);
    while (PageLine < 9) NewLine();
    AddIncludedFolders();
    const QStringList lines = kvltest::ReportsTest::Lines(
        kvltest::RecordingContext::Export(Grid, ExportFormat::AsciiText));
    auto stored = [](const char* name) { return QString::fromLatin1(name).leftJustified(30); };
    const QStringList tail = lines.mid(9);
    ASSERT_EQ(tail.size(), 11);
    EXPECT_EQ(tail[0], QString());
    EXPECT_EQ(tail[1], QString());
    EXPECT_EQ(tail[2], QStringLiteral("Included Folders: ") + stored("North"));
    EXPECT_EQ(tail[3], QString());  // the EJECT row
    EXPECT_TRUE(tail[4].startsWith(QStringLiteral("Page 2")));
    EXPECT_EQ(tail[8], QString());  // the empty section line; no headers
    EXPECT_EQ(tail[9], QString(18, QLatin1Char(' ')) + stored("South"));
    EXPECT_EQ(tail[10], QString(18, QLatin1Char(' ')) + stored("East"));
    EXPECT_EQ(Cell(11, 2), QString());  // the old page's last row is not underlined
}

}  // namespace
