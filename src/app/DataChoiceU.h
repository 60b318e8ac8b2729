// The first window of a start from the applications menu, where no data directory is given: open
// the data used last, open the data in another directory, or create new data, empty or with the
// sample business, in a directory the user picks, through the same creation as kvl-cli new.
//
// exec() returns Accepted with Chosen set to a directory that holds the six tables, or Rejected
// when the user leaves. A directory without the tables, or a creation that fails, is said in a
// warning and the window stays. The directory used last lives in the user's settings:
// RememberDataDirectory is called after every start that got through start-up, LastDataDirectory
// reads it (empty when there is none).
#pragma once

#include <QString>

#include "screen/FormDialog.h"

class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kvl {

class TDataChoice : public TFormDialog {
    Q_OBJECT
  public:
    explicit TDataChoice(QWidget* parent = nullptr);

    QString Chosen;

    QLabel* Image1;  // the program's picture
    QLabel* Label1;  // what the choice is about
    QPushButton* BtnLast;
    QLabel* LabelLast;
    QPushButton* BtnOpen;
    QLabel* LabelName;
    QLineEdit* EditName;
    QPushButton* BtnNewEmpty;
    QPushButton* BtnNewSample;
    QPushButton* BtnExit;
    // The directory chooser, created once and shown for each pick; a cancelled pick leaves this
    // window as it was.
    QFileDialog* DirDialog;

  private:
    // What the directory being picked is for.
    enum class Pick { Open, NewEmpty, NewSample };

    void FormShow() override;
    void BtnLastClick();
    void BtnOpenClick();
    void BtnNewClick(bool sample);
    void DirDialogAccepted();
    void pickDirectory(const QString& caption, Pick pick);

    Pick pick_ = Pick::Open;
};

QString LastDataDirectory();
void RememberDataDirectory(const QString& dir);

}  // namespace kvl
