// The account pick list: the accounts of the chart AccountMode names, in number order, and the
// user's choice returned in that chart's selection (CurrentExpenseAccount or CurrentIncomeAccount):
// a record number to edit, 0 for a new account, -1 to leave.
//
// The chart's account table must be open with its tag selected while the list is shown. The row
// of the account the selection names is current on showing (else the first row). The grid is 336
// pixels wide, 360 with more than 10 rows (header included).
#pragma once

#include "accounts/PickList.h"

namespace kvl {

class TPickAcc : public TPickList {
    Q_OBJECT
  public:
    explicit TPickAcc(QWidget* parent = nullptr);

  protected:
    int& selection() override;
    void FormShow() override;
};

extern TPickAcc* PickAccForm;

}  // namespace kvl
