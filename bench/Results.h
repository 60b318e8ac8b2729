// What each workload computes, on either side, so that the two sides can be compared: a benchmark
// whose two sides disagree is a bug, not a result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// One listed row of the expense summary, amounts in cents.
struct SummaryRow {
    int account = 0;
    int64_t period = 0;
    int64_t prior = 0;
    bool operator==(const SummaryRow&) const = default;
};

struct SeekTotals {
    long hits = 0;        // seeks that found an exact key
    uint64_t recnos = 0;  // sum of the record numbers found
    int64_t cents = 0;    // sum of their amounts
    bool operator==(const SeekTotals&) const = default;
};

// The live records of the table after a workload that changed it.
struct TableTotals {
    long records = 0;
    int64_t cents = 0;
    bool operator==(const TableTotals&) const = default;
};

// A showing of the expense pick list: the record numbers listed, in list order, and the rows of the
// first page shown, each cell as the grid shows it, joined by '|', the record number last.
struct PickShowing {
    std::vector<long> list;
    std::vector<std::string> page;
    bool operator==(const PickShowing&) const = default;
};

// Throws std::runtime_error naming the workload and the first difference.
void Agree(const char* workload, const std::vector<SummaryRow>& engine,
           const std::vector<SummaryRow>& sqlite);
void Agree(const char* workload, const std::vector<long>& engine, const std::vector<long>& sqlite);
void Agree(const char* workload, const SeekTotals& engine, const SeekTotals& sqlite);
void Agree(const char* workload, const TableTotals& engine, const TableTotals& sqlite);
void Agree(const char* workload, const PickShowing& engine, const PickShowing& sqlite);

}  // namespace bench
