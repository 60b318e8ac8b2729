// The summary and detail reports through the real report builders, each built to the report grid
// and written to a plain-text file as the viewer's export writes it, beside the SQLite query that
// yields the same sums or rows; and the detail written as a spreadsheet after its text. The summary
// is the expense summary of the books' last month for the odd folders; the detail is the expense
// detail over the whole books for every folder, one row for each record and one more for each memo.
// Both sides read the tables and the database in the current directory (EXP5 filled and indexed,
// bench.sqlite loaded). Timed calls return seconds (the engine's include opening and closing the
// tables); the rows are read back from the grid untimed, so that the two sides can be compared.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Books.h"
#include "Results.h"

struct sqlite3;

namespace kvl {
class ReportGrid;
}

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

// The detail exported to a spreadsheet (xlsx) after its plain text, from the same grid.
struct XlsxTiming {
    ReportTiming report;      // building and the plain text, as detailReport measures them
    double xlsx = 0;          // the grid written as a spreadsheet
    double peakBeforeMb = 0;  // the process's peak once the report was built and its text written
    double peakMb = 0;        // and after the spreadsheet
    double fileMb = 0;
};

class DetailBench {
  public:
    explicit DetailBench(const Books& books);
    ~DetailBench();
    DetailBench(const DetailBench&) = delete;
    DetailBench& operator=(const DetailBench&) = delete;

    ReportTiming summaryReport(std::vector<SummaryRow>& rows);
    ReportTiming detailReport(DetailTotals& totals);
    XlsxTiming xlsxReport(DetailTotals& totals);
    double summaryQuery(std::vector<SummaryRow>& rows);
    double detailQuery(DetailTotals& totals);

  private:
    // The detail over every record, exported as text, then handed to further (if given).
    ReportTiming detail(DetailTotals& totals, std::function<void(const kvl::ReportGrid&)> further);

    const Books& books_;
    sqlite3* db_ = nullptr;
};

}  // namespace bench
