// The expense entry window: creates, changes and deletes one expense. The browsing cycle's tables
// are open and CurrentExpenseRecord names the record (0: a new one, given the default folder the
// window was made with). Save of a change, or of a new record answered No, closes with the record's
// number in CurrentExpenseRecord; Delete closes with 0 after the table is packed; Cancel and the
// title bar's close leave it as it was. Nothing is written unless every field converts.
#pragma once

#include "screen/FormDialog.h"
#include "screen/RefusedField.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kvl {

class TDropDownList;
class TMaskEdit;

class TExpense : public TFormDialog {
    Q_OBJECT
  public:
    explicit TExpense(const int& defaultFolder, QWidget* parent = nullptr);

    QLabel* Label1;            // caption of the field below
    TMaskEdit* MaskEdit1;      // check number
    QLabel* Label2;            // caption of the field below
    TMaskEdit* MaskEdit2;      // date
    QLabel* Label3;            // caption of the field below
    QLineEdit* Edit1;          // pay to
    QLabel* Label4;            // caption of the field below
    TMaskEdit* MaskEdit3;      // amount
    QLabel* Label5;            // caption of the field below
    QLineEdit* Edit2;          // memo
    QLabel* Label6;            // caption of the field below
    TDropDownList* ComboBox1;  // account
    QLabel* Label7;            // caption of the field below
    TDropDownList* ComboBox2;  // folder
    QPushButton* BtnSave;
    QPushButton* BtnDelete;
    QPushButton* BtnCancel;
    QPushButton* BitBtn1;  // help

    void FormShow() override;
    void MaskEdit1Exit();
    void MaskEdit2Exit();
    void MaskEdit3Exit();
    void BtnSaveClick();
    void BtnDeleteClick();
    void BtnCancelClick();

  private:
    void showBuffer();
    const int& defaultFolder_;
    // A date refused on leaving its field: a Save pressed on the way out does not act.
    RefusedField refusedDate_;
};

extern TExpense* ExpenseForm;

}  // namespace kvl
