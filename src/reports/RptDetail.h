// The detail reports: the expense or income records of the report period in the selected folders,
// in date order (expenses of one day by account number), with their total; over all accounts or,
// in the account variants, over the one account that ctx.ChooseAccount names. An expense with a
// memo takes a second row for it. Called with FOLDER, the account table (ACC or ACCI) and the
// record table (EXP5 or INC5) open.
//
// The account variants build nothing, silently, when the choice is negative (the pick list's
// Exit), and also when it is 0 (the pick list's New, or the list closed without a choice) or names
// no live account: there is no account to report on, and the user, who dismissed the list, is
// asked nothing further, as with Cancel in the folder dialog.
//
// The rows are made on a thread of their own while the walk reads the table (RptUtil.h says what
// it may touch). When that thread fails for want of memory, nothing is shown but the message "Not
// enough memory to build the report." and the result is Failed.
#pragma once

#include <cstddef>
#include <functional>

#include "reports/ReportContext.h"

namespace kvl {

ReportResult BuildExpenseDetail(ReportContext& ctx);
ReportResult BuildIncomeDetail(ReportContext& ctx);
ReportResult BuildExpenseAccountDetail(ReportContext& ctx);
ReportResult BuildIncomeAccountDetail(ReportContext& ctx);

// For tests: called on the row-making thread before each batch of rows; what it throws fails that
// thread as a failed allocation does. Set it before a report starts; empty calls nothing.
extern std::function<void()> DetailRowWriterHook;
// How many batches of records must wait for the row writer before the walk makes the rows of the
// next batch itself (0: the walk makes them all; SIZE_MAX: none). Tests choose one way or the
// other; the rows are the same either way.
extern std::size_t DetailMakeRowsAt;
// For tests: called on the counting thread each time a page's record numbers are given, when the
// period is counted beside the walk. Set it before a report starts; empty calls nothing.
extern std::function<void()> DetailCountHook;

}  // namespace kvl
