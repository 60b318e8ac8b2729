// The editor both the account and the folder editors are: a number and a description with Save,
// Delete, Cancel and Help beneath, laid out, ordered for Tab and wired the same way. A derived
// editor adds its own fields under the description (addField) and handles the number's exit, Save
// and Delete; Cancel closes the window without change. A number refused on leaving its field keeps
// the Save pressed on the way out from acting (refusedNumber_). packNeeded is the flag set whenever
// records are marked deleted.
#pragma once

#include "screen/FormDialog.h"
#include "screen/RefusedField.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kvl {

class TMaskEdit;

class TRecordEditor : public TFormDialog {
    Q_OBJECT
  public:
    bool& packNeeded() const { return packNeeded_; }

    QLabel* Label1;        // the number's caption
    TMaskEdit* MaskEdit1;  // the record's number
    QLabel* Label2;        // "Description:"
    QLineEdit* Edit1;      // the record's description
    QPushButton* BtnSave;
    QPushButton* BtnDelete;
    QPushButton* BtnCancel;
    QPushButton* BtnHelp;

    virtual void MaskEdit1Exit() = 0;
    virtual void BtnSaveClick() = 0;
    virtual void BtnDeleteClick() = 0;
    void BtnCancelClick();

  protected:
    TRecordEditor(bool& packNeeded, QWidget* parent, const char* name, const QString& caption,
                  const QString& numberCaption, int helpTopic);

    // Puts field on the next row under the description, next in the Tab order before Save.
    void addField(QWidget* field);

    bool& packNeeded_;
    RefusedField refusedNumber_;

  private:
    QGridLayout* fields_;
    QWidget* lastField_;
};

}  // namespace kvl
