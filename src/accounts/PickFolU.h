// The folder pick list, returning the choice in CurrentFolder (record number, 0 new, -1 leave).
// FOLDER.dbf is open with FolTag selected; folders marked deleted are left out and the first row is
// current on every showing.
#pragma once

#include "screen/PickList.h"

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
