#include "transfer/RateChangeOps.h"

#include <string>
#include <vector>

#include "data/DbUtil.h"
#include "data/EntryRules.h"
#include "data/Messages.h"
#include "data/StagedChange.h"
#include "data/dbFiles.h"

namespace kvl {

namespace {

struct Rescaled {
    long record;
    double amount;
};

void Warn(const QString& text) {
    ShowMessage(MsgKind::Warning, text);
}

QString Money(double value) {
    return FormatAmount(value, QStringLiteral("%1.2f"));
}

}  // namespace

QString InitialRateText() {
    return FormatAmount(1.0, QStringLiteral("%10.4f"));
}

ChangeResult ApplyRateChange(const RateChange& change, long* changed) {
    if (changed) *changed = 0;
    const QDate from = WindowYear(change.from);
    const QDate through = WindowYear(change.through);
    if (change.oldRate == 0 || change.newRate == 0) {
        Warn(QStringLiteral("RATES MUST BE NON-ZERO"));
        return ChangeResult::Refused;
    }
    if (change.oldRate == change.newRate) {
        Warn(QStringLiteral("RATES MUST NOT BE EQUAL"));
        return ChangeResult::Refused;
    }
    if (from > through) {
        Warn(QStringLiteral("Beginning date must be on or before end date."));
        return ChangeResult::Refused;
    }

    // The walk only reads: every new amount is known, and known to fit, before one is written.
    std::vector<Rescaled> plan;
    d4tagSelect(dbExpenses, tagEDate);
    int rc = SeekText(dbExpenses, DateToKey(from));
    error4exitTest(cb);
    while (rc == r4success || rc == r4after) {
        LoadExpenseRecord();
        if (ExpenseBuffer.date > through) break;
        if (ExpenseBuffer.account == change.account && ExpenseBuffer.date >= from) {
            const double amount = ExpenseBuffer.amount * change.newRate / change.oldRate;
            if (!NumberFits(fAmount, amount)) {
                Warn(QStringLiteral("The new rate would make the expense of %1 dated %2 (%3) %4, "
                                    "too large for an expense amount.\r\nNo amounts were changed.")
                         .arg(Money(ExpenseBuffer.amount), DateToShortText(ExpenseBuffer.date),
                              ExpenseBuffer.payTo.trimmed(), Money(amount)));
                return ChangeResult::Refused;
            }
            plan.push_back({d4recNo(dbExpenses), amount});
        }
        rc = d4skip(dbExpenses, 1);
        error4exitTest(cb);
    }
    if (plan.empty()) return ChangeResult::Done;

    QString failure;
    const bool done = ChangeStaged(
        StagedTable::Expenses,
        [&plan] {
            for (const Rescaled& r : plan) {
                if (d4go(dbExpenses, r.record) != r4success) return false;
                f4assignDouble(fAmount, r.amount);
            }
            return true;
        },
        &failure);
    if (!done) {
        Warn(QStringLiteral("The rate change could not be saved: %1\r\nNo amounts were changed.")
                 .arg(failure));
        return ChangeResult::Failed;
    }
    if (changed) *changed = static_cast<long>(plan.size());
    return ChangeResult::Done;
}

}  // namespace kvl
