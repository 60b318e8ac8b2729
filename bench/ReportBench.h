// The report workloads: the general ledger of the books' last month and the monthly profit report
// over all ten years, built by the program's own builders into the report grid (the tables opened
// as the main window opens them, the odd folders chosen, closed at the end), beside the SQLite
// queries that yield the same rows and sums. For them the books get income too: one record for
// every four expenses, in date order over the same ten years, in eight income accounts (every
// fourth not taxable), added untimed to INC5 (its tags then rebuilt) and to an income table in
// the benchmark's SQLite file. Both sides give their rows as the report shows them: date text
// and amounts in cents, the engine's read back from the grid's cells.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Books.h"

struct sqlite3;

namespace bench {

// The descriptions the income records of the books are given.
extern const char* const kIncomeTexts[8];

// A ledger row: the opening, period and closing rows in report order.
struct LedgerLine {
    std::string date;  // "MM/DD/YY", empty on the opening and closing rows
    int64_t credit = 0, debit = 0, balance = 0;
    bool operator==(const LedgerLine&) const = default;
};

// A profit row: each month and the Totals row.
struct ProfitLine {
    std::string ending;  // "MM/DD/YY" or "Totals"
    int64_t taxable = 0, deductible = 0, nontaxable = 0, nondeductible = 0;
    bool operator==(const ProfitLine&) const = default;
};

class ReportBench {
  public:
    explicit ReportBench(const Books& books);
    ~ReportBench();
    ReportBench(const ReportBench&) = delete;
    ReportBench& operator=(const ReportBench&) = delete;

    // Untimed: the income chart and the income records on both sides; sqliteFile is the
    // database the expense side already filled.
    void prepare(const std::string& sqliteFile);
    long incomeRecords() const;

    double engineLedger(std::vector<LedgerLine>& lines);
    double sqliteLedger(std::vector<LedgerLine>& lines);
    double engineProfit(std::vector<ProfitLine>& lines);
    double sqliteProfit(std::vector<ProfitLine>& lines);

    // SQLite's query plans for the ledger's period rows and the profit's expense sums.
    std::vector<std::string> plans();

  private:
    void exec(const char* sql);
    const Books& books_;
    sqlite3* db_ = nullptr;
};

// Throws std::runtime_error naming the workload and the first difference.
void Agree(const char* workload, const std::vector<LedgerLine>& engine,
           const std::vector<LedgerLine>& sqlite);
void Agree(const char* workload, const std::vector<ProfitLine>& engine,
           const std::vector<ProfitLine>& sqlite);

}  // namespace bench
