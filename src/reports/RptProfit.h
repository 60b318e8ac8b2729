// The profit reports: the period cut into weeks (from From, whatever weekday it is) or calendar
// months (from the first of From's month, which the title then shows), the last one ending on
// Through; for each, the income and expenses of the selected folders split by their account's
// flag into taxable income, deductible expenses, taxable profit, non-taxable income,
// non-deductible expenses and net profit, a row for every period even when all are zero, and a
// Totals row (the sums are those of ProfitSums.h). INC5 and EXP5, ACC, ACCI and FOLDER are open.
// ReportFrom is left as it is.
#pragma once

#include "reports/ProfitSums.h"
#include "reports/ReportContext.h"

namespace kvl {

ReportResult BuildProfitReport(ReportContext& ctx, ProfitPeriod period);
ReportResult BuildWeeklyProfit(ReportContext& ctx);
ReportResult BuildMonthlyProfit(ReportContext& ctx);

}  // namespace kvl
