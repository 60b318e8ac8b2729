#include "entry/IncomeU.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/EntryRules.h"
#include "data/Messages.h"
#include "entry/EntryEdit.h"
#include "entry/EntryParts.h"
#include "entry/Ledger.h"
#include "screen/DropList.h"
#include "screen/FormParts.h"
#include "screen/MaskEdit.h"
#include "screen/Scrutil.h"

namespace kvl {

TIncome* IncomeForm = nullptr;

TIncome::TIncome(const int& defaultFolder, QWidget* parent)
    : TFormDialog(parent), defaultFolder_(defaultFolder) {
    setObjectName(QStringLiteral("Income"));
    setWindowTitle(QStringLiteral("Income"));
    TakeOwnerFont(this);

    MaskEdit1 = DateField(this, "MaskEdit1");
    MaskEdit2 = AmountField(this, "MaskEdit2");
    Edit1 = DescriptionField(this, "Edit1");
    ComboBox1 = new TDropDownList(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox2 = new TDropDownList(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    for (TDropDownList* list : {ComboBox1, ComboBox2})
        list->setMinimumWidth(list->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 24);
    Label1 = FormLabel(this, "Label1", QStringLiteral("Date:"), MaskEdit1);
    Label2 = FormLabel(this, "Label2", QStringLiteral("Amount:"), MaskEdit2);
    Label3 = FormLabel(this, "Label3", QStringLiteral("Description:"), Edit1);
    Label4 = FormLabel(this, "Label4", QStringLiteral("Account:"), ComboBox1);
    Label5 = FormLabel(this, "Label5", QStringLiteral("Folder"), ComboBox2);
    BtnSave = FormButton(this, "BtnSave", QStringLiteral("Save"));
    BtnDelete = FormButton(this, "BtnDelete", QStringLiteral("Delete"));
    BtnCancel = CancelButton(this);
    BitBtn1 = HelpButton(this, 510);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    // The window has no help context of its own; F1 opens its help button's topic.
    HelpKey(this, 510);

    auto* fields = new QGridLayout;
    const QList<QPair<QLabel*, QWidget*>> rows{{Label1, MaskEdit1},
                                               {Label2, MaskEdit2},
                                               {Label3, Edit1},
                                               {Label4, ComboBox1},
                                               {Label5, ComboBox2}};
    for (int r = 0; r < rows.size(); ++r) {
        fields->addWidget(rows[r].first, r, 0);
        fields->addWidget(rows[r].second, r, 1, Qt::AlignLeft);
    }
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BtnSave, BtnDelete, BtnCancel, BitBtn1}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    QWidget* order[] = {MaskEdit1, MaskEdit2, Edit1,     ComboBox1, BtnSave,
                        BtnDelete, BtnCancel, ComboBox2, BitBtn1};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(MaskEdit1, &TMaskEdit::fieldExit, this, &TIncome::MaskEdit1Exit);
    refusedDate_.watch(MaskEdit1);
    connect(MaskEdit2, &TMaskEdit::fieldExit, this, &TIncome::MaskEdit2Exit);
    connect(MaskEdit2, &TMaskEdit::keyPressed, this, [this](QKeyEvent* event, bool* swallow) {
        AmountFieldKeyPress(MaskEdit2, event, swallow);
    });
    connect(BtnSave, &QPushButton::clicked, this, &TIncome::BtnSaveClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TIncome::BtnDeleteClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TIncome::BtnCancelClick);
}

void TIncome::FormShow() {
    const Ledger& ledger = IncomeLedger();
    MaskEdit2->setEditMask(AmountEditMask());
    refusedDate_.forget();
    BtnSave->setEnabled(true);
    BtnDelete->setVisible(PrepareIncomeBuffer(defaultFolder_));
    showBuffer();
    const Choices accounts = AccountChoices(ledger, IncomeBuffer.account);
    if (accounts.empty()) {
        ShowMessage(MsgKind::Information, ledger.noAccounts);
        BtnSave->setEnabled(false);
    }
    FillChoices(ComboBox1, accounts);
    const Choices folders = FolderChoices(IncomeBuffer.folder);
    if (folders.empty()) {
        ShowMessage(MsgKind::Information, ledger.noFolders);
        BtnSave->setEnabled(false);
    }
    FillChoices(ComboBox2, folders);
    MaskEdit1->setFocus();
}

void TIncome::showBuffer() {
    const IncomeFields fields = IncomeFieldsOf(IncomeBuffer);
    MaskEdit1->setProgramText(fields.date);
    MaskEdit2->setProgramText(fields.amount);
    SetAmountColour(MaskEdit2);
    Edit1->setText(fields.description);
    for (QLineEdit* field :
         {static_cast<QLineEdit*>(MaskEdit1), static_cast<QLineEdit*>(MaskEdit2), Edit1})
        field->setModified(false);
}

void TIncome::MaskEdit1Exit() {
    refusedDate_.left(MaskEdit1, CheckDateField(MaskEdit1));
}

void TIncome::MaskEdit2Exit() {
    AmountFieldExit(MaskEdit2);
}

void TIncome::BtnSaveClick() {
    // The press that left the date field already said why; the next press reads afresh.
    if (refusedDate_.swallowPress()) return;
    const IncomeFields fields{MaskEdit1->programText(), MaskEdit2->programText(), Edit1->text(),
                              ChosenNumber(ComboBox1), ChosenNumber(ComboBox2)};
    switch (SaveIncome(fields)) {
        case SaveOutcome::Refused:
            return;
        case SaveOutcome::Closed:
            accept();
            return;
        case SaveOutcome::Another: {
            const IncomeFields next = IncomeFieldsOf(IncomeBuffer);
            MaskEdit2->setProgramText(next.amount);
            SetAmountColour(MaskEdit2);
            Edit1->setText(next.description);
            MaskEdit1->setFocus();
            return;
        }
    }
}

void TIncome::BtnDeleteClick() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DeleteEntry(IncomeLedger());
    QApplication::restoreOverrideCursor();
    accept();
}

void TIncome::BtnCancelClick() {
    reject();
}

}  // namespace kvl
