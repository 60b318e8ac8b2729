#include "reports/AccountSums.h"

#include <cstring>

#include "data/DbUtil.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "reports/CellText.h"
#include "reports/MultFolOps.h"
#include "reports/ReportContext.h"
#include "reports/RptUtil.h"

namespace kvl {

AccountSumWalk::AccountSumWalk(ReportContext& ctx, char chart)
    : progress_(ctx, 2 * d4recCountDo(chart == 'I' ? dbIncomeAccounts : dbExpenseAccounts), false) {
    const bool income = chart == 'I';
    accounts_ = income ? dbIncomeAccounts : dbExpenseAccounts;
    accountNo_ = income ? fIAccNo : fAccNo;
    accountDesc_ = income ? fIAcDesc : fAcDesc;
    taxFlag_ = income ? fIAcDed : fAcDed;
    records_ = income ? dbIncome : dbExpenses;
    recordAccount_ = income ? fIncAcc : fExpAccNo;
    recordDate_ = income ? fIncDate : fExpDate;
    recordFolder_ = income ? fIncFolNo : fExpFolNo;
    recordAmount_ = income ? fIncAmt : fAmount;
    start_ = DateToKey(FiscalYearStart(ReportFrom)).toStdString();
    from_ = DateToKey(ReportFrom).toStdString();
    through_ = DateToKey(ReportThrough).toStdString();
    d4tagSelect(records_, income ? tagIncAcc : tagEAcc);
    d4tagSelect(accounts_, income ? tagAccI : tagAcc);
}

void AccountSumWalk::Pass(bool flagged, const Visit& visit) {
    for (int rc = d4top(accounts_); rc == r4success; rc = d4skip(accounts_, 1)) {
        if ((f4true(taxFlag_) != 0) == flagged) {
            const int number = f4int(accountNo_);
            const QString description = FieldText(accountDesc_);
            visit(number, description, Sum(number));
        }
        progress_.step();
    }
}

// The records of an account lie in date order on the tag, so the walk starts at the fiscal-year
// start and ends with the account. Prior is every record from the fiscal-year start to the day
// before From, and period every record from From through Through; when From lies after Through,
// the period is empty and prior still runs up to From.
AccountTotals AccountSumWalk::Sum(int account) {
    AccountTotals t;
    const QString key = PadNumber(account, 4) + QString::fromStdString(start_);
    for (int rc = SeekText(records_, key);
         rc >= 0 && rc != r4eof && f4int(recordAccount_) == account; rc = d4skip(records_, 1)) {
        if (FolderSelected(f4int(recordFolder_)) < 0) continue;
        // Stored dates are CCYYMMDD and order as the days do; a date that names no day counts
        // nowhere, as date 0 would.
        const char* date = f4str(recordDate_);
        if (std::memcmp(date, start_.data(), 8) < 0 || !CellText::isDay(date)) continue;
        const bool prior = std::memcmp(date, from_.data(), 8) < 0;
        // The tag orders an account's records by their stored dates: none after this one counts.
        if (!prior && std::memcmp(date, through_.data(), 8) > 0) break;
        // No number reads as 0, as a blank amount does.
        (prior ? t.prior : t.period) += f4cents(recordAmount_);
    }
    return t;
}

}  // namespace kvl
