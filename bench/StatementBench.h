// The statement-import workload: a bank statement with one line for every ten expense records of
// the books, written as a CSV file and imported as kvl-cli import-statement imports it (the file
// read, the books walked for each payee's account and folder and for duplicates, the accounts
// proposed, the new lines appended as one staged change), beside SQLite finding the duplicates
// with one query over the statement's dates in each table and making the same inserts, in one
// transaction.
//
// The statement covers the books' last 90 days, in date order as banks list them: nine lines in
// ten are card and check debits, the payees written as banks write them (upper case, a card number
// and a date after the name), one in five of them a copy of an expense already in the books (a
// duplicate); one line in ten is a credit from a customer. Every payee is in the books, so every
// line is assigned by learning. SQLite's side learns within its timed run, as the engine does:
// one grouped query over each table, the payee key made for each group; its accounts and folders
// must equal those the engine proposes, and the two sides must agree on every count and sum of
// what they add. SQLite is given the lines as read; the engine reads the file.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "Books.h"
#include "transfer/StatementLines.h"

struct sqlite3;

namespace bench {

struct StatementTotals {
    long expenses = 0, incomes = 0, duplicates = 0;
    int64_t cents = 0;     // of the lines added
    int64_t accounts = 0;  // sums of the accounts and folders of the lines added
    int64_t folders = 0;
    bool operator==(const StatementTotals&) const = default;
};

class StatementBench {
  public:
    explicit StatementBench(const Books& books);
    ~StatementBench();
    StatementBench(const StatementBench&) = delete;
    StatementBench& operator=(const StatementBench&) = delete;

    // Untimed: the statement file in the current directory and its lines as read. The books must
    // be loaded on both sides, the income included.
    void prepare(const std::string& sqliteFile);
    long lines() const { return static_cast<long>(lines_.size()); }

    double engineImport(StatementTotals& totals);
    double sqliteImport(StatementTotals& totals);
    // The engine's time to read the file, within its import.
    double engineRead() const { return read_; }
    // SQLite's time to learn the accounts and folders, within its import.
    double sqliteLearn() const { return learn_; }

  private:
    struct Learned {
        int account = 0, folder = 0;
    };
    // By kind: the account and folder learned for each payee key of the lines.
    std::vector<std::unordered_map<std::string, Learned>> learn(
        const std::vector<kvl::MappedLine>& mapped);

    const Books& books_;
    sqlite3* db_ = nullptr;
    std::vector<kvl::StatementLine> lines_;
    double read_ = 0, learn_ = 0;
};

void Agree(const char* workload, const StatementTotals& engine, const StatementTotals& sqlite);

}  // namespace bench
