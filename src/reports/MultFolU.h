// The folder dialog of the period reports, "Select Folder(s) to Include": the live folders in
// number order, several selectable by plain clicks. Run takes the selected folders (none: no
// report), All selects every folder without closing, Cancel and closing the window choose none.
// Each showing lists the folders afresh and starts on the list, centred on its owner; FOLDER is
// open with FolTag selected.
#pragma once

#include <QDialog>
#include <vector>

class QListWidget;
class QPushButton;

namespace kvl {

class TMultFol : public QDialog {
    Q_OBJECT
  public:
    explicit TMultFol(QWidget* parent = nullptr);

    // Shows the dialog modally; the folder selection it leaves (also in FolderSelection).
    std::vector<int> ChooseFolders();

    QListWidget* ListBox1;  // the live folders, several chosen
    QPushButton* BtnRun;
    QPushButton* BtnAll;
    QPushButton* BtnCancel;

    void FormShow();
    void BtnRunClick();
    void BtnAllClick();
    void BtnCancelClick();
};

extern TMultFol* MultFolForm;

}  // namespace kvl
