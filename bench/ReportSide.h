// The report workload: the builders of src/reports run as the Report Generation tab runs them,
// each report built into the report grid and then written as the viewer's plain-text export, and
// the grid's own memory for a million rows shaped like a detail report's. No SQLite counterpart:
// what matters here is that a report as large as the books builds, exports and fits in memory.
#pragma once

#include <string>

#include "Books.h"

namespace bench {

struct ReportFigures {
    double chartBuild = 0, chartExport = 0;  // seconds
    long chartRows = 0;
    bool detailBuilt = false;                  // the expense detail report exists
    double detailBuild = 0, detailExport = 0;  // over every record of the books
    long detailRows = 0;
    double detailGridMb = 0;  // the grid's own bytes
};

// Runs in the current directory's data set (the expense table loaded); every table is closed at
// the end. Throws std::runtime_error when a report cannot be built or written.
ReportFigures RunReports(const Books& books);

// The grid's own memory, in MB, for `rows` rows shaped like the expense detail's (a date, check
// number, account, payee and amount; every third record with a memo row).
double GridMbFor(long rows);

}  // namespace bench
