#include "StatementBench.h"

#include <sqlite3.h>

#include <QFile>
#include <QString>
#include <algorithm>
#include <map>
#include <stdexcept>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "Measure.h"
#include "ReportBench.h"
#include "SqliteQuery.h"
#include "data/dbFiles.h"
#include "transfer/StmtImportOps.h"

namespace bench {

namespace {

const char* const kFile = "statement.csv";

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("SQLite: " + text + " in " + sql);
    }
}

std::string Key(const std::string& payee) {
    return kvl::PayeeKey(QString::fromStdString(payee)).toStdString();
}

// The payee as a bank writes it: upper case, then a card number and the day.
QString BankText(const std::string& payee, const QDate& date) {
    return QString::fromStdString(payee).toUpper() + QStringLiteral(" 4411 ") +
           date.toString(QStringLiteral("MM/dd"));
}

struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

int Kind(const kvl::MappedLine& m) {
    return m.kind == kvl::LineKind::Expense ? 0 : 1;
}

}  // namespace

StatementBench::StatementBench(const Books& books) : books_(books) {}

StatementBench::~StatementBench() {
    if (db_) sqlite3_close(db_);
}

void StatementBench::prepare(const std::string& sqliteFile) {
    const long n = std::max(10L, books_.records() / 10);
    const QDate last = books_.lastDate();
    const long days = books_.firstDate().daysTo(last) + 1;
    // The records entered over the last 90 days, roughly: the copies come from there.
    const long window = std::max(1L, books_.records() * 90 / days);
    struct Row {
        QDate date;
        QString payee;
        int64_t cents;
    };
    std::vector<Row> rows;
    for (long i = 0; i < n; ++i) {
        const uint64_t h = Mix(0x73746d74ULL + static_cast<uint64_t>(i));
        Row r{last.addDays(-static_cast<qint64>((h >> 8) % 90)), QString(), 0};
        if (h % 10 == 0) {
            r.payee = QString::fromLatin1(kIncomeTexts[(h >> 16) % 8]);
            r.cents = 1000 + static_cast<int64_t>((h >> 24) % 500000);
        } else if ((h >> 4) % 5 == 0) {
            const Expense e =
                books_.record(books_.records() - static_cast<long>((h >> 8) % window));
            r.date = e.date;
            r.payee = BankText(Books::payees()[e.payee], r.date);
            r.cents = -e.cents;
        } else {
            r.payee = BankText(Books::payees()[(h >> 16) % Books::payees().size()], r.date);
            r.cents = -(100 + static_cast<int64_t>((h >> 24) % 99900));
        }
        rows.push_back(r);
    }
    // In date order, as banks list them.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return a.date < b.date; });
    QByteArray csv = "Date,Description,Amount,Memo,Check\n";
    for (size_t i = 0; i < rows.size(); ++i)
        csv += QStringLiteral("%1,%2,%3,card purchase,%4\n")
                   .arg(rows[i].date.toString(Qt::ISODate), rows[i].payee)
                   .arg(static_cast<double>(rows[i].cents) / 100.0, 0, 'f', 2)
                   .arg(i % 8 == 0 ? QString::number(5000 + i) : QString())
                   .toUtf8();
    QFile file(QString::fromLatin1(kFile));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(csv) != csv.size())
        throw std::runtime_error("cannot write the statement file");
    file.close();
    QString why;
    const std::optional<kvl::Statement> statement = kvl::ReadCsvStatement(csv, {}, &why);
    if (!statement) throw std::runtime_error("the statement does not read: " + why.toStdString());
    lines_ = statement->lines;

    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    if (sqlite3_open(sqliteFile.c_str(), &db_) != SQLITE_OK)
        throw std::runtime_error("SQLite: cannot open " + sqliteFile);
    // The learning below packs a record's id into seven digits.
    if (books_.records() + n >= 10000000)
        throw std::runtime_error("the statement workload takes fewer than 10,000,000 records");
}

std::vector<std::unordered_map<std::string, StatementBench::Learned>> StatementBench::learn(
    const std::vector<kvl::MappedLine>& mapped) {
    // The account used most with each payee of the statement, the latest in the date tag's order
    // (date, account for expenses, id) on a tie, and the folder used most with that account.
    // SQLite groups by the stored text; the payee key, which SQL cannot make, is made for each
    // group. Within a group the account is one, so the latest is the greatest date and id.
    struct Use {
        long count = 0;
        int64_t latest = 0;  // date * 10^11 + account * 10^7 + id
    };
    using Pairs = std::unordered_map<int64_t, Use>;  // by account * 100000 + folder
    std::vector<std::unordered_map<std::string, Pairs>> usage(2);
    for (const kvl::MappedLine& m : mapped) usage[Kind(m)][m.key.toStdString()];
    // One pass over each table in its stored order; the grouping is done here, by the stored
    // text, since a GROUP BY sorts every row in a temporary tree (2.6 times slower).
    const char* const scans[2] = {"SELECT payto, accno, folno, expdate, id FROM exp",
                                  "SELECT incdesc, incacc, folno, incdate, id FROM inc"};
    std::vector<std::unordered_map<std::string, Learned>> learned(2);
    for (int kind = 0; kind < 2; ++kind) {
        // By stored text: the payee's usage, or null for a payee the statement does not have.
        std::unordered_map<std::string, Pairs*, TextHash, std::equal_to<>> texts;
        Query scan(db_, scans[kind]);
        sqlite3_stmt* q = scan.get();
        while (scan.row()) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
            const std::string_view raw(text ? text : "",
                                       static_cast<size_t>(sqlite3_column_bytes(q, 0)));
            auto known = texts.find(raw);
            if (known == texts.end()) {
                const auto payee = usage[kind].find(Key(std::string(raw)));
                known = texts
                            .emplace(std::string(raw),
                                     payee == usage[kind].end() ? nullptr : &payee->second)
                            .first;
            }
            if (!known->second) continue;
            const int account = sqlite3_column_int(q, 1);
            Use& u = (*known->second)[account * 100000LL + sqlite3_column_int(q, 2)];
            ++u.count;
            u.latest = std::max<int64_t>(u.latest, sqlite3_column_int64(q, 3) * 100000000000 +
                                                       (kind == 0 ? account : 0) * 10000000LL +
                                                       sqlite3_column_int64(q, 4));
        }
        for (const auto& [key, pairs] : usage[kind]) {
            std::map<int, Use> accounts;
            for (const auto& [pair, u] : pairs) {
                Use& a = accounts[static_cast<int>(pair / 100000)];
                a.count += u.count;
                a.latest = std::max(a.latest, u.latest);
            }
            const auto beats = [](const Use& a, const Use& b) {
                return a.count != b.count ? a.count > b.count : a.latest > b.latest;
            };
            Learned l;
            const Use* best = nullptr;
            for (const auto& [account, u] : accounts)
                if (!best || beats(u, *best)) best = &u, l.account = account;
            best = nullptr;
            for (const auto& [pair, u] : pairs)
                if (pair / 100000 == l.account && (!best || beats(u, *best)))
                    best = &u, l.folder = static_cast<int>(pair % 100000);
            learned[kind][key] = l;
        }
    }
    return learned;
}

double StatementBench::engineImport(StatementTotals& totals) {
    using namespace kvl;
    totals = {};
    const Stopwatch clock;
    OpenStatementTables();
    const ChartNumbers charts = ReadChartNumbers();
    const Stopwatch reading;
    const std::optional<Statement> statement =
        ReadStatementFile(QString::fromLatin1(kFile), QString::fromLatin1(kFile), {});
    read_ = reading.seconds();
    if (!statement) throw std::runtime_error("engine: the statement was refused");
    std::vector<ImportLine> lines = MatchStatement(*statement);
    ProposeAccounts(lines, {}, charts);
    const StatementOutcome outcome =
        ImportStatement(lines, statement->format, charts, QString::fromLatin1(kFile));
    if (code4close(cb) < 0) throw std::runtime_error("engine: closing after the import");
    const double seconds = clock.seconds();
    if (outcome.result != ChangeResult::Done)
        throw std::runtime_error("engine: the statement was not imported");
    totals.expenses = outcome.expenses;
    totals.incomes = outcome.incomes;
    totals.duplicates = outcome.duplicates;
    for (const ImportLine& line : lines) {
        if (!line.ticked) continue;
        totals.cents += line.line.cents;
        totals.accounts += line.account;
        totals.folders += line.folder;
    }
    return seconds;
}

double StatementBench::sqliteImport(StatementTotals& totals) {
    totals = {};
    const Stopwatch clock;
    std::vector<kvl::MappedLine> mapped;
    mapped.reserve(lines_.size());
    for (const kvl::StatementLine& line : lines_) mapped.push_back(kvl::MapLine(line));
    const Stopwatch learning;
    const std::vector<std::unordered_map<std::string, Learned>> learned = learn(mapped);
    learn_ = learning.seconds();
    Exec(db_, "BEGIN");
    {
        Query addExpense(db_,
                         "INSERT INTO exp (expdate, checkno, accno, folno, payto, amount, memo, "
                         "archive) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, 0)");
        Query addIncome(db_,
                        "INSERT INTO inc (incacc, incdate, incdesc, incamt, folno) VALUES (?1, "
                        "?2, ?3, ?4, ?5)");
        // The books' records of the statement's dates, by kind, date, amount and payee: each
        // stands for one equal line.
        std::map<std::tuple<int, int, int64_t, std::string>, long> left;
        std::unordered_map<std::string, std::string> keys;
        const auto key = [&keys](const std::string& payee) -> const std::string& {
            auto [at, fresh] = keys.try_emplace(payee);
            if (fresh) at->second = Key(payee);
            return at->second;
        };
        int first = 99999999, last = 0;
        for (const kvl::StatementLine& line : lines_) {
            first = std::min(first, DateNumber(line.date));
            last = std::max(last, DateNumber(line.date));
        }
        Query range[2] = {
            {db_, "SELECT expdate, amount, payto FROM exp WHERE expdate BETWEEN ?1 AND ?2"},
            {db_, "SELECT incdate, incamt, incdesc FROM inc WHERE incdate BETWEEN ?1 AND ?2"}};
        for (int kind = 0; kind < 2; ++kind) {
            sqlite3_bind_int(range[kind].get(), 1, first);
            sqlite3_bind_int(range[kind].get(), 2, last);
            while (range[kind].row())
                ++left[{kind, sqlite3_column_int(range[kind].get(), 0),
                        sqlite3_column_int64(range[kind].get(), 1), key(range[kind].text(2))}];
        }
        for (const kvl::MappedLine& m : mapped) {
            const int kind = Kind(m), day = DateNumber(m.date);
            const std::string key = m.key.toStdString();
            const auto at = left.try_emplace({kind, day, m.cents, key}, 0).first;
            if (at->second > 0) {
                --at->second;
                ++totals.duplicates;
                continue;
            }
            const auto known = learned[kind].find(key);
            const Learned l = known == learned[kind].end() ? Learned{} : known->second;
            const QByteArray payee = m.payee.toUtf8();
            sqlite3_stmt* s = kind == 0 ? addExpense.get() : addIncome.get();
            if (kind == 0) {
                const QByteArray memo = m.memo.toUtf8();
                sqlite3_bind_int(s, 1, day);
                sqlite3_bind_int64(s, 2, m.checkNo);
                sqlite3_bind_int(s, 3, l.account);
                sqlite3_bind_int(s, 4, l.folder);
                sqlite3_bind_text(s, 5, payee.constData(), payee.size(), SQLITE_TRANSIENT);
                sqlite3_bind_int64(s, 6, m.cents);
                sqlite3_bind_text(s, 7, memo.constData(), memo.size(), SQLITE_TRANSIENT);
                ++totals.expenses;
            } else {
                sqlite3_bind_int(s, 1, l.account);
                sqlite3_bind_int(s, 2, day);
                sqlite3_bind_text(s, 3, payee.constData(), payee.size(), SQLITE_TRANSIENT);
                sqlite3_bind_int64(s, 4, m.cents);
                sqlite3_bind_int(s, 5, l.folder);
                ++totals.incomes;
            }
            if (sqlite3_step(s) != SQLITE_DONE)
                throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db_));
            sqlite3_reset(s);
            totals.cents += m.cents;
            totals.accounts += l.account;
            totals.folders += l.folder;
        }
    }
    Exec(db_, "COMMIT");
    return clock.seconds();
}

void Agree(const char* workload, const StatementTotals& engine, const StatementTotals& sqlite) {
    if (engine == sqlite) return;
    const auto text = [](const StatementTotals& t) {
        return std::to_string(t.expenses) + " expenses, " + std::to_string(t.incomes) +
               " incomes, " + std::to_string(t.duplicates) + " duplicates, " +
               std::to_string(t.cents) + " cents, accounts " + std::to_string(t.accounts) +
               ", folders " + std::to_string(t.folders);
    };
    throw std::runtime_error(std::string("the two sides disagree on ") + workload + ": engine " +
                             text(engine) + "; SQLite " + text(sqlite));
}

}  // namespace bench
