// The expense and income pick lists: ten rows of a ledger's listed records at a time, with a
// scroll bar of their own beside the grid, the paging keys and the highlight of the record just
// saved (see entry/PickPage.h for the rules). Select, Enter and double-click hand the current
// row's record to the browsing cycle, New asks for a new record, Exit ends the cycle; the
// keyboard behaves as in every pick list.
#pragma once

#include "entry/PickPage.h"
#include "screen/PickList.h"

class QScrollBar;

namespace kvl {

struct Ledger;

class TPickEntries : public TPickList {
    Q_OBJECT
  public:
    QScrollBar* ScrollBar1;  // pages through the entries

    // The state of the showing, for tests.
    const PickPage& page() const { return page_; }

    void FillPage();
    // Returns true when the key moved the page; the grid then handles the key as usual.
    bool StringGrid1KeyDown(int key);
    // action: a QAbstractSlider::SliderAction; SliderMove once the thumb is let go.
    void ScrollBar1Scroll(int action);

  protected:
    TPickEntries(const Ledger& ledger, const QString& caption, const int& defaultFolder,
                 QWidget* parent);

    int& selection() override;
    void FormShow() override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    const Ledger& ledger_;
    const int& defaultFolder_;
    PickPage page_;
    // The grid's Qt row that stays current while the page moves.
    int keptRow_ = 0;
};

}  // namespace kvl
