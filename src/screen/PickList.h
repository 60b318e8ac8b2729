// The pick list every chart and list window is built on: a grid of records under a header, with a
// hidden last column holding each row's record number, and Select, New and Exit. Select (also
// Enter and double-click) returns the current row's record number, New 0, Exit (also Escape) -1;
// closing the window otherwise leaves the selection as it was. Each showing starts from an empty
// grid. Tab leaves the grid for the buttons; typed characters do nothing in the grid.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "screen/FormDialog.h"

class QPushButton;
class QTableWidget;

namespace kvl {

class TPickList : public TFormDialog {
    Q_OBJECT
  public:
    QTableWidget* StringGrid1;  // the records under a header row
    QPushButton* BtnSelect;
    QPushButton* BtnNew;
    QPushButton* BtnExit;

    // The width the grid's columns need, and the widening that makes room for a scroll bar.
    static constexpr int kScrollBarRoom = 24;
    static constexpr int kRowHeight = 20;

    void BtnSelectClick();
    void BtnNewClick();
    void BtnExitClick();
    void StringGrid1Click();
    void StringGrid1DblClick();
    // Enter acts as Select and typed characters are discarded; the navigation keys keep their
    // meaning for the grid.
    bool StringGrid1KeyPress(QKeyEvent* event);

  protected:
    struct Column {
        QString header;
        int width;
        // The widest text the column holds; the column is widened to show it whole in the
        // grid's font.
        QString widest = QString();
    };

    // visibleRows: the grid rows, header included, that fit without scrolling; one more and the
    // grid is widened.
    TPickList(const QString& caption, int visibleRows, QWidget* parent);

    virtual int& selection() = 0;
    void FormClose();

    // The columns as the window shows them; the last one is the hidden record number.
    void BeginFill(const QList<Column>& columns);
    // Returns the Qt row filled: Qt row r is the data row r + 1 of a grid whose row 0 is the
    // header.
    int AddRow(const QStringList& cells, long record);
    // currentRow: the Qt row to make current, or -1 for the first. An empty list disables Select
    // and the grid; a list taller than the grid widens it for the scroll bar.
    void EndFill(int currentRow);

    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void resetGrid();
    int baseWidth_ = 0;
    int filled_ = 0;
    int visibleRows_;
};

}  // namespace kvl
