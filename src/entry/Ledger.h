// Expenses and income without a window: what differs between the two ledgers, decided in one
// place, the browsing cycles' selections, and the account and folder lists the entry windows offer.
// The table and field references follow the open routines of dbFiles: they are valid while the
// tables are open (the cycle keeps the entries table, FOLDER and the ledger's chart open).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "data/dbFiles.h"

namespace kvl {

// The browsing cycles' selections: below 0 leave the cycle, 0 a new record (or nothing chosen),
// above 0 the record number to edit.
extern int CurrentExpenseRecord;
extern int CurrentIncomeRecord;

struct PickColumn {
    QString header;
    int width;            // pixels at 96 dots per inch; 0 hides the column
    bool amount = false;  // its text is aligned on the right edge, as figures are read
};

struct Ledger {
    char kind;  // 'E' expenses, 'I' income
    bool (*openEntries)();
    DATA4*& entries;  // EXP5 or INC5, its date tag selected
    FIELD4*& folder;
    FIELD4*& archive;
    const char* tableName;  // as PackTable takes it
    bool (*openAccounts)();
    DATA4*& accounts;  // ACC or ACCI, its tag selected
    FIELD4*& accountNo;
    FIELD4*& accountDesc;
    int& selection;
    QString noAccounts;         // said when the chart is empty
    QString noFolders;          // said when the folder list is empty
    QString addAnother;         // asked after a new record is saved
    QList<PickColumn> columns;  // the pick list's, the hidden record number last
    // Loads the current record into the ledger's buffer and gives its row in the pick list, the
    // record number not included.
    QStringList (*rowCells)();
    // The widest text of each of those columns, from the widths of the fields (the largest
    // amount, the longest date and numbers), as the locale now writes them.
    QStringList (*widestCells)();
};

const Ledger& ExpenseLedger();
const Ledger& IncomeLedger();

// The entries of a drop-down list of accounts or folders, each the stored number (four places),
// " - " and the stored description, with the number kept beside it; `index` is the entry of the
// number asked for, or 0 when none carries it. Entries follow the tag, which holds no record
// marked deleted.
struct Choices {
    QStringList texts;
    QList<int> numbers;
    int index = 0;
    bool empty() const { return texts.isEmpty(); }
};

Choices AccountChoices(const Ledger& ledger, int number);
Choices FolderChoices(int number);

}  // namespace kvl
