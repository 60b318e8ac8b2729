#include "reports/MultFolOps.h"

#include "data/DbUtil.h"
#include "data/EntryRules.h"
#include "data/Messages.h"
#include "data/dbFiles.h"
#include "reports/ReportContext.h"
#include "reports/RptUtil.h"

namespace kvl {

std::vector<int> FolderSelection;

namespace {

// Moves FOLDER to the folder's record; false when it has none.
bool SeekFolder(int folder) {
    d4tagSelect(dbFolders, tagFol);
    return SeekText(dbFolders, PadNumber(folder, 4)) == r4success && f4int(fFolNo) == folder &&
           !d4deleted(dbFolders);
}

}  // namespace

QStringList FolderListItems() {
    QStringList items;
    d4tagSelect(dbFolders, tagFol);
    for (int rc = d4top(dbFolders); rc == r4success; rc = d4skip(dbFolders, 1)) {
        if (d4deleted(dbFolders)) continue;
        items << PadNumber(f4int(fFolNo), 4) + QStringLiteral(" - ") + FieldText(fFolName);
    }
    return items;
}

int ItemFolderNumber(const QString& item) {
    return ReadIntegerText(item.left(4).trimmed()).value_or(0);
}

bool SelectReportFolders(ReportContext& ctx) {
    FolderSelection.clear();
    const QStringList items = FolderListItems();
    if (ReportWalkFailed()) return false;
    if (items.isEmpty()) {
        ShowMessage(MsgKind::Information, QStringLiteral("Create folders before running reports"));
    } else if (items.size() == 1) {
        FolderSelection.push_back(ItemFolderNumber(items.front()));
    } else {
        FolderSelection = ctx.ChooseFolders();
    }
    return !FolderSelection.empty();
}

int FolderSelected(int folder) {
    for (std::size_t i = 0; i < FolderSelection.size(); ++i)
        if (FolderSelection[i] == folder) return static_cast<int>(i);
    return -1;
}

QString FolderName(int folder) {
    return SeekFolder(folder) ? FieldText(fFolName).trimmed() : QString();
}

QString FolderTitle(const QString& kind) {
    if (FolderSelection.size() != 1) return kind;
    return FolderName(FolderSelection.front()) + QLatin1Char(' ') + kind;
}

void AddIncludedFolders() {
    NewLine();
    NewLine();
    bool first = true;
    for (int folder : FolderSelection) {
        CheckPage(PageLine + 1, false);
        NewLine();
        if (first) SetCell(LastRow(), 0, QStringLiteral("L00Included Folders:"));
        first = false;
        if (SeekFolder(folder)) SetCell(LastRow(), 1, QStringLiteral("L18") + FieldText(fFolName));
    }
}

}  // namespace kvl
