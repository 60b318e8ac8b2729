// The pick list every chart and list window is built on: a grid of records with a header row and
// a hidden last column holding each row's record number, and the buttons Select, New and Exit.
//
// A derived window names its selection variable and fills the grid in FormShow, which runs at every
// showing: BeginFill sets the columns, AddRow appends a data row, EndFill makes a row current,
// enables or disables Select and the grid, and widens the grid for its scroll bar when the grid
// (header included) has more rows than fit. Select, a double-click or Enter on a data row sets the
// selection to that row's record number and closes; New sets it to 0, Exit to -1; closing the
// window any other way leaves it as it was (Escape does nothing). Every closing resets the grid to
// one empty data row, so each showing starts from an empty grid. Qt row r is the data row r + 1 of
// a grid whose row 0 is the header.
#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class QPushButton;
class QTableWidget;

namespace kvl {

class TPickList : public QDialog {
    Q_OBJECT
  public:
    QTableWidget* StringGrid1;
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
    // Enter acts as Select; every other key keeps its usual meaning for the grid.
    bool StringGrid1KeyPress(int key);

  protected:
    struct Column {
        QString header;
        int width;
    };

    // visibleRows: the grid rows, header included, that fit without scrolling; one more and the
    // grid is widened.
    TPickList(const QString& caption, int visibleRows, QWidget* parent);

    virtual int& selection() = 0;
    virtual void FormShow() = 0;
    void FormClose();

    // The columns as the window shows them; the last one is the hidden record number.
    void BeginFill(const QList<Column>& columns);
    // Returns the Qt row filled.
    int AddRow(const QStringList& cells, long record);
    // currentRow: the Qt row to make current, or -1 for the first.
    void EndFill(int currentRow);

    void showEvent(QShowEvent* event) override;
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
