// The account editor of the chart AccountMode names: adds, changes, renumbers, merges and deletes
// accounts, carrying expenses or income along. The account table is open, the selection names the
// account (0: new); Save and Delete set the selection and close, Cancel leaves it; marking records
// deleted sets the flag the editor was made with, and no number outside 1 to 9999 is ever stored.
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
    // Leaving the number field refused its text: a Save pressed on the way out does not act.
    bool numberRefused_ = false;
};

extern TAccount* AccountForm;

}  // namespace kvl
