#include "accounts/FolderU.h"

#include <QLineEdit>
#include <QPushButton>

#include "accounts/AccountOps.h"
#include "accounts/FolderOps.h"
#include "data/DbUtil.h"
#include "data/Messages.h"
#include "data/dbFiles.h"
#include "screen/FormParts.h"
#include "screen/MaskEdit.h"

namespace kvl {

TFolderF* FolderForm = nullptr;

TFolderF::TFolderF(bool& packNeeded, QWidget* parent)
    : TRecordEditor(packNeeded, parent, "FolderF", QStringLiteral("Folder Definition"),
                    QStringLiteral("Folder Number:"), 570) {}

void TFolderF::FormShow() {
    const bool existing = CurrentFolder > 0;
    if (existing) {
        GoToRecord(dbFolders, CurrentFolder);
        LoadFolderRecord();
        BtnDelete->show();
    } else {
        FolderBuffer.number = NextFolderNo();
        FolderBuffer.name.clear();
        BtnDelete->hide();
    }
    refusedNumber_.forget();
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
    if (!refusedNumber_.left(MaskEdit1, number.has_value())) return;
    MaskEdit1->setProgramText(PadNumber(*number, 4));
}

void TFolderF::BtnSaveClick() {
    FolderBuffer.name = Edit1->text().trimmed();
    if (CurrentFolder == 0) {
        addFolder();
        return;
    }
    // The press that left the field already said why; the next press checks afresh.
    if (refusedNumber_.swallowPress()) return;
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
        GoToRecord(dbFolders, CurrentFolder);
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
        GoToRecord(dbFolders, CurrentFolder);
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
    GoToRecord(dbFolders, CurrentFolder);
    FolderBuffer.number = number;
    StoreFolderRecord();
    GoToRecord(dbFolders, existing);
    d4delete(dbFolders);
    packNeeded_ = true;
    // The list shown next stands on the folder that was edited, not on the one merged away.
    finish(CurrentFolder);
}

void TFolderF::finish(long record) {
    CurrentFolder = static_cast<int>(record);
    RefreshRecord(dbFolders);
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

}  // namespace kvl
