// The floor for any scan: the table file read into memory in one piece and every record's amount
// parsed, with no engine in between.
#pragma once

#include <string>
#include <vector>

#include "Results.h"

namespace bench {

// Seconds; totals gets every record (deleted or not) and the sum of the amounts.
double RawRead(const std::string& file, TableTotals& totals);

// The floor for a workload that writes files: the seconds to write as many bytes as the files
// hold with one write call into a new file beside them, and to sync it (the file is removed).
double WriteFloor(const std::vector<std::string>& files);

}  // namespace bench
