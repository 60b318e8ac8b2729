// The pick lists as data: which records are listed in which order, the first page of a showing
// and its highlight, the paging keys, the scroll bar's events and the cells of a row.
#include <gtest/gtest.h>

#include "entry/EntryOpsFixture.h"
#include "entry/PickPage.h"

namespace {

using kvl::PageKey;
using kvl::PickPage;
using kvl::ScrollKind;

class PickPageTest : public kvltest::EntryOpsTest {
  protected:
    // n listed expenses of folder 1, entered in reverse date order so that record order and list
    // order differ; their record numbers in list order.
    std::vector<long> Listed(int n) {
        Charts({1});
        std::vector<long> r(static_cast<size_t>(n));
        for (int i = n - 1; i >= 0; --i) r[size_t(i)] = Expense(QDate(2026, 1, 1).addDays(i), 1);
        return r;
    }
    // The first record number of the page filled, and the highlighted row.
    std::pair<long, int> Fill() {
        int highlighted = -2;
        const auto rows = page.FillPage(kvl::ExpenseLedger(), &highlighted);
        EXPECT_EQ(page.HighlightRecord, 0);
        return {rows.isEmpty() ? 0 : rows.front().record, highlighted};
    }
    PickPage page;
};

TEST_F(PickPageTest, ListsTheFoldersUnarchivedRecordsInTagOrder) {
    Charts({1, 2});
    const long late = Expense(QDate(2026, 3, 1), 1);
    const long early = Expense(QDate(2026, 1, 1), 1);
    Expense(QDate(2026, 2, 1), 1, /*archived=*/true);
    const long other = Expense(QDate(2026, 2, 2), 2);
    page.Build(kvl::ExpenseLedger(), 1, 0);
    EXPECT_EQ(page.RecordList, (std::vector<long>{early, late}));
    EXPECT_EQ(page.MaxTop, 0);
    page.Build(kvl::ExpenseLedger(), -1, 0);
    EXPECT_EQ(page.RecordList, (std::vector<long>{early, other, late}));
    page.Build(kvl::ExpenseLedger(), 3, 0);
    EXPECT_TRUE(page.empty());
}

TEST_F(PickPageTest, TheFirstPageOfAShowing) {
    const std::vector<long> r = Listed(25);
    const long archived = Expense(QDate(2026, 1, 5), 1, true);
    const struct {
        long selection;
        long top;  // the first record shown
        int highlighted;
    } cases[] = {{0, r[15], 9},      // nothing chosen, or new: the last page, the last record
                 {r[7], r[7], 0},    // a record in the middle: on the top row
                 {r[21], r[15], 6},  // near the end: the last page
                 {archived, r[0], -1},
                 {-1, r[0], -1}};  // not listed: the first page
    for (const auto& c : cases) {
        page.Build(kvl::ExpenseLedger(), 1, c.selection);
        EXPECT_EQ(page.MaxTop, 15);
        EXPECT_EQ(Fill(), std::make_pair(c.top, c.highlighted)) << c.selection;
    }
}

TEST_F(PickPageTest, PagingKeysAndScrollBarEvents) {
    const std::vector<long> r = Listed(25);
    page.Build(kvl::ExpenseLedger(), 1, r[0]);
    Fill();
    const struct {
        PageKey key;
        int row;  // the grid's current data row
        bool moves;
        long top;  // after the fill
    } keys[] = {{PageKey::End, 1, true, r[15]},   {PageKey::PageDown, 4, true, r[15]},
                {PageKey::PageUp, 4, true, r[5]}, {PageKey::Down, 9, false, r[5]},
                {PageKey::Down, 10, true, r[6]},  {PageKey::Up, 2, false, r[6]},
                {PageKey::Home, 3, true, r[0]},   {PageKey::Home, 3, false, r[0]},
                {PageKey::Up, 1, true, r[0]}};
    for (const auto& k : keys) {
        EXPECT_EQ(page.PageKeyDown(k.key, k.row), k.moves) << int(k.key);
        EXPECT_EQ(Fill().first, k.top) << int(k.key);
    }
    const struct {
        ScrollKind kind;
        int position;
        bool moves;
        int top;
    } events[] = {{ScrollKind::Bottom, 0, true, 15},       {ScrollKind::LineDown, 0, true, 15},
                  {ScrollKind::LineUp, 0, true, 14},       {ScrollKind::PageUp, 0, true, 4},
                  {ScrollKind::PageUp, 0, true, 0},        {ScrollKind::PageDown, 0, true, 10},
                  {ScrollKind::ThumbPosition, 3, true, 3}, {ScrollKind::ThumbPosition, 3, false, 3},
                  {ScrollKind::Other, 7, false, 3},        {ScrollKind::Top, 0, true, 0}};
    for (const auto& e : events) {
        EXPECT_EQ(page.Scroll(e.kind, e.position), e.moves) << int(e.kind);
        Fill();
        EXPECT_EQ(page.TopIndex, e.top) << int(e.kind);
    }
}

TEST_F(PickPageTest, RowCellsInThreeLocales) {
    Charts({3});
    const long e = Expense(QDate(2026, 2, 5), 3, false, 123456.75);
    Income(QDate(2026, 2, 5), 3, false, -0.5);
    const struct {
        const char *locale, *date, *amount;
    } cases[] = {{"en_US", "2/5/26", "  123,456.75"},
                 {"en_GB", "05/02/2026", "  123,456.75"},
                 {"de_DE", "05.02.26", "  123.456,75"}};
    for (const auto& c : cases) {
        kvl::SetRegional(QLocale(QString::fromLatin1(c.locale)));
        int h;
        page.Build(kvl::ExpenseLedger(), -1, 0);
        EXPECT_EQ(page.FillPage(kvl::ExpenseLedger(), &h).front().cells,
                  (QStringList{c.date, "1", "3", QString::number(100 + e), c.amount,
                               QStringLiteral("Payee %1").arg(e).leftJustified(30)}));
    }
    int h;
    page.Build(kvl::IncomeLedger(), 3, 0);
    EXPECT_EQ(page.FillPage(kvl::IncomeLedger(), &h).front().cells,
              (QStringList{"05.02.26", "1", "3", "       -0,50", "Sale 1" + QString(24, ' ')}));
}

}  // namespace
