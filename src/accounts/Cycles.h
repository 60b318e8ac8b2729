// The account and folder cycles the main window runs: the pick list and the editor shown in turn
// until the user leaves the list, with a pack of all data files after every step that marked
// records deleted.
//
// A cycle opens the table it lists, ends with every table closed, and uses the editor's flag (the
// main window's PackNeeded) to decide on packing, clearing it afterwards. Packing renumbers
// records, so a selection that names a record is carried over to the record that carries the same
// number after the pack (0 if none). The folder cycle's caller refreshes its default-folder list
// after.
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
