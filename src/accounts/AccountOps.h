// The two charts of accounts without a window: what differs between the expense and the income
// chart, the cycle's shared state, the numbering rule, and the walks that carry entries along when
// an account is renumbered, merged or deleted. Callers have the chart's account table open with its
// tag selected and its entries table closed (the walks open and close it themselves); a pending
// engine error during a walk ends the program.
#pragma once

#include <QString>

#include "data/EntryRules.h"
#include "data/dbFiles.h"

namespace kvl {

// 'E' while the expense chart is worked on; any other value means the income chart. Set by the
// main window before an account cycle and by the account detail reports.
extern char AccountMode;
// The cycles' selections: below 0 leave, 0 a new account, above 0 the record number to edit.
extern int CurrentExpenseAccount;
extern int CurrentIncomeAccount;

// Everything that differs between the charts, decided by the mode in one place. The table and field
// references follow the open routines: they are valid while the tables are open.
struct Chart {
    char mode;  // 'E' or 'I', as the buffer routines of dbFiles take it
    bool (*openAccounts)();
    DATA4*& accounts;  // ACC or ACCI
    FIELD4*& number;   // its AccNo
    AccountRecord& buffer;
    int& selection;
    bool (*openEntries)();
    DATA4*& entries;        // EXP5 or INC5
    FIELD4*& entryAccount;  // AccNo of EXP5 or IncAcc of INC5
    QString word;           // "expenses" or "income", as the messages name the entries
    QString flagCaption;    // the editor's check box
    QString flagHeader;     // the pick list's column

    void load() const { LoadAccountRecord(mode); }
    void store() const { StoreAccountRecord(mode); }
};

const Chart& ChartOf(char accountMode);

// The number proposed for a new account: the highest number in the chart plus one (1 for an empty
// chart). Gaps are not reused, so the result may exceed kHighestNumber.
int NextAccountNo(const Chart& chart);

// False when an account not marked deleted carries n. The seek leaves the record it found
// current, so a caller that gets false stands on the account numbered n.
bool AccountNoFree(const Chart& chart, int n);

// Every entry of the chart's entries table booked to oldNo is booked to newNo.
void MoveAccountEntries(const Chart& chart, int oldNo, int newNo);

// Marks deleted every entry booked to number and then the account record itself; returns the
// number of entries marked. The tables need a pack afterwards.
long DeleteAccount(const Chart& chart, long record, int number);

}  // namespace kvl
