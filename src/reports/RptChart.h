// The charts of accounts: the expense or income accounts with their numbers and names, in two
// sections (deductible and non-deductible, or taxable and non-taxable), in account-number order.
// They use neither the report period nor folders. The chart's table is open (ACC with AccTag, or
// ACCI with AccITag).
#pragma once

#include "reports/ReportContext.h"

namespace kvl {

ReportResult BuildExpenseChart(ReportContext& ctx);
ReportResult BuildIncomeChart(ReportContext& ctx);

}  // namespace kvl
