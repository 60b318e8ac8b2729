#include "screen/PickList.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "screen/FormParts.h"

namespace kvl {

TPickList::TPickList(const QString& caption, int visibleRows, QWidget* parent)
    : TFormDialog(parent), visibleRows_(visibleRows) {
    setWindowTitle(caption);
    TakeOwnerFont(this);

    StringGrid1 = new QTableWidget(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setFrameShape(QFrame::NoFrame);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    StringGrid1->setWordWrap(false);
    StringGrid1->setTabKeyNavigation(false);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setMinimumSectionSize(0);
    StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->horizontalHeader()->setMinimumSectionSize(0);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->horizontalHeader()->setStretchLastSection(false);
    StringGrid1->horizontalHeader()->setSectionsClickable(false);
    StringGrid1->horizontalHeader()->setHighlightSections(false);
    StringGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StringGrid1->horizontalHeader()->setFixedHeight(kRowHeight);
    StringGrid1->setFixedHeight(kRowHeight * visibleRows);
    StringGrid1->installEventFilter(this);

    BtnSelect = FormButton(this, "BtnSelect", QStringLiteral("Select"));
    BtnNew = FormButton(this, "BtnNew", QStringLiteral("New"));
    BtnExit = FormButton(this, "BtnExit", QStringLiteral("Exit"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnSelect);
    buttons->addWidget(BtnNew);
    buttons->addWidget(BtnExit);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(StringGrid1, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);

    connect(BtnSelect, &QPushButton::clicked, this, &TPickList::BtnSelectClick);
    connect(BtnNew, &QPushButton::clicked, this, &TPickList::BtnNewClick);
    connect(BtnExit, &QPushButton::clicked, this, &TPickList::BtnExitClick);
    connect(StringGrid1, &QTableWidget::cellClicked, this, &TPickList::StringGrid1Click);
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, &TPickList::StringGrid1DblClick);
}

void TPickList::BeginFill(const QList<Column>& columns) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    StringGrid1->clear();
    StringGrid1->setColumnCount(static_cast<int>(columns.size()));
    StringGrid1->setRowCount(1);
    baseWidth_ = 0;
    QStringList headers;
    // A cell's text stands between the focus frame's margins.
    const int padding =
        2 * (StringGrid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, StringGrid1) +
             1) +
        1;
    for (int c = 0; c < columns.size(); ++c) {
        headers << columns[c].header;
        int width = columns[c].width;
        if (width > 0 && !columns[c].widest.isEmpty())
            width = std::max(
                width, StringGrid1->fontMetrics().horizontalAdvance(columns[c].widest) + padding);
        StringGrid1->setColumnWidth(c, width);
        baseWidth_ += width;
    }
    StringGrid1->setHorizontalHeaderLabels(headers);
    StringGrid1->setColumnHidden(static_cast<int>(columns.size()) - 1, true);
    StringGrid1->setFixedWidth(baseWidth_);
    filled_ = 0;
}

int TPickList::AddRow(const QStringList& cells, long record) {
    if (StringGrid1->rowCount() < filled_ + 1) StringGrid1->setRowCount(filled_ + 1);
    const int row = filled_++;
    QStringList all = cells;
    all << QString::asprintf("%ld", record);
    for (int c = 0; c < all.size() && c < StringGrid1->columnCount(); ++c) {
        auto* item = new QTableWidgetItem(all[c]);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        StringGrid1->setItem(row, c, item);
    }
    return row;
}

void TPickList::EndFill(int currentRow) {
    if (filled_ > 0) {
        BtnSelect->setEnabled(true);
        StringGrid1->setEnabled(true);
        const int row = currentRow >= 0 && currentRow < filled_ ? currentRow : 0;
        StringGrid1->setCurrentCell(row, 0);
        StringGrid1->selectRow(row);
        StringGrid1->setFocus();
    } else {
        StringGrid1->setRowCount(0);
        BtnSelect->setEnabled(false);
        StringGrid1->setEnabled(false);
        BtnNew->setFocus();
    }
    // The header is a grid row too.
    const int gridRows = StringGrid1->rowCount() + 1;
    StringGrid1->setFixedWidth(baseWidth_ + (gridRows > visibleRows_ ? kScrollBarRoom : 0));
    QApplication::restoreOverrideCursor();
}

void TPickList::resetGrid() {
    StringGrid1->clearContents();
    StringGrid1->setRowCount(1);
}

void TPickList::FormClose() {
    resetGrid();
}

void TPickList::BtnSelectClick() {
    const int row = StringGrid1->currentRow();
    if (row < 0 || row >= filled_) return;
    const QTableWidgetItem* record = StringGrid1->item(row, StringGrid1->columnCount() - 1);
    if (!record) return;
    bool ok = false;
    const int value = record->text().toInt(&ok);
    if (!ok) return;
    selection() = value;
    accept();
}

void TPickList::BtnNewClick() {
    selection() = 0;
    accept();
}

void TPickList::BtnExitClick() {
    selection() = -1;
    accept();
}

void TPickList::StringGrid1Click() {
    StringGrid1->viewport()->update();
}

void TPickList::StringGrid1DblClick() {
    BtnSelectClick();
}

bool TPickList::StringGrid1KeyPress(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        BtnSelectClick();
        return true;
    }
    // The grid would jump to the next row whose text begins with the character.
    return !event->text().isEmpty() && event->text().at(0).isPrint();
}

void TPickList::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TPickList::keyPressEvent(QKeyEvent* event) {
    // Escape is Exit: leaving the selection as it was would open the editor on whatever the
    // selection last named.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        BtnExitClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TPickList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StringGrid1 && event->type() == QEvent::KeyPress &&
        StringGrid1KeyPress(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

}  // namespace kvl
