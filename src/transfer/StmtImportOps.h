// The statement import without a window: a bank or card statement (OFX, QFX or CSV) read, its
// lines matched against the books (transfer/StatementBooks.h), an account and a folder proposed
// for each, and the ticked lines written as expense and income records, all or none.
//
// Proposal, for each line: a rule (its text a case-insensitive part of the bank's payee, its
// account one of the line's chart) wins over the account learned from the books, which wins over
// the fallback account of the line's kind. The folder given for the import applies to every
// line; without one, each line takes the folder learned with its payee. A line chosen by hand in
// the review window keeps what was chosen. A ticked line without an account or a folder refuses
// the import, listing those lines.
//
// The writing needs EXP5, INC5, ACC, ACCI and FOLDER open by their open routines; EXP5 and INC5
// are open again, at new handles, when it returns. The records are added to both tables as one
// staged change that only appends (data/StagedChange.h): a crash leaves the books as before or
// with every ticked line, and the cost follows the statement, not the size of the books.
// Imported income is not marked as a payment import, so a later payment import never removes it.
#pragma once

#include <QSet>
#include <QString>
#include <optional>
#include <vector>

#include "transfer/CsvStatement.h"
#include "transfer/Outcome.h"
#include "transfer/StatementBooks.h"

namespace kvl {

// Opens what the import reads and writes: EXP5, INC5, ACC, ACCI and FOLDER, by their open
// routines (a table that cannot be opened ends the program there).
void OpenStatementTables();

// Reads the statement at path: OFX or QFX when its first bytes say so, else CSV. On failure a
// warning "Cannot import <shown>: <why>." names the file and, for CSV, the line; dates outside
// the century window of stored dates are refused too.
std::optional<Statement> ReadStatementFile(const QString& path, const QString& shown,
                                           const CsvOptions& csv);
// How the file at path is read: OFX when its first bytes say so, else CSV; nothing for a file that
// cannot be opened or holds NUL bytes, which is neither.
std::optional<Statement::Format> StatementFileFormat(const QString& path);

struct AccountRule {
    QString text;  // a part of the payee, case ignored
    int account = 0;
};

// "TEXT=N" (the last "=" divides); nothing for anything else.
std::optional<AccountRule> ParseAccountRule(const QString& text);

struct ImportChoices {
    int folder = 0;          // for every line; 0: each line's learned folder
    int expenseAccount = 0;  // for expense lines without a rule or a learned account; 0: none
    int incomeAccount = 0;
    std::vector<AccountRule> rules;
};

// The numbers of the two charts and of the folders, read from the open tables.
struct ChartNumbers {
    QSet<int> expenseAccounts, incomeAccounts, folders;
    bool accountOf(LineKind kind, int account) const;
};
ChartNumbers ReadChartNumbers();

// Refuses, with a warning, a folder, fallback account or rule account that is not in its list (a
// rule's account must be in one of the charts).
bool CheckChoices(const ImportChoices& choices, const ChartNumbers& charts);

// Sets each line's account and folder (those chosen by hand excepted).
void ProposeAccounts(std::vector<ImportLine>& lines, const ImportChoices& choices,
                     const ChartNumbers& charts);

// The ticked lines whose account or folder is missing or not in its list, one a line ("line 7,
// 2026-01-05, Shell Oil, 42.50, expense: no account"), at most limit of them and the count of the
// rest; empty when there is none.
QString UnassignedLines(const std::vector<ImportLine>& lines, Statement::Format format,
                        const ChartNumbers& charts, int limit = 20);

struct StatementOutcome {
    ChangeResult result = ChangeResult::Refused;
    long expenses = 0, incomes = 0;  // written
    long duplicates = 0;             // duplicates left unticked
    long leftOut = 0;                // other lines left unticked
};

// Writes the ticked lines, in date order, under the progress box "Importing Statement". Refuses,
// listing them
// ("<shown>: these lines have no account or folder: ..."), when a ticked line is unassigned; a
// failure to write says "The statement could not be imported: ..." and changes nothing.
StatementOutcome ImportStatement(const std::vector<ImportLine>& lines, Statement::Format format,
                                 const ChartNumbers& charts, const QString& shown);

// "imported 3 expenses and 1 incomes, skipped 2 duplicates".
QString OutcomeText(const StatementOutcome& outcome);

}  // namespace kvl
