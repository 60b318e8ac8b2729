// The expense and income pick lists as data: which records are listed, which ten of them a page
// shows, which row is highlighted, and how the paging keys and the scroll bar move the page.
//
// Build walks the ledger's entries table once in its date tag's order (records marked deleted are
// not in the tag) and lists each record that is not archived and belongs to the default folder (-1:
// any folder), keeping only record numbers. A selection naming a listed record puts that record in
// the top row, highlighted; selection 0 shows the last page with the last record highlighted; any
// other selection shows the first page with nothing chosen. FillPage reads at most kPageRows
// records, brings TopIndex into 0 ... MaxTop first and clears HighlightRecord after. PageKeyDown
// and Scroll return true when TopIndex changed, and the caller then fills the page again.
#pragma once

#include <QList>
#include <QStringList>
#include <vector>

namespace kvl {

struct Ledger;

inline constexpr int kPageRows = 10;

enum class PageKey { PageDown, PageUp, End, Home, Down, Up };
enum class ScrollKind { LineUp, LineDown, PageUp, PageDown, ThumbPosition, Top, Bottom, Other };

struct PickRow {
    QStringList cells;  // the visible columns
    long record;        // the hidden last column
};

class PickPage {
  public:
    std::vector<long> RecordList;
    int TopIndex = 0;
    int MaxTop = 0;
    long HighlightRecord = 0;

    void Build(const Ledger& ledger, int defaultFolder, long selection);
    bool empty() const { return RecordList.empty(); }
    int listed() const { return static_cast<int>(RecordList.size()); }

    // highlighted: the index in the result of the row to highlight, or -1.
    QList<PickRow> FillPage(const Ledger& ledger, int* highlighted);

    // currentRow: the grid's current data row, 1 to kPageRows.
    bool PageKeyDown(PageKey key, int currentRow);
    // position: where the thumb was released (ThumbPosition only).
    bool Scroll(ScrollKind kind, int position = 0);

  private:
    bool moveTo(long top);
};

}  // namespace kvl
