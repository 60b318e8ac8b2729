#include "accounts/FolderOps.h"

#include <functional>

#include "accounts/RecordWalk.h"
#include "data/DbUtil.h"
#include "data/dbFiles.h"

namespace kvl {

int CurrentFolder = 0;

namespace {

// Opens INC5 and EXP5, hands every income record and then every expense record to visit with the
// record's folder field, and closes both.
void WalkFolderEntries(const std::function<void(DATA4*, FIELD4*)>& visit) {
    OpenIncome();
    OpenExpenses();
    ForEachRecord(dbIncome, [&] { visit(dbIncome, fIncFolNo); });
    ForEachRecord(dbExpenses, [&] { visit(dbExpenses, fExpFolNo); });
    // A failure of either close is pending, for the test below.
    (void)d4close(dbIncome);
    dbIncome = nullptr;
    (void)d4close(dbExpenses);
    dbExpenses = nullptr;
    error4exitTest(cb);
}

}  // namespace

int NextFolderNo() {
    int n = 1;
    for (int rc = d4top(dbFolders); rc == r4success; rc = d4skip(dbFolders, 1)) {
        const int number = f4int(fFolNo);
        if (number > n) break;
        if (number == n) ++n;
    }
    error4exitTest(cb);
    return n;
}

bool FolderNoFree(int n) {
    const int rc = SeekText(dbFolders, PadNumber(n, 4));
    error4exitTest(cb);
    if (rc != r4success) return true;
    return f4int(fFolNo) != n || d4deleted(dbFolders);
}

void MoveFolderEntries(int oldNo, int newNo) {
    WalkFolderEntries([&](DATA4*, FIELD4* folder) {
        if (f4int(folder) == oldNo) f4assignInt(folder, newNo);
    });
}

long DeleteFolder(long record, int number) {
    long marked = 0;
    WalkFolderEntries([&](DATA4* table, FIELD4* folder) {
        if (f4int(folder) == number) {
            d4delete(table);
            ++marked;
        }
    });
    GoToRecord(dbFolders, record);
    d4delete(dbFolders);
    return marked;
}

}  // namespace kvl
