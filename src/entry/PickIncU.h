// The income pick list, "Select Item": the income records of the default folder the window was
// made with (-1: every folder) that are not archived, by date; the choice goes to
// CurrentIncomeRecord. INC5 is open with its date tag selected. Its buttons carry the names
// Button1 (Select), Button2 (New) and Button3 (Exit).
#pragma once

#include "entry/PickEntries.h"

class QPushButton;

namespace kvl {

class TPickInc : public TPickEntries {
    Q_OBJECT
  public:
    explicit TPickInc(const int& defaultFolder, QWidget* parent = nullptr);

    QPushButton* Button1;  // Select (BtnSelect)
    QPushButton* Button2;  // New (BtnNew)
    QPushButton* Button3;  // Exit (BtnExit)
};

extern TPickInc* PickIncForm;

}  // namespace kvl
