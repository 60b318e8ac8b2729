// The expense pick list, "Select Expense": the expenses of the default folder the window was made
// with (-1: every folder) that are not archived, by date; the choice goes to CurrentExpenseRecord.
// EXP5 is open with its date tag selected.
#pragma once

#include "entry/PickEntries.h"

namespace kvl {

class TPickExp : public TPickEntries {
    Q_OBJECT
  public:
    explicit TPickExp(const int& defaultFolder, QWidget* parent = nullptr);
};

extern TPickExp* PickExpForm;

}  // namespace kvl
