// The general ledger: the income (credits) and expenses (debits) of the selected folders in date
// order with a running balance that starts from everything before the period, split into the
// years before the current fiscal year ("Prior Year Totals") and the fiscal year up to the day
// before From ("Fiscal YTD Totals"); a closing "Fiscal YTD Totals" row gives the totals from the
// first record through Through. On a date with both, income comes first. The report always has
// its two opening rows, so it is presented even for a period without records. INC5 and EXP5
// (their date tags are selected here) and FOLDER are open; the archive flag is not consulted.
#pragma once

#include "reports/ReportContext.h"

namespace kvl {

ReportResult BuildGeneralLedger(ReportContext& ctx);

}  // namespace kvl
