#include "SqliteSide.h"

#include <sqlite3.h>

#include <QDate>
#include <QStringList>
#include <stdexcept>

#include "Measure.h"
#include "data/EntryRules.h"

namespace bench {

namespace {

const char* const kSummarySql =
    "SELECT a.accno,"
    " SUM(CASE WHEN e.expdate >= ?2 THEN e.amount ELSE 0 END),"
    " SUM(CASE WHEN e.expdate < ?2 THEN e.amount ELSE 0 END)"
    " FROM acc a JOIN exp e ON e.accno = a.accno AND e.expdate >= ?1 AND e.expdate <= ?3"
    " WHERE e.folno IN (1, 3, 5, 7, 9)"
    " GROUP BY a.accno ORDER BY a.acded DESC, a.accno";
const char* const kBrowseSql =
    "SELECT id FROM exp WHERE folno = ?1 AND archive = 0 ORDER BY expdate, accno, id";
const char* const kRowSql =
    "SELECT expdate, accno, folno, checkno, amount, payto FROM exp WHERE id = ?1";
const char* const kSeekSql =
    "SELECT id, amount FROM exp WHERE accno = ?1 AND expdate = ?2 ORDER BY id LIMIT 1";

// A prepared statement, finalized on every path.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db) + " in " + sql);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() { return stmt_; }
    // SQLITE_ROW or SQLITE_DONE; anything else throws.
    int step() {
        const int rc = sqlite3_step(stmt_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db_));
        return rc;
    }
    void reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }

  private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace

SqliteSide::SqliteSide(const Books& books) : books_(books) {}

SqliteSide::~SqliteSide() {
    if (db_) sqlite3_close(db_);
}

void SqliteSide::exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string text = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("SQLite: " + text + " in " + sql);
    }
}

void SqliteSide::prepare(const std::string& file) {
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK)
        throw std::runtime_error("SQLite: cannot open " + file);
    exec(
        "CREATE TABLE acc (accno INTEGER PRIMARY KEY, acdesc TEXT NOT NULL, "
        "acded INTEGER NOT NULL)");
    exec(
        "CREATE TABLE exp (id INTEGER PRIMARY KEY, expdate INTEGER NOT NULL, "
        "checkno INTEGER NOT NULL, accno INTEGER NOT NULL, folno INTEGER NOT NULL, "
        "payto TEXT NOT NULL, amount INTEGER NOT NULL, memo TEXT NOT NULL, "
        "archive INTEGER NOT NULL)");
    exec("CREATE INDEX exp_date ON exp (expdate, accno)");
    exec("CREATE INDEX exp_acc ON exp (accno, expdate)");
    exec("BEGIN");
    Statement add(db_, "INSERT INTO acc VALUES (?1, ?2, ?3)");
    for (const Account& a : books_.accounts()) {
        sqlite3_bind_int(add.get(), 1, a.number);
        sqlite3_bind_text(add.get(), 2, a.description.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(add.get(), 3, a.deductible ? 1 : 0);
        add.step();
        add.reset();
    }
    exec("COMMIT");
}

double SqliteSide::load() {
    const auto& payees = Books::payees();
    const auto& memos = Books::memos();
    Stopwatch clock;
    Statement add(db_, "INSERT INTO exp VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    exec("BEGIN");
    const long n = books_.records();
    for (long r = 1; r <= n; ++r) {
        const Expense e = books_.record(r);
        sqlite3_stmt* s = add.get();
        sqlite3_bind_int64(s, 1, r);
        sqlite3_bind_int(s, 2, DateNumber(e.date));
        sqlite3_bind_int64(s, 3, e.checkNo);
        sqlite3_bind_int(s, 4, e.account);
        sqlite3_bind_int(s, 5, e.folder);
        const std::string& payee = payees[e.payee];
        const std::string& memo = memos[e.memo];
        sqlite3_bind_text(s, 6, payee.data(), static_cast<int>(payee.size()), SQLITE_STATIC);
        sqlite3_bind_int64(s, 7, e.cents);
        sqlite3_bind_text(s, 8, memo.data(), static_cast<int>(memo.size()), SQLITE_STATIC);
        sqlite3_bind_int(s, 9, e.archived ? 1 : 0);
        add.step();
        sqlite3_reset(s);
    }
    exec("COMMIT");
    return clock.seconds();
}

double SqliteSide::reindex() {
    exec("DROP INDEX exp_date");
    exec("DROP INDEX exp_acc");
    Stopwatch clock;
    exec("CREATE INDEX exp_date ON exp (expdate, accno)");
    exec("CREATE INDEX exp_acc ON exp (accno, expdate)");
    return clock.seconds();
}

double SqliteSide::summary(std::vector<SummaryRow>& rows) {
    rows.clear();
    Stopwatch clock;
    Statement q(db_, kSummarySql);
    sqlite3_bind_int(q.get(), 1, DateNumber(books_.fiscalYearStart()));
    sqlite3_bind_int(q.get(), 2, DateNumber(books_.periodFrom()));
    sqlite3_bind_int(q.get(), 3, DateNumber(books_.periodThrough()));
    while (q.step() == SQLITE_ROW) {
        SummaryRow row{sqlite3_column_int(q.get(), 0), sqlite3_column_int64(q.get(), 1),
                       sqlite3_column_int64(q.get(), 2)};
        // As the report lists them: accounts with nothing in either column are left out.
        if (row.period != 0 || row.prior != 0) rows.push_back(row);
    }
    return clock.seconds();
}

double SqliteSide::browse(std::vector<long>& list) {
    list.clear();
    Stopwatch clock;
    Statement q(db_, kBrowseSql);
    sqlite3_bind_int(q.get(), 1, Books::kBrowseFolder);
    while (q.step() == SQLITE_ROW)
        list.push_back(static_cast<long>(sqlite3_column_int64(q.get(), 0)));
    return clock.seconds();
}

double SqliteSide::picklist(PickShowing& showing) {
    showing = {};
    Stopwatch clock;
    {
        Statement q(db_, kBrowseSql);
        sqlite3_bind_int(q.get(), 1, Books::kBrowseFolder);
        while (q.step() == SQLITE_ROW)
            showing.list.push_back(static_cast<long>(sqlite3_column_int64(q.get(), 0)));
    }
    Statement row(db_, kRowSql);
    const size_t first = showing.list.size() > 10 ? showing.list.size() - 10 : 0;
    for (size_t i = first; i < showing.list.size(); ++i) {
        sqlite3_stmt* s = row.get();
        sqlite3_bind_int64(s, 1, showing.list[i]);
        if (row.step() != SQLITE_ROW) throw std::runtime_error("SQLite: a listed row is gone");
        const int date = sqlite3_column_int(s, 0);
        const QStringList cells{
            kvl::DateToShortText(QDate(date / 10000, date / 100 % 100, date % 100)),
            QString::number(sqlite3_column_int(s, 1)), QString::number(sqlite3_column_int(s, 2)),
            QString::number(sqlite3_column_int64(s, 3)),
            kvl::FormatAmount(static_cast<double>(sqlite3_column_int64(s, 4)) / 100.0,
                              QStringLiteral("%12.2n")),
            // The table's text field holds the name blank-padded to its 30 characters.
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 5)))
                .leftJustified(30),
            QString::number(showing.list[i])};
        showing.page.push_back(cells.join(QLatin1Char('|')).toStdString());
        sqlite3_reset(s);
    }
    return clock.seconds();
}

double SqliteSide::seek(SeekTotals& totals) {
    totals = {};
    Stopwatch clock;
    Statement q(db_, kSeekSql);
    for (int i = 0; i < Books::kSeeks; ++i) {
        const SeekKey k = books_.seekKey(i);
        sqlite3_bind_int(q.get(), 1, k.account);
        sqlite3_bind_int(q.get(), 2, DateNumber(k.date));
        if (q.step() == SQLITE_ROW) {
            ++totals.hits;
            totals.recnos += static_cast<uint64_t>(sqlite3_column_int64(q.get(), 0));
            totals.cents += sqlite3_column_int64(q.get(), 1);
        }
        sqlite3_reset(q.get());
    }
    return clock.seconds();
}

double SqliteSide::pack() {
    const std::string del =
        "DELETE FROM exp WHERE id % 10 = " + std::to_string(Books::kDeletedDigit);
    Stopwatch clock;
    exec(del.c_str());
    exec("VACUUM");
    return clock.seconds();
}

TableTotals SqliteSide::totals() {
    Statement q(db_, "SELECT COUNT(*), SUM(amount) FROM exp");
    q.step();
    return {static_cast<long>(sqlite3_column_int64(q.get(), 0)), sqlite3_column_int64(q.get(), 1)};
}

std::vector<std::string> SqliteSide::plans() {
    std::vector<std::string> out;
    for (const char* sql : {kSummarySql, kBrowseSql, kSeekSql}) {
        Statement q(db_, (std::string("EXPLAIN QUERY PLAN ") + sql).c_str());
        std::string line;
        while (q.step() == SQLITE_ROW) {
            if (!line.empty()) line += "; ";
            line += reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 3));
        }
        out.push_back(line);
    }
    return out;
}

}  // namespace bench
