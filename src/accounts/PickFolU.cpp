#include "accounts/PickFolU.h"

#include "accounts/FolderOps.h"
#include "data/dbFiles.h"

namespace kvl {

TPickFol* PickFolForm = nullptr;

TPickFol::TPickFol(QWidget* parent)
    : TPickList(QStringLiteral("PickFol"), /*visibleRows=*/9, parent) {
    setObjectName(QStringLiteral("PickFol"));
}

int& TPickFol::selection() {
    return CurrentFolder;
}

void TPickFol::FormShow() {
    BeginFill(
        {{QStringLiteral("Number"), 48}, {QStringLiteral("Description"), 240}, {QString(), 0}});
    for (int rc = d4top(dbFolders); rc == r4success; rc = d4skip(dbFolders, 1)) {
        LoadFolderRecord();
        if (d4deleted(dbFolders)) continue;
        AddRow({QString::number(FolderBuffer.number), FolderBuffer.name}, d4recNo(dbFolders));
    }
    error4exitTest(cb);
    EndFill(0);
}

}  // namespace kvl
