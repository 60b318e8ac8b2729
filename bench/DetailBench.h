// The summary and detail reports through the real report builders, each built to the report grid
// and written to a plain-text file as the viewer's export writes it, beside the SQLite query that
// yields the same sums or rows. The summary is the expense summary of the books' last month for
// the odd folders; the detail is the expense detail over the whole books for every folder, one
// row for each record and one more for each memo. Both sides read the tables and the database in
// the current directory (EXP5 filled and indexed, bench.sqlite loaded). Timed calls return seconds
// (the engine's include opening and closing the tables); the rows are read back from the grid
// untimed, so that the two sides can be compared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Books.h"
#include "Results.h"

struct sqlite3;

namespace bench {

// What a detail lists, folded so that two listings compare equal only with the same rows in the
// same order.
struct DetailTotals {
    long records = 0;
    long memos = 0;
    int64_t cents = 0;
    uint64_t orderHash = 0;  // over each record's date, check number, account and amount in turn
    bool operator==(const DetailTotals&) const = default;
};

void Agree(const char* workload, const DetailTotals& engine, const DetailTotals& sqlite);

struct ReportTiming {
    double build = 0;   // the tables opened, the report built to the grid
    double write = 0;   // the grid exported as plain text
    double total = 0;   // both, the grid discarded and the tables closed
    double gridMb = 0;  // memory the grid held
};

class DetailBench {
  public:
    explicit DetailBench(const Books& books);
    ~DetailBench();
    DetailBench(const DetailBench&) = delete;
    DetailBench& operator=(const DetailBench&) = delete;

    ReportTiming summaryReport(std::vector<SummaryRow>& rows);
    ReportTiming detailReport(DetailTotals& totals);
    double summaryQuery(std::vector<SummaryRow>& rows);
    double detailQuery(DetailTotals& totals);

  private:
    const Books& books_;
    sqlite3* db_ = nullptr;
};

}  // namespace bench
