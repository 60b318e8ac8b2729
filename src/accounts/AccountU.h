// The account editor of the chart AccountMode names: adds, changes, renumbers, merges and deletes
// accounts, carrying expenses or income along. The account table is open, the selection names the
// account (0: new); Save and Delete set the selection and close, Cancel leaves it; marking records
// deleted sets the flag the editor was made with, and no number outside 1 to 9999 is ever stored.
#pragma once

#include "accounts/RecordEditor.h"

class QCheckBox;

namespace kvl {

struct Chart;

class TAccount : public TRecordEditor {
    Q_OBJECT
  public:
    explicit TAccount(bool& packNeeded, QWidget* parent = nullptr);

    QCheckBox* CheckBox1;  // the chart's flag (taxable, or the income chart's own caption)

    void FormShow() override;
    void MaskEdit1Exit() override;
    void BtnSaveClick() override;
    void BtnDeleteClick() override;

  private:
    void proposeNumber(const Chart& chart);
    void addAccount(const Chart& chart, int number);
    void changeAccount(const Chart& chart, int number);
    void finish(const Chart& chart);
};

extern TAccount* AccountForm;

}  // namespace kvl
