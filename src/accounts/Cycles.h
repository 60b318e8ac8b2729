// The account and folder cycles the main window runs: pick list and editor in turn until the user
// leaves the list, packing all data files after any step that marked records deleted (the
// selection then follows its account or folder by number). Every table is closed at the end.
#pragma once

namespace kvl {

class TAccount;
class TFolderF;
class TPickAcc;
class TPickFol;

// mode 'E' for the expense chart, 'I' for the income chart.
void RunAccountCycle(char mode, TPickAcc& pick, TAccount& editor);
void RunFolderCycle(TPickFol& pick, TFolderF& editor);

}  // namespace kvl
