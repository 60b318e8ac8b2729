// Emptying data tables on request, chiefly to clear the sample data.
//
// A chain of five questions, each offered only when the steps it depends on have emptied their
// tables: income and expenses first; the income chart only after the income, the expense chart only
// after the expenses, the folders only after both. The chain is data, so that the window asks it
// through the message seam (information with OK and Cancel; only OK goes ahead) and kvl-cli
// answers it from its options, refusing a choice the chain would not offer. A zap removes the
// records at once and rebuilds the table's tags; the settings table is never erased. Run while no
// table is open; leaves none open. A table that cannot be opened ends the program (FailOpen).
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace kvl {

enum class EraseStep { Income, Expenses, IncomeAccounts, ExpenseAccounts, Folders };

struct EraseQuestion {
    EraseStep step;
    QString text;                  // "ERASE ALL INCOME DATA?"
    QString what;                  // "income data", for explanations
    std::vector<EraseStep> needs;  // steps that must have emptied their tables first
};

// The questions in the order they are asked.
const std::vector<EraseQuestion>& EraseChain();

// Runs the chain: asks agree about each question whose needs were met and empties the table when
// it agrees. Returns the steps whose tables were emptied, in chain order.
std::vector<EraseStep> EraseData(const std::function<bool(const EraseQuestion&)>& agree);
// The window's form: each question as an information message with OK and Cancel, Cancel the
// default, so that Enter erases nothing.
std::vector<EraseStep> EraseData();

// Why the chosen steps could not all come from the chain (a step chosen without a step it
// needs), or empty when they could.
QString EraseChoiceError(const std::vector<EraseStep>& chosen);

}  // namespace kvl
