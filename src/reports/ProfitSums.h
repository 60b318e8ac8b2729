// The sums of the profit reports and of the monthly profit chart, made once for both: the report
// period cut into weeks (from From, whatever weekday it is) or calendar months (from the first of
// From's month), the last ending on Through, and for each the selected folders' income and
// expenses split by their account's flag into taxable and non-taxable income, deductible and
// non-deductible expenses, in cents. An income or expense whose account is not in its chart counts
// as non-taxable or non-deductible. INC5, EXP5, ACC and ACCI are open (the date tags of INC5 and
// EXP5 are selected here), and the folder selection is made; the archive flag is not consulted.
#pragma once

#include <QDate>
#include <functional>

namespace kvl {

class ReportContext;

enum class ProfitPeriod { Weekly, Monthly };

struct ProfitSums {
    long long taxableIncome = 0, deductible = 0, nontaxableIncome = 0, nondeductible = 0;

    void Add(const ProfitSums& other);
    long long Income() const { return taxableIncome + nontaxableIncome; }
    long long Expenses() const { return deductible + nondeductible; }
    long long TaxableProfit() const { return taxableIncome - deductible; }
    long long NetProfit() const { return TaxableProfit() + nontaxableIncome - nondeductible; }
};

// The first day of the first period: From itself, or the first of its month.
QDate ProfitStart(const QDate& from, ProfitPeriod period);

// Calls visit with the last day and the sums of every period from ProfitStart(from) through
// `through`, in order (none when from is after through), moving ctx's progress bar by the days
// done.
void WalkProfitPeriods(ReportContext& ctx, ProfitPeriod period, const QDate& from,
                       const QDate& through,
                       const std::function<void(const QDate& end, const ProfitSums& sums)>& visit);

}  // namespace kvl
