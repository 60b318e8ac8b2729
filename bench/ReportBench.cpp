#include "ReportBench.h"

#include <sqlite3.h>

#include <QLocale>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>

#include "Measure.h"
#include "SqliteQuery.h"
#include "data/Clock.h"
#include "data/Maintenance.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "reports/ReportContext.h"
#include "reports/ReportGrid.h"
#include "reports/RptLedger.h"
#include "reports/RptProfit.h"

namespace bench {

namespace {

constexpr int kIncomeAccounts = 8;
const char* const kFolderList = "(1, 3, 5, 7, 9)";  // Books::folderSelected

const char* const kLedgerOpeningSql =
    "SELECT 0, COALESCE(SUM(CASE WHEN d < ?1 THEN amount END), 0),"
    " COALESCE(SUM(CASE WHEN d >= ?1 THEN amount END), 0) FROM ("
    " SELECT incdate AS d, incamt AS amount FROM inc WHERE incdate < ?2 AND folno IN %s)"
    " UNION ALL "
    "SELECT 1, COALESCE(SUM(CASE WHEN d < ?1 THEN amount END), 0),"
    " COALESCE(SUM(CASE WHEN d >= ?1 THEN amount END), 0) FROM ("
    " SELECT expdate AS d, amount FROM exp WHERE expdate < ?2 AND folno IN %s)";
// Income before expenses on a date; within a table the order of its date tag.
const char* const kLedgerRowsSql =
    "SELECT d, kind, amount FROM ("
    " SELECT incdate AS d, 0 AS kind, 0 AS acc, id, incamt AS amount FROM inc"
    "  WHERE incdate BETWEEN ?1 AND ?2 AND folno IN %s"
    " UNION ALL"
    " SELECT expdate, 1, accno, id, amount FROM exp"
    "  WHERE expdate BETWEEN ?1 AND ?2 AND folno IN %s)"
    " ORDER BY d, kind, acc, id";
// An account missing from the chart counts as not flagged.
const char* const kProfitExpenseSql =
    "SELECT e.expdate / 100, SUM(CASE WHEN a.acded = 1 THEN e.amount ELSE 0 END),"
    " SUM(CASE WHEN a.acded = 1 THEN 0 ELSE e.amount END)"
    " FROM exp e LEFT JOIN acc a ON a.accno = e.accno"
    " WHERE e.expdate BETWEEN ?1 AND ?2 AND e.folno IN %s GROUP BY 1";
const char* const kProfitIncomeSql =
    "SELECT i.incdate / 100, SUM(CASE WHEN a.acded = 1 THEN i.incamt ELSE 0 END),"
    " SUM(CASE WHEN a.acded = 1 THEN 0 ELSE i.incamt END)"
    " FROM inc i LEFT JOIN acci a ON a.accno = i.incacc"
    " WHERE i.incdate BETWEEN ?1 AND ?2 AND i.folno IN %s GROUP BY 1";

std::string WithFolders(const char* sql) {
    std::string out = sql;
    for (size_t at; (at = out.find("%s")) != std::string::npos;) out.replace(at, 2, kFolderList);
    return out;
}

struct Income {
    QDate date;
    int account = 0;
    int folder = 0;
    int description = 0;
    int64_t cents = 0;
};

}  // namespace

const char* const kIncomeTexts[] = {"Lawn service",   "Design fee",     "Plant sales",
                                    "Snow contract",  "Irrigation job", "Consulting",
                                    "Equipment rent", "Refund"};

namespace {

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// The date in the report date format of the benchmark's regional settings (MM/DD/YY).
std::string ReportDateText(int yyyymmdd) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", yyyymmdd / 100 % 100, yyyymmdd % 100,
                  yyyymmdd / 10000 % 100);
    return text;
}

// A "%13.2n" amount read back into cents; 0 for an empty cell.
int64_t CellCents(const QString& cell) {
    QString digits;
    for (const QChar c : cell.mid(3))
        if (c.isDigit() || c == QLatin1Char('-')) digits += c;
    return digits.isEmpty() ? 0 : digits.toLongLong();
}

bool IsAmountCell(const QString& cell, const char* stop) {
    return cell.startsWith(QLatin1String(stop)) && cell.size() > 3 &&
           (cell.at(cell.size() - 1).isDigit());
}

// Builds through the program's builder: the odd folders chosen, no printer, the grid handed to
// read on presenting. Returns the seconds until the grid was complete.
class BenchContext : public kvl::ReportContext {
  public:
    explicit BenchContext(std::function<void(const kvl::ReportGrid&)> read) : read_(read) {}
    int LinesPerPage() override { return 60; }
    std::vector<int> ChooseFolders() override { return {1, 3, 5, 7, 9}; }
    long ChooseAccount(char) override { return -1; }
    void Present(const kvl::ReportGrid& grid) override {
        built = clock_.seconds();
        read_(grid);
    }
    double built = 0;

  private:
    Stopwatch clock_;
    std::function<void(const kvl::ReportGrid&)> read_;
};

void Expect(kvl::ReportResult result, const char* what) {
    if (result != kvl::ReportResult::Presented)
        throw std::runtime_error(std::string("engine: the ") + what + " was not presented");
    if (code4close(kvl::cb) < 0)
        throw std::runtime_error(std::string("engine, closing after the ") + what);
}

[[noreturn]] void Disagree(const char* workload, size_t row, const std::string& engine,
                           const std::string& sqlite) {
    throw std::runtime_error(std::string("the two sides disagree on ") + workload + ": row " +
                             std::to_string(row + 1) + ": engine " + engine + ", SQLite " + sqlite);
}

std::string Text(const LedgerLine& l) {
    return "[" + l.date + " " + std::to_string(l.credit) + " " + std::to_string(l.debit) + " " +
           std::to_string(l.balance) + "]";
}

std::string Text(const ProfitLine& l) {
    return "[" + l.ending + " " + std::to_string(l.taxable) + " " + std::to_string(l.deductible) +
           " " + std::to_string(l.nontaxable) + " " + std::to_string(l.nondeductible) + "]";
}

template <class Line>
void AgreeLines(const char* workload, const std::vector<Line>& engine,
                const std::vector<Line>& sqlite) {
    const size_t n = std::max(engine.size(), sqlite.size());
    for (size_t i = 0; i < n; ++i) {
        if (i < engine.size() && i < sqlite.size() && engine[i] == sqlite[i]) continue;
        Disagree(workload, i, i < engine.size() ? Text(engine[i]) : "nothing",
                 i < sqlite.size() ? Text(sqlite[i]) : "nothing");
    }
}

}  // namespace

ReportBench::ReportBench(const Books& books) : books_(books) {}

ReportBench::~ReportBench() {
    if (db_) sqlite3_close(db_);
}

long ReportBench::incomeRecords() const {
    return std::max(1L, books_.records() / 4);
}

void ReportBench::exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("SQLite: " + text + " in " + sql);
    }
}

void ReportBench::prepare(const std::string& sqliteFile) {
    using namespace kvl;
    SetRegional(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDate first = books_.periodThrough().addYears(-10).addDays(1);
    const long n = incomeRecords();
    const long days = first.daysTo(books_.periodThrough()) + 1;
    auto income = [&](long i) {
        const uint64_t h = Mix(0x696e636f6d65ULL + static_cast<uint64_t>(i));
        Income r;
        r.date = first.addDays((i - 1) * days / n);
        r.account = 1 + static_cast<int>(h % kIncomeAccounts);
        r.folder = 1 + static_cast<int>((h >> 8) % Books::kFolders);
        r.description = static_cast<int>((h >> 16) % std::size(kIncomeTexts));
        // Log-uniform from 10.00 to 99,999.99.
        const double unit = static_cast<double>(h >> 11) * 0x1.0p-53;
        r.cents = std::llround(std::exp(std::log(1000.0) + unit * std::log(10000.0)));
        r.cents = std::clamp<int64_t>(r.cents, 1000, 9999999);
        return r;
    };

    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    if (sqlite3_open(sqliteFile.c_str(), &db_) != SQLITE_OK)
        throw std::runtime_error("SQLite: cannot open " + sqliteFile);
    exec("CREATE TABLE acci (accno INTEGER PRIMARY KEY, acded INTEGER NOT NULL)");
    exec(
        "CREATE TABLE inc (id INTEGER PRIMARY KEY, incacc INTEGER NOT NULL, incdate INTEGER NOT "
        "NULL, incdesc TEXT NOT NULL, incamt INTEGER NOT NULL, folno INTEGER NOT NULL)");
    exec("CREATE INDEX inc_date ON inc (incdate)");
    exec("BEGIN");
    Query account(db_, "INSERT INTO acci VALUES (?1, ?2)");
    Query add(db_, "INSERT INTO inc VALUES (?1, ?2, ?3, ?4, ?5, ?6)");

    OpenIncomeAccounts();
    for (int a = 1; a <= kIncomeAccounts; ++a) {
        if (d4appendBlank(dbIncomeAccounts) != 0)
            throw std::runtime_error("engine: cannot append a record");
        IncomeAccountBuffer = {a, QStringLiteral("Income account %1").arg(a), a % 4 != 0};
        StoreIncomeAccountRecord();
        sqlite3_bind_int(account.get(), 1, a);
        sqlite3_bind_int(account.get(), 2, a % 4 != 0);
        account.row();
        sqlite3_reset(account.get());
    }
    OpenIncome();
    for (long i = 1; i <= n; ++i) {
        const Income r = income(i);
        if (d4appendBlank(dbIncome) != 0)
            throw std::runtime_error("engine: cannot append a record");
        IncomeBuffer = IncomeRecord{};
        IncomeBuffer.account = r.account;
        IncomeBuffer.date = r.date;
        IncomeBuffer.description = QString::fromLatin1(kIncomeTexts[r.description]);
        IncomeBuffer.amount = static_cast<double>(r.cents) / 100.0;
        IncomeBuffer.folder = r.folder;
        StoreIncomeRecord();
        sqlite3_stmt* s = add.get();
        sqlite3_bind_int64(s, 1, i);
        sqlite3_bind_int(s, 2, r.account);
        sqlite3_bind_int(s, 3, DateNumber(r.date));
        sqlite3_bind_text(s, 4, kIncomeTexts[r.description], -1, SQLITE_STATIC);
        sqlite3_bind_int64(s, 5, r.cents);
        sqlite3_bind_int(s, 6, r.folder);
        add.row();
        sqlite3_reset(s);
    }
    exec("COMMIT");
    if (code4close(cb) < 0) throw std::runtime_error("engine: cannot write the income");
    RebuildTableIndex(IncomeLayout());  // equal dates in record order, as for the expenses
}

double ReportBench::engineLedger(std::vector<LedgerLine>& lines) {
    using namespace kvl;
    lines.clear();
    Settings.fyMonth = books_.fiscalYearStart().month();
    Settings.fyDay = books_.fiscalYearStart().day();
    ReportFrom = books_.periodFrom();
    ReportThrough = books_.periodThrough();
    BenchContext ctx([&](const ReportGrid& grid) {
        for (int r = 0; r < grid.rows(); ++r) {
            if (!IsAmountCell(grid.cell(r, 4), "R73")) continue;
            lines.push_back({grid.cell(r, 0).mid(3).toStdString(), CellCents(grid.cell(r, 2)),
                             CellCents(grid.cell(r, 3)), CellCents(grid.cell(r, 4))});
        }
    });
    OpenFolders();
    OpenExpenses();
    OpenIncome();
    Expect(BuildGeneralLedger(ctx), "general ledger");
    return ctx.built;
}

double ReportBench::sqliteLedger(std::vector<LedgerLine>& lines) {
    lines.clear();
    Stopwatch clock;
    Query opening(db_, WithFolders(kLedgerOpeningSql));
    sqlite3_bind_int(opening.get(), 1, DateNumber(books_.fiscalYearStart()));
    sqlite3_bind_int(opening.get(), 2, DateNumber(books_.periodFrom()));
    int64_t sums[2][2] = {};  // income, expense; prior, year
    while (opening.row()) {
        const int table = opening.at(0) == 0 ? 0 : 1;
        sums[table][0] = opening.at(1);
        sums[table][1] = opening.at(2);
    }
    int64_t balance = sums[0][0] - sums[1][0];
    lines.push_back({"", sums[0][0], sums[1][0], balance});
    balance += sums[0][1] - sums[1][1];
    lines.push_back({"", sums[0][1], sums[1][1], balance});
    int64_t income = sums[0][0] + sums[0][1], expense = sums[1][0] + sums[1][1];
    Query rows(db_, WithFolders(kLedgerRowsSql));
    sqlite3_bind_int(rows.get(), 1, DateNumber(books_.periodFrom()));
    sqlite3_bind_int(rows.get(), 2, DateNumber(books_.periodThrough()));
    while (rows.row()) {
        const int64_t cents = rows.at(2);
        const bool debit = rows.at(1) == 1;
        balance += debit ? -cents : cents;
        (debit ? expense : income) += cents;
        lines.push_back({ReportDateText(static_cast<int>(rows.at(0))), debit ? 0 : cents,
                         debit ? cents : 0, balance});
    }
    lines.push_back({"", income, expense, balance});
    return clock.seconds();
}

double ReportBench::engineProfit(std::vector<ProfitLine>& lines) {
    using namespace kvl;
    lines.clear();
    ReportFrom = books_.periodThrough().addYears(-10).addDays(1);
    ReportThrough = books_.periodThrough();
    BenchContext ctx([&](const ReportGrid& grid) {
        for (int r = 0; r < grid.rows(); ++r) {
            if (!IsAmountCell(grid.cell(r, 6), "R99")) continue;
            lines.push_back({grid.cell(r, 0).mid(3).toStdString(), CellCents(grid.cell(r, 1)),
                             CellCents(grid.cell(r, 2)), CellCents(grid.cell(r, 4)),
                             CellCents(grid.cell(r, 5))});
        }
    });
    OpenFolders();
    OpenExpenses();
    OpenIncome();
    OpenExpenseAccounts();
    OpenIncomeAccounts();
    Expect(BuildProfitReport(ctx, ProfitPeriod::Monthly), "profit report");
    return ctx.built;
}

double ReportBench::sqliteProfit(std::vector<ProfitLine>& lines) {
    lines.clear();
    const QDate first = books_.periodThrough().addYears(-10).addDays(1);
    Stopwatch clock;
    // Every month gets a row, also one without records.
    for (QDate month = first; month <= books_.periodThrough(); month = month.addMonths(1)) {
        const QDate end(month.year(), month.month(), month.daysInMonth());
        lines.push_back({ReportDateText(DateNumber(end))});
    }
    auto sum = [&](const char* sql, bool income) {
        Query q(db_, WithFolders(sql));
        sqlite3_bind_int(q.get(), 1, DateNumber(first));
        sqlite3_bind_int(q.get(), 2, DateNumber(books_.periodThrough()));
        while (q.row()) {
            const int64_t month = q.at(0);
            const size_t index = static_cast<size_t>((month / 100 - first.year()) * 12 +
                                                     month % 100 - first.month());
            ProfitLine& line = lines.at(index);
            (income ? line.taxable : line.deductible) += q.at(1);
            (income ? line.nontaxable : line.nondeductible) += q.at(2);
        }
    };
    sum(kProfitIncomeSql, true);
    sum(kProfitExpenseSql, false);
    ProfitLine totals{"Totals"};
    for (const ProfitLine& l : lines) {
        totals.taxable += l.taxable;
        totals.deductible += l.deductible;
        totals.nontaxable += l.nontaxable;
        totals.nondeductible += l.nondeductible;
    }
    lines.push_back(totals);
    return clock.seconds();
}

std::vector<std::string> ReportBench::plans() {
    std::vector<std::string> out;
    for (const char* sql : {kLedgerRowsSql, kProfitExpenseSql}) {
        Query q(db_, "EXPLAIN QUERY PLAN " + WithFolders(sql));
        std::string line;
        while (q.row()) {
            if (!line.empty()) line += "; ";
            line += reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 3));
        }
        out.push_back(line);
    }
    return out;
}

void Agree(const char* workload, const std::vector<LedgerLine>& engine,
           const std::vector<LedgerLine>& sqlite) {
    AgreeLines(workload, engine, sqlite);
}

void Agree(const char* workload, const std::vector<ProfitLine>& engine,
           const std::vector<ProfitLine>& sqlite) {
    AgreeLines(workload, engine, sqlite);
}

}  // namespace bench
