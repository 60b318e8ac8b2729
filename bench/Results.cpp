#include "Results.h"

#include <stdexcept>

namespace bench {

namespace {

[[noreturn]] void Disagree(const char* workload, const std::string& what) {
    throw std::runtime_error(std::string("the two sides disagree on ") + workload + ": " + what);
}

std::string Row(const SummaryRow& r) {
    return "account " + std::to_string(r.account) + " period " + std::to_string(r.period) +
           " prior " + std::to_string(r.prior) + " (cents)";
}

}  // namespace

void Agree(const char* workload, const std::vector<SummaryRow>& engine,
           const std::vector<SummaryRow>& sqlite) {
    for (size_t i = 0; i < engine.size() && i < sqlite.size(); ++i) {
        if (!(engine[i] == sqlite[i]))
            Disagree(workload, "row " + std::to_string(i + 1) + ": engine " + Row(engine[i]) +
                                   ", SQLite " + Row(sqlite[i]));
    }
    if (engine.size() != sqlite.size())
        Disagree(workload, "engine lists " + std::to_string(engine.size()) + " accounts, SQLite " +
                               std::to_string(sqlite.size()));
}

void Agree(const char* workload, const std::vector<long>& engine, const std::vector<long>& sqlite) {
    for (size_t i = 0; i < engine.size() && i < sqlite.size(); ++i) {
        if (engine[i] != sqlite[i])
            Disagree(workload, "entry " + std::to_string(i + 1) + ": engine record " +
                                   std::to_string(engine[i]) + ", SQLite row " +
                                   std::to_string(sqlite[i]));
    }
    if (engine.size() != sqlite.size())
        Disagree(workload, "engine lists " + std::to_string(engine.size()) + " records, SQLite " +
                               std::to_string(sqlite.size()));
}

void Agree(const char* workload, const SeekTotals& engine, const SeekTotals& sqlite) {
    if (engine == sqlite) return;
    Disagree(workload, "engine found " + std::to_string(engine.hits) + " keys (record sum " +
                           std::to_string(engine.recnos) + ", " + std::to_string(engine.cents) +
                           " cents), SQLite " + std::to_string(sqlite.hits) + " (row sum " +
                           std::to_string(sqlite.recnos) + ", " + std::to_string(sqlite.cents) +
                           " cents)");
}

void Agree(const char* workload, const TableTotals& engine, const TableTotals& sqlite) {
    if (engine == sqlite) return;
    Disagree(workload, "engine holds " + std::to_string(engine.records) + " records of " +
                           std::to_string(engine.cents) + " cents, SQLite " +
                           std::to_string(sqlite.records) + " rows of " +
                           std::to_string(sqlite.cents) + " cents");
}

void Agree(const char* workload, const PickShowing& engine, const PickShowing& sqlite) {
    Agree(workload, engine.list, sqlite.list);
    for (size_t i = 0; i < engine.page.size() && i < sqlite.page.size(); ++i) {
        if (engine.page[i] != sqlite.page[i])
            Disagree(workload, "page row " + std::to_string(i + 1) + ": engine \"" +
                                   engine.page[i] + "\", SQLite \"" + sqlite.page[i] + "\"");
    }
    if (engine.page.size() != sqlite.page.size())
        Disagree(workload, "engine shows " + std::to_string(engine.page.size()) + " rows, SQLite " +
                               std::to_string(sqlite.page.size()));
}

}  // namespace bench
