// The expense and income browsing cycles the main window runs: the ledger's table, FOLDER and the
// ledger's chart are opened, the selection starts at 0, and the pick list and the entry window
// take turns until the pick list is left with Exit. Every table is closed at the end.
#pragma once

namespace kvl {

class TExpense;
class TIncome;
class TPickExp;
class TPickInc;

void RunExpenseCycle(TPickExp& pick, TExpense& editor);
void RunIncomeCycle(TPickInc& pick, TIncome& editor);

}  // namespace kvl
