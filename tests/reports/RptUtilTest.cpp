// The report grid's rules: page breaks, page headers, titles, sections, dates and amounts.
#include <gtest/gtest.h>

#include "common/QStringPrint.h"
#include "data/Clock.h"
#include "data/dbFiles.h"
#include "reports/RptUtil.h"

namespace {

using namespace kvl;

class RptUtilTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetToday(QDate(2026, 6, 15));
        SetRegional(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override {
        EndReport();
        SetToday(QDate());
    }
    // A one-title, one-header-row report of width w.
    static void Begin(int w, int linesPerPage = kLinesWithoutPrinter) {
        ReportWidth = w;
        CellsPerRow = 3;
        BeginReport(linesPerPage);
        TitleLines = {QStringLiteral("Expense Accounts")};
        ColumnStops = {QStringLiteral("R05"), QStringLiteral("L10")};
        HeaderRows[0] = {QStringLiteral("R05Acnt."), QStringLiteral("L10Account Name"),
                         QStringLiteral("U")};
        SectionLine = QStringLiteral("Deductible Accounts");
    }
    static void AddRows(int count) {
        for (int i = 0; i < count; ++i) {
            StartRow();
            SetValue(0, QString::number(i + 1));
            SetValue(1, QStringLiteral("Account %1").arg(i + 1));
        }
    }
    static std::vector<int> EjectRows() {
        std::vector<int> rows;
        for (int r = 0; r <= LastRow(); ++r)
            if (Cell(r, 0) == QLatin1String("EJECT")) rows.push_back(r);
        return rows;
    }
};

TEST_F(RptUtilTest, TheFirstRowStartsPageOneWithItsHeaderAndNoEject) {
    Begin(40);
    EXPECT_EQ(LastRow(), -1);
    CheckPage(PageLine + 100, true);  // whatever lines are asked for
    AddRows(3);
    EXPECT_TRUE(EjectRows().empty());
    const QStringList expected[] = {
        {"L00Page 1", "R406/15/26", ""},      {"", "", ""},
        {"C20Expense Accounts", "", "B"},     {"", "", ""},
        {"L00Deductible Accounts", "", ""},   {"", "", ""},
        {"R05Acnt.", "L10Account Name", "U"}, {"R051", "L10Account 1", ""},
    };
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(Cell(r, c), expected[r].at(c)) << r << "," << c;
    EXPECT_EQ(LastRow(), 9);
    EXPECT_EQ(PageNo, 1);
}

TEST_F(RptUtilTest, APageHoldsSixtyRowsCountedFromItsPageRow) {
    Begin(40);
    AddRows(200);
    const std::vector<int> ejects = EjectRows();
    ASSERT_GE(ejects.size(), 3u);
    // The first page runs from row 0 through its EJECT row.
    // Seven header rows and 53 data rows; the EJECT row follows them and is no printed line.
    EXPECT_EQ(ejects[0], 60);
    EXPECT_EQ(ejects[1] - ejects[0], 61);
    EXPECT_EQ(Cell(ejects[0] + 1, 0), QStringLiteral("L00Page 2"));
    EXPECT_EQ(Cell(ejects[0] - 1, 1), QStringLiteral("L10Account 53"));
}

TEST_F(RptUtilTest, ABreakInsideATableUnderlinesTheLastRowReplacingItsFlags) {
    Begin(40);
    AddRows(53);
    SetFlags(LastRow(), QStringLiteral("B"));
    AddRows(1);
    EXPECT_EQ(Cell(59, 2), QStringLiteral("U"));
    EXPECT_EQ(Cell(60, 0), QStringLiteral("EJECT"));
}

TEST_F(RptUtilTest, ABreakWithoutHeadersLeavesTheLastRowAndRepeatsNoColumnHeaders) {
    Begin(40);
    AddRows(53);
    EXPECT_TRUE(CheckPage(PageLine + 1, false));
    NewLine();
    EXPECT_EQ(Cell(59, 2), QString());
    EXPECT_EQ(Cell(60, 0), QStringLiteral("EJECT"));
    EXPECT_EQ(Cell(65, 0), QStringLiteral("L00Deductible Accounts"));
    EXPECT_EQ(LastRow(), 66);
    EXPECT_EQ(PageLine, 6);
}

TEST_F(RptUtilTest, AnEmptySectionLineStillTakesItsTwoRows) {
    Begin(40);
    SectionLine.clear();
    CheckPage(PageLine + 1, false);
    EXPECT_EQ(LastRow(), 4);
    EXPECT_EQ(Cell(3, 0), QString());
    EXPECT_EQ(Cell(4, 0), QStringLiteral("L00"));
}

TEST_F(RptUtilTest, TitlesAreCentredOnHalfTheWidthTruncated) {
    for (const auto& [width, centre] : {std::pair{99, "C49"}, {73, "C36"}, {67, "C33"}}) {
        Begin(width);
        CheckPage(1, true);
        EXPECT_EQ(Cell(2, 0), QString::fromLatin1(centre) + QStringLiteral("Expense Accounts"));
        EXPECT_EQ(Cell(0, 1).left(3), QStringLiteral("R%1").arg(width));
        EndReport();
    }
}

TEST_F(RptUtilTest, PageNumbersHaveNoPadding) {
    Begin(40, 12);
    AddRows(60);
    QStringList pages;
    for (int r = 0; r <= LastRow(); ++r)
        if (Cell(r, 0).startsWith(QLatin1String("L00Page"))) pages << Cell(r, 0);
    ASSERT_GE(pages.size(), 10);
    EXPECT_EQ(pages.at(8), QStringLiteral("L00Page 9"));
    EXPECT_EQ(pages.at(9), QStringLiteral("L00Page 10"));
}

TEST_F(RptUtilTest, TooFewLinesPerPageGiveEachRowAPageOfItsOwn) {
    Begin(40, 5);  // fewer than the seven header rows
    AddRows(3);
    const std::vector<int> ejects = EjectRows();
    ASSERT_EQ(ejects.size(), 2u);
    EXPECT_EQ(ejects[0], 8);
    EXPECT_EQ(ejects[1], 17);
    EXPECT_EQ(Cell(16, 1), QStringLiteral("L10Account 2"));
    EXPECT_EQ(Cell(15, 2), QStringLiteral("U"));
}

TEST_F(RptUtilTest, ASecondSectionOpensOnThePageOrStartsOne) {
    Begin(40);
    AddRows(2);
    SectionLine = QStringLiteral("Non-Deductible Accounts");
    OpenSectionOnPage();
    EXPECT_EQ(Cell(LastRow() - 2, 0), QStringLiteral("L00Non-Deductible Accounts"));
    EXPECT_EQ(Cell(LastRow(), 1), QStringLiteral("L10Account Name"));
    EXPECT_EQ(LastRow(), 8 + 5);
    // Five rows short of the page end: the section starts page 2 instead.
    AddRows(60 - PageLine - 5);
    const int before = PageNo;
    OpenSectionOnPage();
    EXPECT_EQ(PageNo, before + 1);
    EXPECT_EQ(Cell(LastRow() - 2, 0), QStringLiteral("L00Non-Deductible Accounts"));
}

TEST_F(RptUtilTest, TheReportDateFormatDoublesSingleLetters) {
    EXPECT_EQ(ReportDateFormatOf(QStringLiteral("M/d/yy")), QStringLiteral("MM/DD/YY"));
    EXPECT_EQ(ReportDateFormatOf(QStringLiteral("MM/dd/yyyy")), QStringLiteral("MM/DD/YYYY"));
    EXPECT_EQ(ReportDateFormatOf(QStringLiteral("d/M/yyyy")), QStringLiteral("DD/MM/YYYY"));
    EXPECT_EQ(ReportDateFormatOf(QStringLiteral("d.M.y")), QStringLiteral("DD.MM.YY"));
    SetRegional(QLocale(QLocale::English, QLocale::UnitedKingdom));
    Begin(40);
    EXPECT_EQ(ReportDate(QDate(2026, 3, 7)), QStringLiteral("07/03/2026"));
    SetRegional(QLocale(QLocale::English, QLocale::UnitedStates));
    Begin(40);
    EXPECT_EQ(ReportDate(QDate(2026, 3, 7)), QStringLiteral("03/07/26"));
    EXPECT_EQ(ReportDate(QDate()), QString());
}

TEST_F(RptUtilTest, AmountsAreThirteenWideWithTheLocaleSeparatorsAndSummedInCents) {
    EXPECT_EQ(FormatAmount(1234567.5), QStringLiteral(" 1,234,567.50"));
    EXPECT_EQ(FormatAmount(-12.3), QStringLiteral("       -12.30"));
    EXPECT_EQ(FormatAmount(12345678901.25), QStringLiteral("12,345,678,901.25"));
    long long sum = 0;
    for (double a : {0.1, 0.2, -0.3}) sum += ToCents(a);
    EXPECT_EQ(FormatCents(sum), QStringLiteral("         0.00"));
    SetRegional(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatCents(123456), QStringLiteral("     1.234,56"));
}

// The bar moves exactly as the quotient of each step would move it, below, at and past the total,
// for totals that are not multiples of 100 and totals under 100.
TEST(ProgressStepsTest, TheBarMovesWhereEveryStepsQuotientWould) {
    struct Positions : ReportContext {
        long done = 0;
        std::vector<std::pair<long, int>> set;  // at which step, which position
        int LinesPerPage() override { return 60; }
        std::vector<int> ChooseFolders() override { return {}; }
        long ChooseAccount(char) override { return -1; }
        void Present(const ReportGrid&) override {}
        void SetProgress(int position) override { set.emplace_back(done, position); }
    };
    for (const bool fullAtTotal : {false, true}) {
        for (const long total : {0L, 1L, 3L, 7L, 99L, 100L, 101L, 12345L}) {
            Positions ctx;
            ProgressSteps steps(ctx, total, fullAtTotal);
            std::vector<std::pair<long, int>> expected;
            for (long done = 1; done <= total + 3; ++done) {
                ctx.done = done;
                steps.step();
                const int position = total > done  ? static_cast<int>(done * 100 / total)
                                     : fullAtTotal ? 100
                                     : total > 0   ? static_cast<int>(done * 100 / total)
                                                   : 0;
                if (expected.empty() || expected.back().second != position)
                    expected.emplace_back(done, position);
            }
            EXPECT_EQ(ctx.set, expected) << "total " << total << ", full " << fullAtTotal;
        }
    }
}

}  // namespace
