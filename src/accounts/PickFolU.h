// The folder pick list: the folders of FOLDER.dbf in number order, and the user's choice returned
// in CurrentFolder: a record number to edit, 0 for a new folder, -1 to leave.
//
// FOLDER.dbf must be open with FolTag selected while the list is shown. Records marked deleted are
// left out; the first row is current on every showing. The grid is 288 pixels wide, 312 with more
// than 9 rows (header included).
#pragma once

#include "accounts/PickList.h"

namespace kvl {

class TPickFol : public TPickList {
    Q_OBJECT
  public:
    explicit TPickFol(QWidget* parent = nullptr);

  protected:
    int& selection() override;
    void FormShow() override;
};

extern TPickFol* PickFolForm;

}  // namespace kvl
