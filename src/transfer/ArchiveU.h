// The archive dialog in both directions: ArchiveMode, set by the main window before each showing,
// chooses archiving (true) or de-archiving (false), the texts shown and the mark written. Each
// showing proposes the last complete fiscal year; OK checks both dates, hides the dialog, marks the
// range (transfer/ArchiveOps.h, which opens and closes the entries tables) and closes it. Cancel
// closes it without any change.
#pragma once

#include "screen/FormDialog.h"
#include "screen/RefusedField.h"

class QLabel;
class QPushButton;

namespace kvl {

class TMaskEdit;

class TArchive : public TFormDialog {
    Q_OBJECT
  public:
    explicit TArchive(QWidget* parent = nullptr);

    bool ArchiveMode = true;

    QLabel* Label1;        // "Archive Data From:" or "De-Archive Data From:"
    TMaskEdit* MaskEdit1;  // first date
    QLabel* Label2;        // "Through:"
    TMaskEdit* MaskEdit2;  // last date
    QPushButton* BtnOK;
    QPushButton* BtnCancel;
    QPushButton* BtnHelp;

    void FormShow() override;
    void MaskEdit1Exit();
    void MaskEdit2Exit();
    void BtnOKClick();
    void BtnCancelClick();

  private:
    // A date refused on leaving its field: an OK pressed on the way out does not act.
    RefusedField refusedDate_;
};

extern TArchive* ArchiveForm;

}  // namespace kvl
