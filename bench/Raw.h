// The floor for any scan: the table file read into memory in one piece and every record's amount
// parsed, with no engine in between.
#pragma once

#include <string>

#include "Results.h"

namespace bench {

// Seconds; totals gets every record (deleted or not) and the sum of the amounts.
double RawRead(const std::string& file, TableTotals& totals);

}  // namespace bench
