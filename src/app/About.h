// The about box, also shown as the start-up splash.
//
// Each showing sets the caption "About Kelvane Talvarin 1.22" and centres the box on the screen.
// While the splash flag it is given (the main window's SplashFlag) is set the OK button is hidden,
// so the box can only be closed by the start-up sequence; shown from Help > About it waits for OK.
// The flag must outlive the box.
#pragma once

#include "screen/FormDialog.h"

class QLabel;
class QPushButton;

namespace kvl {

class TAboutForm : public TFormDialog {
    Q_OBJECT
  public:
    explicit TAboutForm(const bool& splashFlag, QWidget* parent = nullptr);

    QLabel* Image1;  // the program's picture
    QPushButton* OKButton;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void FormShow() override;
    void OKButtonClick();
    bool splashing() const { return splashFlag_; }

    const bool& splashFlag_;
};

// The about picture, drawn at the given size.
QPixmap AboutPicture(const QSize& size);

extern TAboutForm* AboutForm;

}  // namespace kvl
