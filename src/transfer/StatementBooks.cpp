#include "transfer/StatementBooks.h"

#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "data/DbUtil.h"
#include "data/Progress.h"
#include "data/dbFiles.h"
#include "engine/Files.h"

namespace kvl {

namespace {

struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

struct Usage {
    long count = 0;
    long latest = 0;  // the walk's step at the latest record
    bool beats(const Usage& other) const {
        return count != other.count ? count > other.count : latest > other.latest;
    }
};

struct Table {
    DATA4* table;
    TAG4* dateTag;
    FIELD4 *date, *payee, *amount, *account, *folder;
};

Table TableOf(LineKind kind) {
    if (kind == LineKind::Expense)
        return {dbExpenses, tagEDate, fExpDate, fPayTo, fAmount, fExpAccNo, fExpFolNo};
    return {dbIncome, tagIncDate, fIncDate, fIncDesc, fIncAmt, fIncAcc, fIncFolNo};
}

int DateNumber(const QDate& date) {
    return date.year() * 10000 + date.month() * 100 + date.day();
}

// The stored CCYYMMDD as a number; 0 for a blank or broken date.
int StoredDateNumber(std::string_view text) {
    if (text.size() < 8) return 0;
    int n = 0;
    for (size_t i = 0; i < 8; ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        n = n * 10 + (text[i] - '0');
    }
    return n;
}

// The lines of one kind and what the walk of its table learns about them.
class KindMatch {
  public:
    KindMatch(LineKind kind, std::vector<ImportLine>& lines) : kind_(kind), lines_(lines) {
        for (size_t i = 0; i < lines.size(); ++i) {
            const MappedLine& m = lines[i].line;
            if (m.kind != kind) continue;
            const auto [at, added] = ids_.try_emplace(m.key, static_cast<int>(keys_.size()));
            if (added) keys_.push_back(m.key);
            lineIds_.emplace_back(i, at->second);
            const int day = DateNumber(m.date);
            first_ = first_ == 0 ? day : std::min(first_, day);
            last_ = std::max(last_, day);
        }
        usage_.resize(keys_.size());
    }

    bool any() const { return !lineIds_.empty(); }

    long records() const { return d4recCountDo(TableOf(kind_).table); }

    // Walks the table in date order; step counts the records of every walk, for the progress.
    void walk(long& step, long total, int& shown) {
        const Table t = TableOf(kind_);
        d4tagSelect(t.table, t.dateTag);
        int rc = d4top(t.table);
        error4exitTest(cb);
        while (rc == r4success) {
            const int id = idOf(f4view(t.payee));
            if (id >= 0) count(t, id, step);
            rc = d4skip(t.table, 1);
            error4exitTest(cb);
            const int percent = static_cast<int>(++step * 100 / std::max(1L, total));
            if (percent != shown) SetProgress(shown = percent);
        }
    }

    void conclude() {
        std::map<std::tuple<int, qint64, int>, long> left = books_;
        for (const auto& [index, id] : lineIds_) {
            ImportLine& line = lines_[index];
            if (!keys_[id].isEmpty()) learn(line, usage_[id]);
            long& equal = left[{DateNumber(line.line.date), line.line.cents, id}];
            if (equal > 0) {
                --equal;
                line.duplicate = true;
                line.ticked = false;
            }
        }
    }

  private:
    int idOf(std::string_view raw) {
        const auto known = rawIds_.find(raw);
        if (known != rawIds_.end()) return known->second;
        const QString payee = QString::fromStdString(xb::Cp1252ToUtf8(raw)).trimmed();
        const auto at = ids_.find(PayeeKey(payee));
        const int id = at == ids_.end() ? -1 : at->second;
        rawIds_.emplace(std::string(raw), id);
        return id;
    }

    void count(const Table& t, int id, long step) {
        const int day = StoredDateNumber(f4view(t.date));
        Usage& u = usage_[id][{f4int(t.account), f4int(t.folder)}];
        ++u.count;
        u.latest = step;
        if (day >= first_ && day <= last_) ++books_[{day, f4cents(t.amount), id}];
    }

    static void learn(ImportLine& line, const std::map<std::pair<int, int>, Usage>& usage) {
        std::map<int, Usage> accounts;
        for (const auto& [pair, u] : usage) {
            Usage& a = accounts[pair.first];
            a.count += u.count;
            a.latest = std::max(a.latest, u.latest);
        }
        const Usage* best = nullptr;
        for (const auto& [account, u] : accounts) {
            if (!best || u.beats(*best)) {
                best = &u;
                line.learnedAccount = account;
            }
        }
        best = nullptr;
        for (const auto& [pair, u] : usage) {
            if (pair.first == line.learnedAccount && (!best || u.beats(*best))) {
                best = &u;
                line.learnedFolder = pair.second;
            }
        }
    }

    LineKind kind_;
    std::vector<ImportLine>& lines_;
    std::unordered_map<QString, int> ids_;
    std::vector<QString> keys_;
    std::vector<std::pair<size_t, int>> lineIds_;  // line index, payee id
    int first_ = 0, last_ = 0;                     // the dates of the lines, as numbers
    std::unordered_map<std::string, int, TextHash, std::equal_to<>> rawIds_;
    std::vector<std::map<std::pair<int, int>, Usage>> usage_;  // by payee id: account, folder
    std::map<std::tuple<int, qint64, int>, long> books_;       // date, cents, payee id: records
};

}  // namespace

std::vector<ImportLine> MatchStatement(const Statement& statement) {
    std::vector<ImportLine> lines;
    lines.reserve(statement.lines.size());
    for (const StatementLine& s : statement.lines) {
        ImportLine line;
        line.place = s.place;
        line.bankPayee = s.payee;
        line.line = MapLine(s);
        lines.push_back(std::move(line));
    }
    KindMatch expenses(LineKind::Expense, lines), income(LineKind::Income, lines);
    long total = 0, step = 0;
    int shown = -1;
    for (KindMatch* kind : {&expenses, &income})
        if (kind->any()) total += kind->records();
    ShowProgress(true, QStringLiteral("Matching Statement"));
    for (KindMatch* kind : {&expenses, &income}) {
        if (!kind->any()) continue;
        kind->walk(step, total, shown);
        kind->conclude();
    }
    ShowProgress(false, QString());
    return lines;
}

}  // namespace kvl
