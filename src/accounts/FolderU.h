// The folder editor: adds folders (numbered by the first free number, not chosen by the user),
// renames them, renumbers a folder with all the income and expenses filed in it, merges it into
// another existing folder, and deletes it with all its income and expenses.
//
// FOLDER.dbf is open with FolTag selected, INC5 and EXP5 closed, and CurrentFolder names the
// folder (0: a new one). Save and Delete set CurrentFolder to the record written (Delete: 0; a
// merge keeps the edited folder's record) and close; Cancel closes with it as it was. Whenever the
// editor marks records deleted it sets the flag it was made with (the main window's PackNeeded);
// the cycle then packs. When every number from 1 to 9999 is in use, no folder is added and the
// editor says so.
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
    // Leaving the number field refused its text: a button pressed on the way out does not act.
    bool numberRefused_ = false;
};

extern TFolderF* FolderForm;

}  // namespace kvl
