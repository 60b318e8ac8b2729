#include "reports/MultFolU.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "reports/MultFolOps.h"
#include "screen/FormParts.h"

namespace kvl {

TMultFol* MultFolForm = nullptr;

namespace {

// Typed characters choose nothing: the entries begin with blanks, so the Space that marks a
// folder would also jump to the next entry and mark it too.
class TFolderList : public QListWidget {
  public:
    using QListWidget::QListWidget;
    void keyboardSearch(const QString&) override {}
};

}  // namespace

TMultFol::TMultFol(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("MultFol"));
    setWindowTitle(QStringLiteral("Select Folder(s) to Include"));
    TakeOwnerFont(this);
    ListBox1 = new TFolderList(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::MultiSelection);
    BtnRun = FormButton(this, "BtnRun", QStringLiteral("Run"));
    BtnAll = FormButton(this, "BtnAll", QStringLiteral("All"));
    BtnCancel = FormButton(this, "BtnCancel", QStringLiteral("Cancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnRun);
    buttons->addWidget(BtnAll);
    buttons->addWidget(BtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListBox1);
    layout->addLayout(buttons);
    setFixedSize(282, 337);

    connect(BtnRun, &QPushButton::clicked, this, &TMultFol::BtnRunClick);
    connect(BtnAll, &QPushButton::clicked, this, &TMultFol::BtnAllClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TMultFol::BtnCancelClick);
}

std::vector<int> TMultFol::ChooseFolders() {
    FormShow();
    exec();
    return FolderSelection;
}

void TMultFol::FormShow() {
    ListBox1->clear();
    FolderSelection.clear();
    ListBox1->addItems(FolderListItems());
    if (ListBox1->count() == 1) ListBox1->item(0)->setSelected(true);
    // Each showing starts on the list, whatever had the focus when the last one closed: the keys
    // that ran one report must not press another button on the next.
    if (ListBox1->count() > 0)
        ListBox1->selectionModel()->setCurrentIndex(ListBox1->model()->index(0, 0),
                                                    QItemSelectionModel::NoUpdate);
    ListBox1->setFocus();
}

void TMultFol::BtnRunClick() {
    for (int i = 0; i < ListBox1->count(); ++i)
        if (ListBox1->item(i)->isSelected())
            FolderSelection.push_back(ItemFolderNumber(ListBox1->item(i)->text()));
    accept();
}

void TMultFol::BtnAllClick() {
    ListBox1->selectAll();
}

void TMultFol::BtnCancelClick() {
    FolderSelection.clear();
    reject();
}

}  // namespace kvl
