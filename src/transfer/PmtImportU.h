// The payment import dialog. The main window opens INC5, FOLDER and ACCI before showing it,
// closes all tables afterwards and packs when the flag the dialog was made with is set. Each
// showing lists the income accounts and the folders (or says there are none and disables Import),
// proposes the payment file and the period from the current fiscal year's start to today. The
// browse step takes the folder the file dialog ends in and accepts it only when it holds pmt.dbf.
// Import checks the file and the fields, hides the dialog for the import itself
// (transfer/PmtImportOps.h) and closes it; when the import was refused or failed the dialog
// is shown again, with nothing changed.
#pragma once

#include <QString>

#include "screen/FormDialog.h"
#include "screen/RefusedField.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kvl {

class TDropDownList;
class TMaskEdit;

class TPmtImport : public TFormDialog {
    Q_OBJECT
  public:
    explicit TPmtImport(bool& packNeeded, QWidget* parent = nullptr);

    // Shows the dialog modally, again after an import that did not go through.
    int exec() override;

    QString PaymentFilePath;

    QPushButton* BtnBrowse;
    QLineEdit* Edit1;          // the payment file, read only
    QLabel* Label1;            // caption of the first date
    TMaskEdit* MaskEdit1;      // first date
    QLabel* Label2;            // "Through:"
    TMaskEdit* MaskEdit2;      // last date
    QLabel* Label3;            // caption of the account
    TDropDownList* ComboBox1;  // income account the payments go to
    QLabel* Label4;            // caption of the folder
    TDropDownList* ComboBox2;  // folder the payments go to
    QPushButton* BtnImport;
    QPushButton* BtnCancel;
    QPushButton* BtnHelp;

    void FormShow() override;
    void BtnBrowseClick();
    void MaskEdit1Exit();
    void MaskEdit2Exit();
    void BtnImportClick();
    void BtnCancelClick();

  private:
    bool& packNeeded_;
    bool showAgain_ = false;
    // A date refused on leaving its field: an Import pressed on the way out does not act.
    RefusedField refusedDate_;
};

extern TPmtImport* PmtImportForm;

}  // namespace kvl
