#include "data/Erase.h"

#include <algorithm>

#include "data/Messages.h"
#include "data/dbFiles.h"

namespace kvl {

namespace {

bool Has(const std::vector<EraseStep>& steps, EraseStep step) {
    return std::find(steps.begin(), steps.end(), step) != steps.end();
}

// Empties the step's table; true when the zap succeeded.
bool Empty(EraseStep step) {
    DATA4* table = nullptr;
    switch (step) {
        case EraseStep::Income:
            OpenIncome();
            table = dbIncome;
            break;
        case EraseStep::Expenses:
            OpenExpenses();
            table = dbExpenses;
            break;
        case EraseStep::IncomeAccounts:
            OpenIncomeAccounts();
            table = dbIncomeAccounts;
            break;
        case EraseStep::ExpenseAccounts:
            OpenExpenseAccounts();
            table = dbExpenseAccounts;
            break;
        case EraseStep::Folders:
            OpenFolders();
            table = dbFolders;
            break;
    }
    const bool emptied = d4zap(table, 1, d4recCountDo(table)) == 0;
    const bool closed = code4close(cb) == 0;
    // A failed zap or close leaves the engine's error pending; it must not surface in a later call.
    code4errorCode(cb, 0);
    return emptied && closed;
}

}  // namespace

const std::vector<EraseQuestion>& EraseChain() {
    static const std::vector<EraseQuestion> chain{
        {EraseStep::Income,
         QStringLiteral("ERASE ALL INCOME DATA?"),
         QStringLiteral("income data"),
         {}},
        {EraseStep::Expenses,
         QStringLiteral("ERASE ALL EXPENSE DATA?"),
         QStringLiteral("expense data"),
         {}},
        {EraseStep::IncomeAccounts,
         QStringLiteral("ERASE ALL INCOME ACCOUNT DEFINITIONS?"),
         QStringLiteral("income account definitions"),
         {EraseStep::Income}},
        {EraseStep::ExpenseAccounts,
         QStringLiteral("ERASE ALL EXPENSE ACCOUNT DEFINITIONS?"),
         QStringLiteral("expense account definitions"),
         {EraseStep::Expenses}},
        {EraseStep::Folders,
         QStringLiteral("ERASE ALL FOLDER DEFINITIONS?"),
         QStringLiteral("folder definitions"),
         {EraseStep::Income, EraseStep::Expenses}},
    };
    return chain;
}

std::vector<EraseStep> EraseData(const std::function<bool(const EraseQuestion&)>& agree) {
    std::vector<EraseStep> emptied;
    for (const EraseQuestion& question : EraseChain()) {
        const bool offered = std::all_of(question.needs.begin(), question.needs.end(),
                                         [&](EraseStep need) { return Has(emptied, need); });
        if (offered && agree(question) && Empty(question.step)) emptied.push_back(question.step);
    }
    return emptied;
}

std::vector<EraseStep> EraseData() {
    return EraseData([](const EraseQuestion& question) {
        return ShowMessage(MsgKind::InformationOkCancel, question.text, MsgDefault::Cautious) ==
               MsgAnswer::Ok;
    });
}

QString EraseChoiceError(const std::vector<EraseStep>& chosen) {
    const auto& chain = EraseChain();
    auto find = [&](EraseStep step) {
        return *std::find_if(chain.begin(), chain.end(),
                             [&](const EraseQuestion& q) { return q.step == step; });
    };
    for (const EraseQuestion& question : chain) {
        if (!Has(chosen, question.step)) continue;
        for (EraseStep need : question.needs) {
            if (!Has(chosen, need))
                return QStringLiteral("the %1 may only be erased together with the %2")
                    .arg(question.what, find(need).what);
        }
    }
    return QString();
}

}  // namespace kvl
