// The retroactive rate change without a window: every expense of one expense account dated within
// a period has its amount multiplied by the new rate and divided by the old one.
//
// The caller has ACC and EXP5 open by their open routines (EXP5 with its date tag selected), as
// the main window opens them for the dialog; they are open again, at new handles, when
// ApplyRateChange returns. The checks come first, in a fixed order, each refusing with a warning
// and changing nothing. The change itself is made on a staged copy of EXP5 (data/StagedChange.h),
// so a crash leaves every amount as it was or every amount changed. An amount that the new rate
// would make too large for the amount field refuses the whole change, before anything is written.
#pragma once

#include <QDate>
#include <QString>

#include "transfer/Outcome.h"

namespace kvl {

inline constexpr const char* kNoExpenseAccounts =
    "Expense Accounts must be defined before entering Expense Records";

struct RateChange {
    double oldRate = 1;
    double newRate = 1;
    QDate from;
    QDate through;
    int account = 0;
};

// The dialog's rate text: 1.0 as "%10.4f" in the locale's form.
QString InitialRateText();

// Checks the rates and the period (after the century window) and applies the change. *changed,
// when given, receives the number of expenses rescaled.
ChangeResult ApplyRateChange(const RateChange& change, long* changed = nullptr);

}  // namespace kvl
