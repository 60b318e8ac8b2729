// The sums of the summary reports and of the by-account charts, made once for both: for each
// account of the expense or income chart, the selected folders' total over the report period
// (From through Through) and over the part of the fiscal year before it (the fiscal-year start of
// From up to the day before From), in cents. The chart's account table and its record table (ACC
// and EXP5, or ACCI and INC5) are open, and the folder selection is made; the archive flag is not
// consulted.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "data/CodeBase.h"
#include "reports/RptUtil.h"

namespace kvl {

class ReportContext;

struct AccountTotals {
    long long period = 0;  // cents
    long long prior = 0;

    void Add(const AccountTotals& other) {
        period += other.period;
        prior += other.prior;
    }
};

// Walks the accounts of the chart ('E' expense, 'I' income) in number order, a pass for each
// section by the account's flag (deductible, taxable). Two passes take ctx's progress bar from 0
// to 100: it moves with every account read, whether of the pass's section or not.
class AccountSumWalk {
  public:
    using Visit =
        std::function<void(int account, const QString& description, const AccountTotals& totals)>;

    AccountSumWalk(ReportContext& ctx, char chart);

    // Calls visit for every account whose flag is `flagged`, with its description as stored.
    void Pass(bool flagged, const Visit& visit);

  private:
    AccountTotals Sum(int account);

    // The chart's account table, and its records by account number, then date.
    DATA4* accounts_;
    FIELD4 *accountNo_, *accountDesc_, *taxFlag_;
    DATA4* records_;
    FIELD4 *recordAccount_, *recordDate_, *recordFolder_, *recordAmount_;
    std::string start_, from_, through_;  // as stored: CCYYMMDD
    ProgressSteps progress_;              // over both passes
};

}  // namespace kvl
