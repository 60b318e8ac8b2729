#include "accounts/FolderU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "accounts/AccountOps.h"
#include "accounts/FolderOps.h"
#include "data/DbUtil.h"
#include "data/Messages.h"
#include "data/dbFiles.h"
#include "screen/FormParts.h"
#include "screen/MaskEdit.h"

namespace kvl {

TFolderF* FolderForm = nullptr;

TFolderF::TFolderF(bool& packNeeded, QWidget* parent) : QDialog(parent), packNeeded_(packNeeded) {
    setObjectName(QStringLiteral("FolderF"));
    setWindowTitle(QStringLiteral("Folder Definition"));
    TakeOwnerFont(this);

    MaskEdit1 = NumberField(this, "MaskEdit1");
    Label1 = FormLabel(this, "Label1", QStringLiteral("Folder Number:"), MaskEdit1);
    Edit1 = DescriptionField(this, "Edit1");
    Label2 = FormLabel(this, "Label2", QStringLiteral("Description:"), Edit1);
    BtnSave = FormButton(this, "BtnSave", QStringLiteral("Save"));
    BtnDelete = FormButton(this, "BtnDelete", QStringLiteral("Delete"));
    BtnCancel = CancelButton(this);
    BtnHelp = HelpButton(this, 570);

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(MaskEdit1, 0, 1, Qt::AlignLeft);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(Edit1, 1, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BtnSave, BtnDelete, BtnCancel, BtnHelp}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setTabOrder(MaskEdit1, Edit1);
    setTabOrder(Edit1, BtnSave);

    connect(MaskEdit1, &TMaskEdit::fieldExit, this, &TFolderF::MaskEdit1Exit);
    connect(MaskEdit1, &QLineEdit::textEdited, this, [this] { numberRefused_ = false; });
    connect(BtnSave, &QPushButton::clicked, this, &TFolderF::BtnSaveClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TFolderF::BtnDeleteClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFolderF::BtnCancelClick);
}

void TFolderF::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
        SettleLayout(this);
    }
    QDialog::showEvent(event);
}

void TFolderF::FormShow() {
    const bool existing = CurrentFolder > 0;
    if (existing) {
        d4go(dbFolders, CurrentFolder);
        LoadFolderRecord();
        BtnDelete->show();
    } else {
        FolderBuffer.number = NextFolderNo();
        FolderBuffer.name.clear();
        BtnDelete->hide();
    }
    numberRefused_ = false;
    ShowNumber(MaskEdit1, FolderBuffer.number);
    Edit1->setText(FolderBuffer.name.trimmed());
    // A new folder takes the first free number; the user names it but cannot number it.
    MaskEdit1->setEnabled(existing);
    if (existing)
        MaskEdit1->setFocus();
    else
        Edit1->setFocus();
}

void TFolderF::MaskEdit1Exit() {
    const std::optional<int> number = ReadNumberField(MaskEdit1);
    numberRefused_ = !number;
    if (!number) {
        MaskEdit1->setFocus();
        return;
    }
    MaskEdit1->setProgramText(PadNumber(*number, 4));
}

void TFolderF::BtnSaveClick() {
    FolderBuffer.name = Edit1->text().trimmed();
    if (CurrentFolder == 0) {
        addFolder();
        return;
    }
    // The press that left the field already said why; the next press checks afresh.
    if (numberRefused_) {
        numberRefused_ = false;
        MaskEdit1->setFocus();
        return;
    }
    const std::optional<int> number = ReadNumberField(MaskEdit1);
    if (number) changeFolder(*number);
}

void TFolderF::addFolder() {
    const int number = NextFolderNo();
    if (number > kHighestNumber) {
        ShowMessage(MsgKind::Information,
                    QStringLiteral("All folder numbers from 1 to 9999 are in use.  No folder can "
                                   "be added."));
        return;
    }
    FolderBuffer.number = number;
    if (d4appendBlank(dbFolders) != r4success) {
        ShowMessage(MsgKind::Warning, QStringLiteral("Unable to Add Record at this time . . . "));
        return;
    }
    StoreFolderRecord();
    if (ShowMessage(MsgKind::Confirmation, QStringLiteral("Add another folder?")) !=
        MsgAnswer::Yes) {
        finish(d4recNo(dbFolders));
        return;
    }
    FolderBuffer.number = NextFolderNo();
    FolderBuffer.name.clear();
    ShowNumber(MaskEdit1, FolderBuffer.number);
    Edit1->clear();
    Edit1->setFocus();
}

void TFolderF::changeFolder(int number) {
    const int old = FolderBuffer.number;
    if (number == old) {
        d4go(dbFolders, CurrentFolder);
        StoreFolderRecord();
        finish(CurrentFolder);
        return;
    }
    const QString typed = MaskEdit1->programText().trimmed();
    const QString oldText = QString::number(old);
    if (FolderNoFree(number)) {
        const QString text = QStringLiteral(
                                 "FOLDER NUMBER CHANGED!\r\n\r\nIf you continue, all income and "
                                 "expenses in folder ") +
                             oldText + QStringLiteral(" will be assigned to folder number ") +
                             typed + QStringLiteral(" AND Folder Number ") + oldText +
                             QStringLiteral(" will no longer exist.");
        if (ShowMessage(MsgKind::InformationOkCancel, text) != MsgAnswer::Ok) return;
        MoveFolderEntries(old, number);
        d4go(dbFolders, CurrentFolder);
        FolderBuffer.number = number;
        StoreFolderRecord();
        finish(CurrentFolder);
        return;
    }
    const long existing = d4recNo(dbFolders);
    const QString text = QStringLiteral("FOLDER NUMBER ") + typed +
                         QStringLiteral(" ALREADY EXISTS.") + QStringLiteral("\r\n") +
                         QStringLiteral("\r\n") + QStringLiteral("If you continue,") +
                         QStringLiteral(" all income and expenses in folder ") + oldText +
                         QStringLiteral(" will be merged into folder number ") + typed +
                         QStringLiteral(" which will be renamed to ") + Edit1->text().trimmed();
    if (ShowMessage(MsgKind::InformationOkCancel, text) != MsgAnswer::Ok) return;
    MoveFolderEntries(old, number);
    d4go(dbFolders, CurrentFolder);
    FolderBuffer.number = number;
    StoreFolderRecord();
    d4go(dbFolders, existing);
    d4delete(dbFolders);
    packNeeded_ = true;
    // The list shown next stands on the folder that was edited, not on the one merged away.
    finish(CurrentFolder);
}

void TFolderF::finish(long record) {
    CurrentFolder = static_cast<int>(record);
    d4refresh(dbFolders);
    accept();
}

void TFolderF::BtnDeleteClick() {
    if (ShowMessage(MsgKind::WarningYesNo,
                    QStringLiteral("WARNING: All income and expenses assigned to this folder will "
                                   "be deleted.\r\n\r\nARE YOU SURE YOU WANT TO DELETE THIS "
                                   "FOLDER?")) != MsgAnswer::Yes)
        return;
    DeleteFolder(CurrentFolder, FolderBuffer.number);
    packNeeded_ = true;
    CurrentFolder = 0;
    accept();
}

void TFolderF::BtnCancelClick() {
    reject();
}

}  // namespace kvl
