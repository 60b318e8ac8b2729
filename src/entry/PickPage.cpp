#include "entry/PickPage.h"

#include <algorithm>

#include "entry/Ledger.h"

namespace kvl {

void PickPage::Build(const Ledger& ledger, int defaultFolder, long selection) {
    RecordList.clear();
    TopIndex = 0;
    HighlightRecord = 0;
    DATA4* table = ledger.entries;
    for (int rc = d4top(table); rc == r4success; rc = d4skip(table, 1)) {
        if (f4true(ledger.archive)) continue;
        if (defaultFolder != -1 && f4int(ledger.folder) != defaultFolder) continue;
        const long record = d4recNo(table);
        if (record == selection) {
            HighlightRecord = record;
            TopIndex = listed();
        }
        RecordList.push_back(record);
    }
    error4exitTest(cb);
    if (selection == 0) {
        TopIndex = std::max(listed() - 1, 0);
        if (!RecordList.empty()) HighlightRecord = RecordList.back();
    }
    MaxTop = std::max(listed() - kPageRows, 0);
}

QList<PickRow> PickPage::FillPage(const Ledger& ledger, int* highlighted) {
    TopIndex = std::clamp(TopIndex, 0, MaxTop);
    *highlighted = -1;
    QList<PickRow> rows;
    const int end = std::min(TopIndex + kPageRows, listed());
    for (int i = TopIndex; i < end; ++i) {
        const long record = RecordList[static_cast<size_t>(i)];
        GoToRecord(ledger.entries, record);
        if (record == HighlightRecord) *highlighted = static_cast<int>(rows.size());
        rows.append({ledger.rowCells(), record});
    }
    HighlightRecord = 0;
    return rows;
}

bool PickPage::moveTo(long top) {
    // Far beyond either end is the same page as the end itself.
    const int clamped = static_cast<int>(std::clamp<long>(top, -1, long{MaxTop} + kPageRows));
    if (clamped == TopIndex) return false;
    TopIndex = clamped;
    return true;
}

bool PickPage::PageKeyDown(PageKey key, int currentRow) {
    switch (key) {
        case PageKey::PageDown:
            return moveTo(long{TopIndex} + kPageRows);
        case PageKey::PageUp:
            return moveTo(long{TopIndex} - kPageRows);
        case PageKey::End:
            return moveTo(MaxTop);
        case PageKey::Home:
            return moveTo(0);
        case PageKey::Down:
            return currentRow == kPageRows && moveTo(long{TopIndex} + 1);
        case PageKey::Up:
            return currentRow == 1 && moveTo(long{TopIndex} - 1);
    }
    return false;
}

bool PickPage::Scroll(ScrollKind kind, int position) {
    switch (kind) {
        case ScrollKind::LineUp:
            return moveTo(long{TopIndex} - 1);
        case ScrollKind::LineDown:
            return moveTo(long{TopIndex} + 1);
        case ScrollKind::PageUp:
            return moveTo(long{TopIndex} - kPageRows);
        case ScrollKind::PageDown:
            return moveTo(long{TopIndex} + kPageRows);
        case ScrollKind::ThumbPosition:
            return moveTo(position);
        case ScrollKind::Top:
            return moveTo(0);
        case ScrollKind::Bottom:
            return moveTo(MaxTop);
        case ScrollKind::Other:
            break;
    }
    return false;
}

}  // namespace kvl
