#include "reports/ProfitSums.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "data/DbUtil.h"
#include "data/dbFiles.h"
#include "reports/MultFolOps.h"
#include "reports/ReportContext.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

// Whether an account of a chart exists with its flag set (deductible or taxable). Each account is
// sought once per report: the chart does not change while the report is built.
class AccountFlags {
  public:
    AccountFlags(DATA4* table, TAG4* tag, FIELD4* number, FIELD4* flag)
        : table_(table), tag_(tag), number_(number), flag_(flag) {}

    bool Flagged(int account) {
        const auto known = known_.find(account);
        if (known != known_.end()) return known->second;
        d4tagSelect(table_, tag_);
        const int rc = SeekText(table_, PadNumber(account, 4));
        const bool flagged =
            (rc == r4success || rc == r4after) && f4int(number_) == account && f4true(flag_) != 0;
        known_.emplace(account, flagged);
        return flagged;
    }

  private:
    DATA4* table_;
    TAG4* tag_;
    FIELD4* number_;
    FIELD4* flag_;
    std::unordered_map<int, bool> known_;
};

// Income or expenses in date order, summed a period at a time by their account's flag.
struct ProfitTable {
    DATA4* table;
    FIELD4* date;
    FIELD4* folder;
    FIELD4* account;
    FIELD4* amount;
    AccountFlags flags;

    // Adds the selected folders' records dated from start through end (dates compared as the
    // stored CCYYMMDD text, which orders as the dates do) to *flagged or *other.
    void Sum(const QByteArray& startKey, const QByteArray& endKey, long long* flagged,
             long long* other) {
        for (int rc = d4seek(table, startKey.constData()); rc == r4success || rc == r4after;
             rc = d4skip(table, 1)) {
            if (std::strncmp(f4str(date), endKey.constData(), 8) > 0) break;
            if (FolderSelected(f4int(folder)) < 0) continue;
            double value = 0;
            (void)f4double2(amount, &value);  // no number reads as 0, as a blank amount does
            *(flags.Flagged(f4int(account)) ? flagged : other) += ToCents(value);
        }
    }
};

QDate PeriodEnd(const QDate& start, ProfitPeriod period, const QDate& through) {
    const QDate end = period == ProfitPeriod::Weekly
                          ? start.addDays(6)
                          : QDate(start.year(), start.month(), start.daysInMonth());
    return end > through ? through : end;
}

}  // namespace

void ProfitSums::Add(const ProfitSums& other) {
    taxableIncome += other.taxableIncome;
    deductible += other.deductible;
    nontaxableIncome += other.nontaxableIncome;
    nondeductible += other.nondeductible;
}

QDate ProfitStart(const QDate& from, ProfitPeriod period) {
    return period == ProfitPeriod::Monthly ? QDate(from.year(), from.month(), 1) : from;
}

void WalkProfitPeriods(ReportContext& ctx, ProfitPeriod period, const QDate& from,
                       const QDate& through,
                       const std::function<void(const QDate& end, const ProfitSums& sums)>& visit) {
    QDate start = ProfitStart(from, period);
    d4tagSelect(dbIncome, tagIncDate);
    d4tagSelect(dbExpenses, tagEDate);
    ProfitTable income{dbIncome,  fIncDate,
                       fIncFolNo, fIncAcc,
                       fIncAmt,   AccountFlags(dbIncomeAccounts, tagAccI, fIAccNo, fIAcDed)};
    ProfitTable expenses{dbExpenses, fExpDate,
                         fExpFolNo,  fExpAccNo,
                         fAmount,    AccountFlags(dbExpenseAccounts, tagAcc, fAccNo, fAcDed)};
    const long long totalDays = std::max<long long>(start.daysTo(through), 1);
    long long daysDone = 0;
    int shown = -1;
    while (start <= through) {
        const QDate end = PeriodEnd(start, period, through);
        const QByteArray startKey = DateToKey(start).toLatin1();
        const QByteArray endKey = DateToKey(end).toLatin1();
        ProfitSums sums;
        income.Sum(startKey, endKey, &sums.taxableIncome, &sums.nontaxableIncome);
        expenses.Sum(startKey, endKey, &sums.deductible, &sums.nondeductible);
        visit(end, sums);
        daysDone += start.daysTo(end);
        const int position = static_cast<int>(daysDone * 100 / totalDays);
        if (position != shown) ctx.SetProgress(shown = position);
        start = end.addDays(1);
    }
}

}  // namespace kvl
