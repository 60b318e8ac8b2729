// SQLite's side of every workload: the same rows in one database file in the current directory,
// at SQLite's default settings (no PRAGMA is issued), with the two indexes the engine's tags
// correspond to: (date, account) and (account, date). Each timed call returns seconds; a failure
// throws std::runtime_error with SQLite's message.
#pragma once

#include <string>
#include <vector>

#include "Books.h"
#include "Results.h"

struct sqlite3;

namespace bench {

class SqliteSide {
  public:
    explicit SqliteSide(const Books& books);
    ~SqliteSide();
    SqliteSide(const SqliteSide&) = delete;
    SqliteSide& operator=(const SqliteSide&) = delete;

    // A new database file with the account chart filled and the expense table empty with both
    // indexes.
    void prepare(const std::string& file);

    double load();
    double reindex();  // drops both indexes untimed, then times creating them
    double summary(std::vector<SummaryRow>& rows);
    double browse(std::vector<long>& list);
    // The browse query, then the rows of the last page (the first page a showing fills), each
    // fetched by its id and written as the pick list writes it.
    double picklist(PickShowing& showing);
    double seek(SeekTotals& totals);
    double pack();  // DELETE of the rows the engine marks deleted, then VACUUM

    TableTotals totals();
    // The query plans SQLite picks for the three reading workloads, one line each.
    std::vector<std::string> plans();

  private:
    void exec(const char* sql);
    const Books& books_;
    sqlite3* db_ = nullptr;
};

}  // namespace bench
