#include "accounts/RecordEditor.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "screen/FormParts.h"
#include "screen/MaskEdit.h"

namespace kvl {

TRecordEditor::TRecordEditor(bool& packNeeded, QWidget* parent, const char* name,
                             const QString& caption, const QString& numberCaption, int helpTopic)
    : TFormDialog(parent), packNeeded_(packNeeded) {
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(caption);
    TakeOwnerFont(this);

    MaskEdit1 = NumberField(this, "MaskEdit1");
    Label1 = FormLabel(this, "Label1", numberCaption, MaskEdit1);
    Edit1 = DescriptionField(this, "Edit1");
    Label2 = FormLabel(this, "Label2", QStringLiteral("Description:"), Edit1);
    BtnSave = FormButton(this, "BtnSave", QStringLiteral("Save"));
    BtnDelete = FormButton(this, "BtnDelete", QStringLiteral("Delete"));
    BtnCancel = CancelButton(this);
    BtnHelp = HelpButton(this, helpTopic);

    fields_ = new QGridLayout;
    fields_->addWidget(Label1, 0, 0);
    fields_->addWidget(MaskEdit1, 0, 1, Qt::AlignLeft);
    fields_->addWidget(Label2, 1, 0);
    fields_->addWidget(Edit1, 1, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BtnSave, BtnDelete, BtnCancel, BtnHelp}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(fields_);
    layout->addLayout(buttons);
    setTabOrder(MaskEdit1, Edit1);
    setTabOrder(Edit1, BtnSave);
    lastField_ = Edit1;

    connect(MaskEdit1, &TMaskEdit::fieldExit, this, [this] { MaskEdit1Exit(); });
    refusedNumber_.watch(MaskEdit1);
    connect(BtnSave, &QPushButton::clicked, this, [this] { BtnSaveClick(); });
    connect(BtnDelete, &QPushButton::clicked, this, [this] { BtnDeleteClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, &TRecordEditor::BtnCancelClick);
}

void TRecordEditor::addField(QWidget* field) {
    fields_->addWidget(field, fields_->rowCount(), 1);
    setTabOrder(lastField_, field);
    setTabOrder(field, BtnSave);
    lastField_ = field;
}

void TRecordEditor::BtnCancelClick() {
    reject();
}

}  // namespace kvl
