// The expense and income summaries: for the selected folders, each account's total over the
// report period, over the part of the fiscal year before it, and the two together, in two
// sections by the account's tax flag (deductible or not, taxable or not) with a total per section,
// a grand total and, for several folders, the list of folders. Accounts whose period and prior
// totals are both zero are left out. Called with FOLDER, the account table (ACC or ACCI) and the
// record table (EXP5 or INC5) open.
#pragma once

#include "reports/ReportContext.h"

namespace kvl {

ReportResult BuildExpenseSummary(ReportContext& ctx);
ReportResult BuildIncomeSummary(ReportContext& ctx);

}  // namespace kvl
