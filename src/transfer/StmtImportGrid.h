// The review window's list of statement lines: one row per line with its tick, date, payee,
// amount, kind, account, folder and whether it is a duplicate. The account and folder of a row are
// chosen from the line's chart and the folder list (a drop-down list opened by a double click,
// F2 or a click on the selected cell, taking a choice as soon as it is made); a choice is kept as
// made by hand. The rows are the window's
// lines, shown as they are: the model holds no copy.
#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <vector>

#include "entry/Ledger.h"
#include "transfer/StatementBooks.h"

namespace kvl {

class StatementGrid : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Import, Date, Payee, Amount, Kind, Account, Folder, Status, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Shows lines (not owned; nullptr for none), their accounts and folders named from the lists.
    void setLines(std::vector<ImportLine>* lines, const Choices* expenseAccounts,
                  const Choices* incomeAccounts, const Choices* folders);
    // Every row shown again after the lines changed outside the model.
    void refresh();
    // The list the cell's account or folder is chosen from; nullptr for other cells.
    const Choices* choicesFor(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  signals:
    void linesChanged();

  private:
    std::vector<ImportLine>* lines_ = nullptr;
    const Choices* expenseAccounts_ = nullptr;
    const Choices* incomeAccounts_ = nullptr;
    const Choices* folders_ = nullptr;
};

// The drop-down list of a row's account or folder.
class ChoiceDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
};

}  // namespace kvl
