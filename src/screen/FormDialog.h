// The dialog every window of the program is: created once and shown as often as it is needed, it
// fills itself each time the program shows it. FormShow runs before the window appears (not when
// the window system merely restores it), and the layout then settles for what FormShow put in, so
// that the centring on the owner, which follows, goes by the size the window is seen at.
#pragma once

#include <QDialog>

namespace kvl {

class TFormDialog : public QDialog {
    Q_OBJECT
  protected:
    using QDialog::QDialog;

    virtual void FormShow() = 0;
    void showEvent(QShowEvent* event) override;
};

}  // namespace kvl
