#include "entry/PickEntries.h"

#include <QApplication>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableWidget>

#include "entry/Ledger.h"

namespace kvl {

TPickEntries::TPickEntries(const Ledger& ledger, const QString& caption, const int& defaultFolder,
                           QWidget* parent)
    : TPickList(caption, /*visibleRows=*/kPageRows + 1, parent),
      ledger_(ledger),
      defaultFolder_(defaultFolder) {
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBar1 = new QScrollBar(Qt::Vertical, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->setPageStep(kPageRows);
    ScrollBar1->setSingleStep(1);
    // The page moves when the thumb is let go, not while it is dragged.
    ScrollBar1->setTracking(false);
    // The keyboard pages through the grid's keys; the bar is for the mouse.
    ScrollBar1->setFocusPolicy(Qt::NoFocus);
    ScrollBar1->setFixedHeight(StringGrid1->minimumHeight());
    // The bar stands against the grid's right edge.
    if (auto* box = qobject_cast<QBoxLayout*>(layout())) {
        const int at = box->indexOf(StringGrid1);
        box->removeWidget(StringGrid1);
        auto* row = new QHBoxLayout;
        row->setSpacing(0);
        row->addStretch();
        row->addWidget(StringGrid1);
        row->addWidget(ScrollBar1);
        row->addStretch();
        box->insertLayout(at, row);
    }
    connect(ScrollBar1, &QScrollBar::actionTriggered, this, &TPickEntries::ScrollBar1Scroll);
}

int& TPickEntries::selection() {
    return ledger_.selection;
}

void TPickEntries::FormShow() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    page_.Build(ledger_, defaultFolder_, ledger_.selection);
    ScrollBar1->setEnabled(false);
    ScrollBar1->setRange(0, 0);
    keptRow_ = 0;
    if (page_.MaxTop >= 1) {
        ScrollBar1->setRange(0, page_.MaxTop);
        ScrollBar1->setValue(std::min(page_.TopIndex, page_.MaxTop));
        ScrollBar1->setEnabled(true);
    }
    FillPage();
    QApplication::restoreOverrideCursor();
}

void TPickEntries::FillPage() {
    QList<Column> columns;
    const QStringList widest = ledger_.widestCells();
    for (qsizetype i = 0; i < ledger_.columns.size(); ++i)
        columns.append({ledger_.columns[i].header, ledger_.columns[i].width, widest.value(i)});
    BeginFill(columns);
    int highlighted = -1;
    const QList<PickRow> rows =
        page_.empty() ? QList<PickRow>() : page_.FillPage(ledger_, &highlighted);
    for (const PickRow& row : rows) {
        const int at = AddRow(row.cells, row.record);
        for (int c = 0; c < ledger_.columns.size(); ++c) {
            QTableWidgetItem* item = StringGrid1->item(at, c);
            if (item && ledger_.columns[c].amount)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    if (highlighted >= 0) keptRow_ = highlighted;
    EndFill(keptRow_);
    ScrollBar1->setValue(page_.TopIndex);
}

bool TPickEntries::StringGrid1KeyDown(int key) {
    static const struct {
        int key;
        PageKey page;
    } kKeys[] = {{Qt::Key_PageDown, PageKey::PageDown}, {Qt::Key_PageUp, PageKey::PageUp},
                 {Qt::Key_End, PageKey::End},           {Qt::Key_Home, PageKey::Home},
                 {Qt::Key_Down, PageKey::Down},         {Qt::Key_Up, PageKey::Up}};
    if (page_.empty()) return false;
    for (const auto& k : kKeys) {
        if (k.key != key) continue;
        keptRow_ = std::max(StringGrid1->currentRow(), 0);
        if (!page_.PageKeyDown(k.page, keptRow_ + 1)) return false;
        FillPage();
        return true;
    }
    return false;
}

void TPickEntries::ScrollBar1Scroll(int action) {
    ScrollKind kind = ScrollKind::Other;
    int position = 0;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            kind = ScrollKind::LineUp;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            kind = ScrollKind::LineDown;
            break;
        case QAbstractSlider::SliderPageStepSub:
            kind = ScrollKind::PageUp;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            kind = ScrollKind::PageDown;
            break;
        case QAbstractSlider::SliderToMinimum:
            kind = ScrollKind::Top;
            break;
        case QAbstractSlider::SliderToMaximum:
            kind = ScrollKind::Bottom;
            break;
        case QAbstractSlider::SliderMove:
            // While the thumb is dragged the page stays; the thumb let go (or moved by the wheel)
            // gives its position.
            if (ScrollBar1->isSliderDown()) break;
            kind = ScrollKind::ThumbPosition;
            position = ScrollBar1->sliderPosition();
            break;
        default:
            break;
    }
    keptRow_ = std::max(StringGrid1->currentRow(), 0);
    if (page_.Scroll(kind, position))
        FillPage();
    else if (kind != ScrollKind::Other)
        ScrollBar1->setValue(page_.TopIndex);
}

void TPickEntries::done(int result) {
    TPickList::done(result);
    StringGrid1->setColumnCount(static_cast<int>(ledger_.columns.size()));
}

bool TPickEntries::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StringGrid1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier)
            StringGrid1KeyDown(key->key());
    }
    return TPickList::eventFilter(watched, event);
}

}  // namespace kvl
