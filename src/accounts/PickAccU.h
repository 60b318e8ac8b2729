// The account pick list of the chart AccountMode names, returning the choice in that chart's
// selection (record number, 0 new, -1 leave). The chart's account table is open with its tag
// selected; the row of the selected account is current on showing.
#pragma once

#include "screen/PickList.h"

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
