#include "entry/ExpenseU.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/DbUtil.h"
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

TExpense* ExpenseForm = nullptr;

TExpense::TExpense(const int& defaultFolder, QWidget* parent)
    : TFormDialog(parent), defaultFolder_(defaultFolder) {
    setObjectName(QStringLiteral("Expense"));
    setWindowTitle(QStringLiteral("Expense"));
    TakeOwnerFont(this);

    MaskEdit1 = MaskField(this, "MaskEdit1", QStringLiteral("!99999999;1;_"));
    MaskEdit2 = DateField(this, "MaskEdit2");
    Edit1 = DescriptionField(this, "Edit1");
    MaskEdit3 = AmountField(this, "MaskEdit3");
    Edit2 = DescriptionField(this, "Edit2");
    ComboBox1 = new TDropDownList(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox2 = new TDropDownList(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    for (TDropDownList* list : {ComboBox1, ComboBox2})
        list->setMinimumWidth(list->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 24);
    Label1 = FormLabel(this, "Label1", QStringLiteral("Check No:"), MaskEdit1);
    Label2 = FormLabel(this, "Label2", QStringLiteral("Date:"), MaskEdit2);
    Label3 = FormLabel(this, "Label3", QStringLiteral("Pay to:"), Edit1);
    Label4 = FormLabel(this, "Label4", QStringLiteral("Amount:"), MaskEdit3);
    Label5 = FormLabel(this, "Label5", QStringLiteral("Memo:"), Edit2);
    Label6 = FormLabel(this, "Label6", QStringLiteral("Account:"), ComboBox1);
    Label7 = FormLabel(this, "Label7", QStringLiteral("Folder:"), ComboBox2);
    BtnSave = FormButton(this, "BtnSave", QStringLiteral("Save"));
    BtnDelete = FormButton(this, "BtnDelete", QStringLiteral("Delete"));
    BtnCancel = CancelButton(this);
    BitBtn1 = HelpButton(this, 530);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    HelpKey(this, 530);

    auto* fields = new QGridLayout;
    const QList<QPair<QLabel*, QWidget*>> rows{
        {Label1, MaskEdit1}, {Label2, MaskEdit2}, {Label3, Edit1},    {Label4, MaskEdit3},
        {Label5, Edit2},     {Label6, ComboBox1}, {Label7, ComboBox2}};
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
    QWidget* order[] = {MaskEdit1, MaskEdit2, Edit1,     MaskEdit3, Edit2,  ComboBox1,
                        ComboBox2, BtnSave,   BtnDelete, BtnCancel, BitBtn1};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(MaskEdit1, &TMaskEdit::fieldExit, this, &TExpense::MaskEdit1Exit);
    connect(MaskEdit2, &TMaskEdit::fieldExit, this, &TExpense::MaskEdit2Exit);
    refusedDate_.watch(MaskEdit2);
    connect(MaskEdit3, &TMaskEdit::fieldExit, this, &TExpense::MaskEdit3Exit);
    connect(MaskEdit3, &TMaskEdit::keyPressed, this, [this](QKeyEvent* event, bool* swallow) {
        AmountFieldKeyPress(MaskEdit3, event, swallow);
    });
    connect(BtnSave, &QPushButton::clicked, this, &TExpense::BtnSaveClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TExpense::BtnDeleteClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TExpense::BtnCancelClick);
}

void TExpense::FormShow() {
    const Ledger& ledger = ExpenseLedger();
    MaskEdit3->setEditMask(AmountEditMask());
    refusedDate_.forget();
    BtnDelete->setVisible(PrepareExpenseBuffer(defaultFolder_));
    showBuffer();
    BtnSave->setEnabled(true);
    const Choices accounts = AccountChoices(ledger, ExpenseBuffer.account);
    if (accounts.empty()) {
        ShowMessage(MsgKind::Information, ledger.noAccounts);
        BtnSave->setEnabled(false);
    }
    FillChoices(ComboBox1, accounts);
    const Choices folders = FolderChoices(ExpenseBuffer.folder);
    if (folders.empty()) {
        ShowMessage(MsgKind::Information, ledger.noFolders);
        BtnSave->setEnabled(false);
    }
    FillChoices(ComboBox2, folders);
    MaskEdit1->setFocus();
}

void TExpense::showBuffer() {
    const ExpenseFields fields = ExpenseFieldsOf(ExpenseBuffer);
    MaskEdit1->showPlain(fields.checkNo);
    MaskEdit2->setProgramText(fields.date);
    Edit1->setText(fields.payTo);
    MaskEdit3->setProgramText(fields.amount);
    SetAmountColour(MaskEdit3);
    Edit2->setText(fields.memo);
    for (QLineEdit* field : {static_cast<QLineEdit*>(MaskEdit1), static_cast<QLineEdit*>(MaskEdit2),
                             Edit1, static_cast<QLineEdit*>(MaskEdit3), Edit2})
        field->setModified(false);
}

void TExpense::MaskEdit1Exit() {
    const std::optional<int> number = StrToIntOrError(MaskEdit1->programText().trimmed());
    if (number) MaskEdit1->setProgramText(PadNumber(*number, 8));
}

void TExpense::MaskEdit2Exit() {
    refusedDate_.left(MaskEdit2, CheckDateField(MaskEdit2));
}

void TExpense::MaskEdit3Exit() {
    AmountFieldExit(MaskEdit3);
}

void TExpense::BtnSaveClick() {
    // The press that left the date field already said why; the next press reads afresh.
    if (refusedDate_.swallowPress()) return;
    const ExpenseFields fields{MaskEdit1->programText(),
                               MaskEdit2->programText(),
                               Edit1->text(),
                               MaskEdit3->programText(),
                               Edit2->text(),
                               ChosenNumber(ComboBox1),
                               ChosenNumber(ComboBox2)};
    switch (SaveExpense(fields)) {
        case SaveOutcome::Refused:
            return;
        case SaveOutcome::Closed:
            accept();
            return;
        case SaveOutcome::Another: {
            const ExpenseFields next = ExpenseFieldsOf(ExpenseBuffer);
            MaskEdit1->showPlain(next.checkNo);
            MaskEdit3->setProgramText(next.amount);
            SetAmountColour(MaskEdit3);
            Edit1->setText(next.payTo);
            Edit2->setText(next.memo);
            MaskEdit1->setFocus();
            return;
        }
    }
}

void TExpense::BtnDeleteClick() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DeleteEntry(ExpenseLedger());
    QApplication::restoreOverrideCursor();
    accept();
}

void TExpense::BtnCancelClick() {
    reject();
}

}  // namespace kvl
