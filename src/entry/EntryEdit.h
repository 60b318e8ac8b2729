// Editing one expense or income record without a window: the buffer a showing of the entry window
// starts from, the fields' texts for the buffer and back, and Save and Delete with their messages.
//
// The ledger's tables are open (the browsing cycle's) and its selection names the record being
// edited (0: a new one). Reading the fields converts every text or refuses them all: a text that is
// not a number or a date, an amount or check number that its field cannot hold, or a list with
// nothing chosen gives "Data Conversion Error. Please check values and try again" and writes
// nothing. A record saved is in the table's file with its keys before Save returns, so a message
// or a closing that follows never acknowledges a record a crash could lose. A write that fails
// (a full disk) is told as it ended: a record that reached the table stays saved, with its index
// group rebuilt and a warning that says why; one that did not is refused, the table as it was.
// Saving writes the archived flag false; an income record keeps its imported flag on a change.
#pragma once

#include <QString>
#include <optional>

#include "data/dbFiles.h"

namespace kvl {

struct Ledger;

inline const QString kConversionError =
    QStringLiteral("Data Conversion Error. Please check values and try again");
inline const QString kAddRefused = QStringLiteral("Unable to Add Record at this time . . . ");
// %1: the system's reason.
inline const QString kChangeRefused =
    QStringLiteral("The changes could not be saved: %1\r\nThe record is as it was.");
inline const QString kSavedDespiteFault =
    QStringLiteral("The record was saved, but writing it ended with an error: %1");
inline const QString kIndexesRebuilt =
    QStringLiteral("\r\nThe indexes were rebuilt from the records.");
inline const QString kEntryAmountFormat = QStringLiteral("%9.2f");

// The window's fields as texts, and the numbers of the chosen list entries (none: nothing chosen).
struct ExpenseFields {
    QString checkNo, date, payTo, amount, memo;
    std::optional<int> account, folder;
};

struct IncomeFields {
    QString date, amount, description;
    std::optional<int> account, folder;
};

// Loads the selected record, or fills the buffer for a new one: today, no check number, no
// account, the default folder, amount 0, empty texts (a new income record is not imported). True
// when an existing record was loaded.
bool PrepareExpenseBuffer(int defaultFolder);
bool PrepareIncomeBuffer(int defaultFolder);

// The texts a showing of the window puts in its fields.
ExpenseFields ExpenseFieldsOf(const ExpenseRecord& record);
IncomeFields IncomeFieldsOf(const IncomeRecord& record);

// The fields read into record (all or nothing); false when one does not convert or does not fit.
bool ReadExpenseFields(const ExpenseFields& fields, ExpenseRecord& record);
bool ReadIncomeFields(const IncomeFields& fields, IncomeRecord& record);

// The amounts and check numbers the table's fields hold (N 9.2 and N 8.0).
bool AmountFits(double amount);
bool CheckNoFits(long checkNo);

enum class SaveOutcome {
    Refused,  // a message said why; nothing was written; the window stays
    Closed,   // saved; the selection names the record; the window closes
    Another,  // a new record saved and another asked for: the buffer is ready for it
};

// Save of the expense or income window. A new record saved asks "Add another ... record?"; Yes
// clears the check number and amount (income: the amount) and keeps everything else.
SaveOutcome SaveExpense(const ExpenseFields& fields);
SaveOutcome SaveIncome(const IncomeFields& fields);

// Marks the selected record deleted, sets the selection to 0, closes the entries table, packs it
// and opens it again. An engine error ends the program.
void DeleteEntry(const Ledger& ledger);

}  // namespace kvl
