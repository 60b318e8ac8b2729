// The pick lists as data: which records are listed in which order, the first page of a showing and
// its highlight, the paging keys, the scroll bar's events and the cells of a row.
#include <gtest/gtest.h>

#include "EntryOpsFixture.h"
#include "entry/PickPage.h"

namespace {

using kvl::PageKey;
using kvl::PickPage;
using kvl::PickRow;
using kvl::ScrollKind;

class PickPageTest : public kvltest::EntryOpsTest {
  protected:
    // n listed expenses of folder 1 in date order (entered in reverse, so that record order and
    // list order differ); returns their record numbers in list order.
    std::vector<long> Listed(int n) {
        Charts({1, 2}, {1, 2});
        std::vector<long> records(static_cast<size_t>(n));
        for (int i = n - 1; i >= 0; --i)
            records[static_cast<size_t>(i)] = Expense(QDate(2026, 1, 1).addDays(i), 1, 1);
        return records;
    }

    QList<PickRow> Fill(PickPage& page, int* highlighted) {
        return page.FillPage(kvl::ExpenseLedger(), highlighted);
    }

    static std::vector<long> Records(const QList<PickRow>& rows) {
        std::vector<long> out;
        for (const PickRow& r : rows) out.push_back(r.record);
        return out;
    }
};

TEST_F(PickPageTest, ListsTheFoldersUnarchivedRecordsInDateOrder) {
    Charts({1, 2}, {1, 2});
    const long late = Expense(QDate(2026, 3, 1), 1, 1);
    const long early = Expense(QDate(2026, 1, 1), 2, 1);
    Expense(QDate(2026, 2, 1), 1, 1, 10, /*archived=*/true);
    const long other = Expense(QDate(2026, 2, 2), 1, 2);
    const long sameDayAcc1 = Expense(QDate(2026, 1, 1), 1, 1);
    PickPage page;
    page.Build(kvl::ExpenseLedger(), 1, 0);
    EXPECT_EQ(page.RecordList, (std::vector<long>{sameDayAcc1, early, late}));
    page.Build(kvl::ExpenseLedger(), -1, 0);
    EXPECT_EQ(page.RecordList, (std::vector<long>{sameDayAcc1, early, other, late}));
    page.Build(kvl::ExpenseLedger(), 3, 0);
    EXPECT_TRUE(page.empty());
    EXPECT_EQ(page.MaxTop, 0);
}

TEST_F(PickPageTest, FirstShowingAndNewShowTheLastPageWithTheLastHighlighted) {
    const std::vector<long> r = Listed(25);
    PickPage page;
    page.Build(kvl::ExpenseLedger(), 1, 0);
    EXPECT_EQ(page.MaxTop, 15);
    int highlighted = -2;
    const QList<PickRow> rows = Fill(page, &highlighted);
    EXPECT_EQ(Records(rows), std::vector<long>(r.begin() + 15, r.end()));
    EXPECT_EQ(highlighted, 9);
    EXPECT_EQ(page.HighlightRecord, 0);
}

TEST_F(PickPageTest, ASavedRecordInTheMiddleOpensInTheTopRow) {
    const std::vector<long> r = Listed(25);
    PickPage page;
    page.Build(kvl::ExpenseLedger(), 1, r[7]);
    int highlighted = -2;
    EXPECT_EQ(Records(Fill(page, &highlighted)), std::vector<long>(r.begin() + 7, r.begin() + 17));
    EXPECT_EQ(highlighted, 0);
    // Near the end the page is the last one, the record on its own row.
    page.Build(kvl::ExpenseLedger(), 1, r[21]);
    EXPECT_EQ(Records(Fill(page, &highlighted)).front(), r[15]);
    EXPECT_EQ(highlighted, 6);
}

TEST_F(PickPageTest, ARecordNotListedShowsTheFirstPageWithNothingChosen) {
    const std::vector<long> r = Listed(12);
    const long archived = Expense(QDate(2026, 5, 1), 1, 1, 10, true);
    PickPage page;
    page.Build(kvl::ExpenseLedger(), 1, archived);
    int highlighted = -2;
    EXPECT_EQ(Records(Fill(page, &highlighted)).front(), r[0]);
    EXPECT_EQ(highlighted, -1);
}

TEST_F(PickPageTest, PagingKeys) {
    const std::vector<long> r = Listed(25);
    PickPage page;
    page.Build(kvl::ExpenseLedger(), 1, r[0]);
    int h;
    Fill(page, &h);
    EXPECT_TRUE(page.PageKeyDown(PageKey::End, 1));
    EXPECT_EQ(Records(Fill(page, &h)).front(), r[15]);
    // Page Down on the last page: a change that the fill takes back to the same page.
    EXPECT_TRUE(page.PageKeyDown(PageKey::PageDown, 4));
    EXPECT_EQ(Records(Fill(page, &h)).front(), r[15]);
    EXPECT_EQ(page.TopIndex, 15);
    EXPECT_TRUE(page.PageKeyDown(PageKey::PageUp, 4));
    EXPECT_EQ(Fill(page, &h).front().record, r[5]);
    // The arrows move the page only from the edge rows.
    EXPECT_FALSE(page.PageKeyDown(PageKey::Down, 9));
    EXPECT_TRUE(page.PageKeyDown(PageKey::Down, 10));
    EXPECT_EQ(Fill(page, &h).front().record, r[6]);
    EXPECT_FALSE(page.PageKeyDown(PageKey::Up, 2));
    EXPECT_TRUE(page.PageKeyDown(PageKey::Up, 1));
    EXPECT_EQ(page.TopIndex, 5);
    EXPECT_TRUE(page.PageKeyDown(PageKey::Home, 3));
    Fill(page, &h);
    EXPECT_FALSE(page.PageKeyDown(PageKey::Home, 3));
    EXPECT_TRUE(page.PageKeyDown(PageKey::Up, 1));
    EXPECT_EQ(Fill(page, &h).front().record, r[0]);
}

TEST_F(PickPageTest, ScrollBarEvents) {
    Listed(25);
    PickPage page;
    page.Build(kvl::ExpenseLedger(), 1, 0);
    int h;
    Fill(page, &h);
    const struct {
        ScrollKind kind;
        int position;
        bool changes;
        int top;  // after the fill
    } steps[] = {
        {ScrollKind::LineDown, 0, true, 15},      {ScrollKind::LineUp, 0, true, 14},
        {ScrollKind::PageUp, 0, true, 4},         {ScrollKind::PageUp, 0, true, 0},
        {ScrollKind::PageDown, 0, true, 10},      {ScrollKind::ThumbPosition, 3, true, 3},
        {ScrollKind::ThumbPosition, 3, false, 3}, {ScrollKind::Bottom, 0, true, 15},
        {ScrollKind::Other, 7, false, 15},        {ScrollKind::Top, 0, true, 0},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(page.Scroll(s.kind, s.position), s.changes) << static_cast<int>(s.kind);
        Fill(page, &h);
        EXPECT_EQ(page.TopIndex, s.top) << static_cast<int>(s.kind);
    }
}

TEST_F(PickPageTest, AShortListNeverPages) {
    const std::vector<long> r = Listed(7);
    PickPage page;
    page.Build(kvl::ExpenseLedger(), 1, 0);
    EXPECT_EQ(page.MaxTop, 0);
    int h;
    EXPECT_EQ(Fill(page, &h).size(), 7);
    EXPECT_EQ(h, 6);
    page.PageKeyDown(PageKey::End, 1);
    EXPECT_EQ(Fill(page, &h).size(), 7);
    EXPECT_EQ(page.TopIndex, 0);
}

TEST_F(PickPageTest, RowCellsInThreeLocales) {
    Charts({7}, {3});
    const long e = Expense(QDate(2026, 2, 5), 7, 3, 1234567.5 / 10);
    const long i = Income(QDate(2026, 2, 5), 7, 3, -0.5);
    const struct {
        const char* locale;
        const char* date;
        const char* expenseAmount;
        const char* incomeAmount;
    } cases[] = {{"en_US", "2/5/26", "  123,456.75", "       -0.50"},
                 {"en_GB", "05/02/2026", "  123,456.75", "       -0.50"},
                 {"de_DE", "05.02.26", "  123.456,75", "       -0,50"}};
    for (const auto& c : cases) {
        kvl::SetRegional(QLocale(QString::fromLatin1(c.locale)));
        PickPage page;
        int h;
        page.Build(kvl::ExpenseLedger(), -1, e);
        const PickRow row = page.FillPage(kvl::ExpenseLedger(), &h).front();
        EXPECT_EQ(row.record, e);
        EXPECT_EQ(row.cells,
                  (QStringList{QString::fromLatin1(c.date), "7", "3", QString::number(100 + e),
                               QString::fromLatin1(c.expenseAmount),
                               QStringLiteral("Payee %1").arg(e).leftJustified(30)}))
            << c.locale;
        page.Build(kvl::IncomeLedger(), 3, 0);
        EXPECT_EQ(
            page.FillPage(kvl::IncomeLedger(), &h).front().cells,
            (QStringList{QString::fromLatin1(c.date), "7", "3", QString::fromLatin1(c.incomeAmount),
                         QStringLiteral("Sale %1").arg(i).leftJustified(30)}))
            << c.locale;
    }
}

}  // namespace
