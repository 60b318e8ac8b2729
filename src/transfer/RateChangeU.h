// The rate change dialog. The main window opens ACC and EXP5 before showing it and closes all
// tables afterwards. Each showing lists the expense accounts (or says there are none and disables
// Apply) and proposes rates of 1 and the period from 1 January to today; Apply reads the fields
// (a value that does not convert: "Data Conversion Error") and runs the change with its checks
// (transfer/RateChangeOps.h), closing the dialog when the change is made and staying open when it
// was refused or could not be written. The dialog and its help button lead to help topic 540.
#pragma once

#include "screen/FormDialog.h"
#include "screen/RefusedField.h"

class QKeyEvent;
class QLabel;
class QPushButton;

namespace kvl {

class TDropDownList;
class TMaskEdit;

class TRateChange : public TFormDialog {
    Q_OBJECT
  public:
    explicit TRateChange(QWidget* parent = nullptr);

    QLabel* Notes;
    QLabel* Label1;            // caption of the account
    TDropDownList* ComboBox1;  // expense account changed
    QLabel* Label2;            // caption of the old rate
    TMaskEdit* MaskEdit1;      // old rate
    QLabel* Label3;            // caption of the new rate
    TMaskEdit* MaskEdit2;      // new rate
    QLabel* Label4;            // caption of the first date
    TMaskEdit* MaskEdit3;      // first date
    QLabel* Label5;            // "Through:"
    TMaskEdit* MaskEdit4;      // last date
    QPushButton* BtnApply;
    QPushButton* BtnCancel;
    QPushButton* BitBtn1;  // help

    void FormShow() override;
    void MaskEdit1KeyPress(QKeyEvent* event, bool* swallow);
    void MaskEdit2KeyPress(QKeyEvent* event, bool* swallow);
    void MaskEdit3Exit();
    void MaskEdit4Exit();
    void BtnApplyClick();
    void BtnCancelClick();

  private:
    // A date refused on leaving its field: an Apply pressed on the way out does not act.
    RefusedField refusedDate_;
};

extern TRateChange* RateChangeForm;

}  // namespace kvl
