// The Import Statement window: the review of a bank or card statement before it is imported.
// The main window's File menu entry asks for the file (ChooseFile), opens EXP5, INC5, ACC, ACCI
// and FOLDER, runs Review and closes every table.
//
// Review reads the file and matches its lines against the books (transfer/StmtImportOps.h)
// before the window shows; a file that cannot be read is refused with its message, except a CSV
// file, whose window opens so that its date format, decimal comma or columns can be given and the
// file read again. Each showing lists one row per line (transfer/StmtImportGrid.h), duplicates
// unticked. The folder of every line and the accounts of lines that have none can be chosen
// above the list (each statement starts with none of them); accounts and folders chosen in a row
// stay. Import refuses while a ticked line
// has no account or folder, listing those lines; else it hides the window, writes the ticked
// lines, says how many expenses and incomes were added and how many duplicates skipped, and
// closes. A failure to write shows the window again, with nothing changed. Cancel writes nothing.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "entry/Ledger.h"
#include "transfer/StmtImportOps.h"

class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace kvl {

class TDropDownList;
class StatementGrid;

class TStmtImport : public QDialog {
    Q_OBJECT
  public:
    explicit TStmtImport(QWidget* parent = nullptr);

    // The file dialog of the menu entry: an existing file, or empty after Cancel.
    QString ChooseFile();
    // Reads the statement at path and shows the window modally (again after a failed import).
    // Returns QDialog::Accepted when the statement was imported.
    int Review(const QString& path);

    QFileDialog* OpenDialog1;  // the menu entry's file dialog
    QLabel* LabelFile;
    QGroupBox* GroupCsv;
    TDropDownList* ComboDateFormat;
    QCheckBox* CheckDecimalComma;
    QLineEdit* EditColumns;
    QPushButton* BtnReadAgain;
    TDropDownList* ComboFolder;
    TDropDownList* ComboExpenseAccount;
    TDropDownList* ComboIncomeAccount;
    QTableView* Grid;
    QLabel* LabelSummary;
    QPushButton* BtnImport;
    QPushButton* BtnCancel;
    QPushButton* BtnHelp;

    void BtnReadAgainClick();
    void ChoicesChange();
    void BtnImportClick();
    void BtnCancelClick();

    const std::vector<ImportLine>& lines() const { return lines_; }

  private:
    bool readFile();
    void fillChoices();
    ImportChoices choices() const;
    void showSummary();

    StatementGrid* model_;
    QString path_;
    Statement::Format format_ = Statement::Format::Csv;
    std::vector<ImportLine> lines_;
    ChartNumbers charts_;
    Choices expenseAccounts_, incomeAccounts_, folders_;
    bool showAgain_ = false;
};

extern TStmtImport* StmtImportForm;

}  // namespace kvl
