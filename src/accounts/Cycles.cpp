#include "accounts/Cycles.h"

#include "accounts/AccountOps.h"
#include "accounts/AccountU.h"
#include "accounts/FolderOps.h"
#include "accounts/FolderU.h"
#include "accounts/PickAccU.h"
#include "accounts/PickFolU.h"
#include "data/DbUtil.h"
#include "data/Maintenance.h"
#include "data/dbFiles.h"

namespace kvl {

namespace {

// Closes every table, packs, and reopens the listed table through open. The selection keeps naming
// the same account or folder, found again by its number.
void PackWithinCycle(bool& packNeeded, bool (*open)(), DATA4*& table, FIELD4*& number,
                     int& selection) {
    int carried = -1;
    if (selection > 0 && selection <= d4recCountDo(table) && d4go(table, selection) == r4success &&
        !d4deleted(table))
        carried = f4int(number);
    code4close(cb);
    PackAll();
    packNeeded = false;
    open();
    error4exitTest(cb);
    if (selection <= 0) return;
    selection = 0;
    if (carried < 0) return;
    const int rc = SeekText(table, PadNumber(carried, 4));
    error4exitTest(cb);
    if (rc == r4success && f4int(number) == carried) selection = static_cast<int>(d4recNo(table));
}

}  // namespace

void RunAccountCycle(char mode, TPickAcc& pick, TAccount& editor) {
    const Chart& chart = ChartOf(mode);
    chart.openAccounts();
    AccountMode = chart.mode;
    chart.selection = 0;
    do {
        pick.exec();
        if (chart.selection >= 0) editor.exec();
        if (editor.packNeeded())
            PackWithinCycle(editor.packNeeded(), chart.openAccounts, chart.accounts, chart.number,
                            chart.selection);
    } while (chart.selection >= 0);
    code4close(cb);
}

void RunFolderCycle(TPickFol& pick, TFolderF& editor) {
    OpenFolders();
    CurrentFolder = 0;
    do {
        pick.exec();
        if (CurrentFolder >= 0) editor.exec();
        if (editor.packNeeded())
            PackWithinCycle(editor.packNeeded(), OpenFolders, dbFolders, fFolNo, CurrentFolder);
    } while (CurrentFolder >= 0);
    code4close(cb);
}

}  // namespace kvl
