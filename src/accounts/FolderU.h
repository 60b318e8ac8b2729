// The folder editor: adds folders under the first free number, renames, renumbers, merges and
// deletes them, carrying income and expenses along. FOLDER.dbf is open, CurrentFolder names the
// folder (0: new); Save and Delete set it and close, Cancel leaves it; marking records deleted sets
// the flag the editor was made with, and no number beyond 9999 is ever stored.
#pragma once

#include "accounts/RecordEditor.h"

namespace kvl {

class TFolderF : public TRecordEditor {
    Q_OBJECT
  public:
    explicit TFolderF(bool& packNeeded, QWidget* parent = nullptr);

    void FormShow() override;
    void MaskEdit1Exit() override;
    void BtnSaveClick() override;
    void BtnDeleteClick() override;

  private:
    void addFolder();
    void changeFolder(int number);
    void finish(long record);
};

extern TFolderF* FolderForm;

}  // namespace kvl
