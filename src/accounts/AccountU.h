// The account editor: adds accounts to the chart AccountMode names, changes an account's
// description and flag, renumbers an account with all its expenses or income, merges it into
// another existing account, and deletes it with all its expenses or income.
//
// The chart's account table is open with its tag selected, the entries tables closed, and the
// chart's selection names the account (0: a new one). Save and Delete set the selection to the
// record written (Delete: 0) and close; Cancel closes with the selection as it was. Whenever the
// editor marks records deleted it sets the flag it was made with (the main window's PackNeeded);
// the cycle then packs. Numbers are 1 to 9999; a proposal beyond 9999 leaves the field blank and
// says so, and nothing outside that range is ever stored.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kvl {

class TMaskEdit;
struct Chart;

class TAccount : public QDialog {
    Q_OBJECT
  public:
    explicit TAccount(bool& packNeeded, QWidget* parent = nullptr);

    bool& packNeeded() const { return packNeeded_; }

    QLabel* Label1;
    TMaskEdit* MaskEdit1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QCheckBox* CheckBox1;
    QPushButton* BtnSave;
    QPushButton* BtnDelete;
    QPushButton* BtnCancel;
    QPushButton* BtnHelp;

    void FormShow();
    void MaskEdit1Exit();
    void BtnSaveClick();
    void BtnDeleteClick();
    void BtnCancelClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void proposeNumber(const Chart& chart);
    void addAccount(const Chart& chart, int number);
    void changeAccount(const Chart& chart, int number);
    void finish(const Chart& chart);

    bool& packNeeded_;
    // Leaving the number field refused its text: a button pressed on the way out does not act.
    bool numberRefused_ = false;
};

extern TAccount* AccountForm;

}  // namespace kvl
