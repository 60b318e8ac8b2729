// The folder editor: adds folders under the first free number, renames, renumbers, merges and
// deletes them, carrying income and expenses along. FOLDER.dbf is open, CurrentFolder names the
// folder (0: new); Save and Delete set it and close, Cancel leaves it; marking records deleted sets
// the flag the editor was made with, and no number beyond 9999 is ever stored.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kvl {

class TMaskEdit;

class TFolderF : public QDialog {
    Q_OBJECT
  public:
    explicit TFolderF(bool& packNeeded, QWidget* parent = nullptr);

    bool& packNeeded() const { return packNeeded_; }

    QLabel* Label1;
    TMaskEdit* MaskEdit1;
    QLabel* Label2;
    QLineEdit* Edit1;
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
    void addFolder();
    void changeFolder(int number);
    void finish(long record);

    bool& packNeeded_;
    // Leaving the number field refused its text: a Save pressed on the way out does not act.
    bool numberRefused_ = false;
};

extern TFolderF* FolderForm;

}  // namespace kvl
