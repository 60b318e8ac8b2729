// What the books say about a statement's lines: the account and folder each line's payee was
// booked to most often, and which lines are already in the books.
//
// Learning: among the records of the line's kind (expenses for a debit, income for a credit)
// whose payee is the same (PayeeKey of transfer/StatementLines.h), the account used most often,
// and the folder used most often with that account; a tie goes to the one whose latest record
// comes last in the table's date tag. An empty payee teaches nothing.
//
// Duplicates: a line is a duplicate when a record of its kind with the same date, amount and
// payee is in the books. Each such record accounts for one line only: N equal lines against M
// equal records make the first M of the lines (in file order) duplicates and the other N - M new,
// so that importing a file twice adds nothing the second time, an overlapping next statement adds
// its new lines only, and two genuine equal purchases both arrive. Duplicates start unticked.
//
// The books are EXP5 and INC5, open by their open routines (date tags selected, and selected
// again when it returns); each is walked once in record order, every record read once, under the
// progress box "Matching Statement", the engine tested after every step (an engine error ends the
// program after saying so). Records marked deleted are not seen; archived ones are.
#pragma once

#include <vector>

#include "transfer/StatementLines.h"

namespace kvl {

struct ImportLine {
    int place = 0;           // as in StatementLine
    QString bankPayee;       // the payee as the bank wrote it, for rules
    MappedLine line;         // the record it becomes
    int learnedAccount = 0;  // 0: nothing learned
    int learnedFolder = 0;
    int account = 0;  // proposed or chosen; 0: none
    int folder = 0;
    bool accountByHand = false;  // chosen in the review window: proposals leave it
    bool folderByHand = false;
    bool duplicate = false;
    bool ticked = true;
};

std::vector<ImportLine> MatchStatement(const Statement& statement);

}  // namespace kvl
