#include "transfer/ArchiveU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Clock.h"
#include "data/EntryRules.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "screen/FormParts.h"
#include "screen/MaskEdit.h"
#include "screen/Scrutil.h"
#include "transfer/ArchiveOps.h"

namespace kvl {

TArchive* ArchiveForm = nullptr;

TArchive::TArchive(QWidget* parent) : TFormDialog(parent) {
    setObjectName(QStringLiteral("Archive"));
    TakeOwnerFont(this);
    MaskEdit1 = DateField(this, "MaskEdit1");
    Label1 = FormLabel(this, "Label1", QString(), MaskEdit1);
    MaskEdit2 = DateField(this, "MaskEdit2");
    Label2 = FormLabel(this, "Label2", QStringLiteral("Through:"), MaskEdit2);
    BtnOK = FormButton(this, "BtnOK", QStringLiteral("OK"));
    BtnCancel = CancelButton(this);
    BtnHelp = HelpButton(this, 430);

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(MaskEdit1, 0, 1, Qt::AlignLeft);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(MaskEdit2, 1, 1, Qt::AlignLeft);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BtnOK, BtnCancel, BtnHelp}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    RoomForCaption(layout, QStringLiteral("De-Archive Income & Expenses"));
    setTabOrder(MaskEdit1, MaskEdit2);
    setTabOrder(MaskEdit2, BtnOK);

    connect(MaskEdit1, &TMaskEdit::fieldExit, this, &TArchive::MaskEdit1Exit);
    connect(MaskEdit2, &TMaskEdit::fieldExit, this, &TArchive::MaskEdit2Exit);
    refusedDate_.watch(MaskEdit1);
    refusedDate_.watch(MaskEdit2);
    connect(BtnOK, &QPushButton::clicked, this, &TArchive::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TArchive::BtnCancelClick);
}

void TArchive::FormShow() {
    setWindowTitle(ArchiveMode ? QStringLiteral("Archive Income & Expenses")
                               : QStringLiteral("De-Archive Income & Expenses"));
    Label1->setText(ArchiveMode ? QStringLiteral("Archive Data From:")
                                : QStringLiteral("De-Archive Data From:"));
    QDate from, through;
    LastCompleteFiscalYear(Today(), Settings.fyMonth, Settings.fyDay, &from, &through);
    MaskEdit1->setProgramText(DateToFieldText(from));
    MaskEdit2->setProgramText(DateToFieldText(through));
    refusedDate_.forget();
    MaskEdit1->setFocus();
}

void TArchive::MaskEdit1Exit() {
    refusedDate_.left(MaskEdit1, CheckDateField(MaskEdit1));
}

void TArchive::MaskEdit2Exit() {
    refusedDate_.left(MaskEdit2, CheckDateField(MaskEdit2));
}

void TArchive::BtnOKClick() {
    // The press that left the field already said why; the next press checks afresh.
    if (refusedDate_.swallowPress()) return;
    QDate from, through;
    if (!CheckDateField(MaskEdit1, &from)) {
        MaskEdit1->setFocus();
        return;
    }
    if (!CheckDateField(MaskEdit2, &through)) {
        MaskEdit2->setFocus();
        return;
    }
    hide();
    // A change that could not be written has said so and changed nothing: the dialog is done.
    ArchiveRange(ArchiveMode, from, through);
    accept();
}

void TArchive::BtnCancelClick() {
    reject();
}

}  // namespace kvl
