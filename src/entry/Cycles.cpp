#include "entry/Cycles.h"

#include <QDialog>

#include "data/dbFiles.h"
#include "entry/ExpenseU.h"
#include "entry/IncomeU.h"
#include "entry/Ledger.h"
#include "entry/PickExpU.h"
#include "entry/PickIncU.h"

namespace kvl {

namespace {

void Run(const Ledger& ledger, QDialog& pick, QDialog& editor) {
    // An open routine that fails ends the program, so the cycle runs only with all three open.
    ledger.openEntries();
    OpenFolders();
    ledger.openAccounts();
    ledger.selection = 0;
    do {
        pick.exec();
        if (ledger.selection >= 0) editor.exec();
    } while (ledger.selection >= 0);
    code4close(cb);
}

}  // namespace

void RunExpenseCycle(TPickExp& pick, TExpense& editor) {
    Run(ExpenseLedger(), pick, editor);
}

void RunIncomeCycle(TPickInc& pick, TIncome& editor) {
    Run(IncomeLedger(), pick, editor);
}

}  // namespace kvl
