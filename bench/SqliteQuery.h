// A prepared SQLite statement of the benchmark's SQLite side, finalized on every path: each step
// gives a row or the end, and any other result throws std::runtime_error with SQLite's message.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace bench {

class Query {
  public:
    Query(sqlite3* db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db) + " in " + sql);
    }
    ~Query() { sqlite3_finalize(stmt_); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    sqlite3_stmt* get() { return stmt_; }
    // True for a row, false at the end.
    bool row() {
        const int rc = sqlite3_step(stmt_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db_));
        return rc == SQLITE_ROW;
    }
    void reset() { sqlite3_reset(stmt_); }
    int64_t at(int column) { return sqlite3_column_int64(stmt_, column); }
    std::string text(int column) {
        const unsigned char* p = sqlite3_column_text(stmt_, column);
        return p ? reinterpret_cast<const char*>(p) : "";
    }

  private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace bench
