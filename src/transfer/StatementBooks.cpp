#include "transfer/StatementBooks.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <unordered_map>

#include "data/Progress.h"
#include "data/TableWalk.h"
#include "data/dbFiles.h"
#include "engine/CodePage.h"
#include "engine/Jobs.h"
#include "engine/NumberText.h"

namespace kvl {

namespace {

struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// Where a record stands in its table's date tag: its date, then (for expenses, whose tag key goes
// on with it) its account, then its record number.
using TagPlace = std::tuple<int, int, long>;

struct Usage {
    long count = 0;
    TagPlace latest{0, 0, 0};
    bool beats(const Usage& other) const {
        return count != other.count ? count > other.count : latest > other.latest;
    }
};

struct Slice {
    size_t offset = 0, length = 0;
    explicit Slice(FIELD4* field) : offset(field->desc().offset), length(field->desc().length) {}
    std::string_view of(std::string_view image) const { return image.substr(offset, length); }
};

struct Table {
    DATA4* table;
    TAG4* dateTag;
    FIELD4 *date, *payee, *amount, *account, *folder;
    bool accountInTagKey;
};

Table TableOf(LineKind kind) {
    if (kind == LineKind::Expense)
        return {dbExpenses, tagEDate, fExpDate, fPayTo, fAmount, fExpAccNo, fExpFolNo, true};
    return {dbIncome, tagIncDate, fIncDate, fIncDesc, fIncAmt, fIncAcc, fIncFolNo, false};
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

// The account and folder learned from a payee's usage by (account, folder); 0 and 0 for none.
std::pair<int, int> Learn(const std::unordered_map<long, Usage>& usage) {
    std::map<int, Usage> accounts;
    for (const auto& [pair, u] : usage) {
        Usage& a = accounts[static_cast<int>(pair / 100000)];
        a.count += u.count;
        a.latest = std::max(a.latest, u.latest);
    }
    int account = 0, folder = 0;
    const Usage* best = nullptr;
    for (const auto& [number, u] : accounts) {
        if (!best || u.beats(*best)) {
            best = &u;
            account = number;
        }
    }
    best = nullptr;
    for (const auto& [pair, u] : usage) {
        if (pair / 100000 == account && (!best || u.beats(*best))) {
            best = &u;
            folder = static_cast<int>(pair % 100000);
        }
    }
    return {account, folder};
}

// The use of each (payee id, account, folder) met in a walk: an open-addressed table, since the
// walk looks one up for every record of the books.
class UsageTable {
  public:
    Usage& at(int id, long pair) {
        if ((used_ + 1) * 2 > slots_.size()) grow();
        const uint64_t key = Key(id, pair);
        Slot& slot = slots_[place(key)];
        if (slot.key == 0) {
            slot.key = key;
            ++used_;
        }
        return slot.use;
    }
    // Calls f(id, pair, use) for every entry.
    template <class F>
    void each(F f) const {
        for (const Slot& slot : slots_)
            if (slot.key != 0)
                f(static_cast<int>((slot.key >> 32) - 1),
                  static_cast<long>(static_cast<int32_t>(slot.key & 0xFFFFFFFF)), slot.use);
    }

  private:
    struct Slot {
        uint64_t key = 0;  // 0: empty
        Usage use;
    };
    // account * 100000 + folder fits in 32 bits, a sign included (four-digit fields).
    static uint64_t Key(int id, long pair) {
        return (static_cast<uint64_t>(id) + 1) << 32 |
               static_cast<uint32_t>(static_cast<int32_t>(pair));
    }
    // The slot holding key, or the empty one where it goes.
    size_t place(uint64_t key) const {
        const size_t mask = slots_.size() - 1;
        size_t i = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
        while (slots_[i].key != 0 && slots_[i].key != key) i = (i + 1) & mask;
        return i;
    }
    void grow() {
        std::vector<Slot> old(std::max<size_t>(64, slots_.size() * 2));
        old.swap(slots_);
        for (const Slot& slot : old)
            if (slot.key != 0) slots_[place(slot.key)] = slot;
    }
    std::vector<Slot> slots_;
    size_t used_ = 0;
};

// A record of the books as the duplicate check compares it: its date, amount and payee.
struct BookEntry {
    int day;
    int id;
    qint64 cents;
    bool operator==(const BookEntry&) const = default;
};

struct BookEntryHash {
    size_t operator()(const BookEntry& e) const {
        const uint64_t a =
            static_cast<uint64_t>(static_cast<uint32_t>(e.day)) << 32 | static_cast<uint32_t>(e.id);
        const uint64_t mixed =
            (a ^ static_cast<uint64_t>(e.cents) * 0xC2B2AE3D27D4EB4Full) * 0x9E3779B97F4A7C15ull;
        return static_cast<size_t>(mixed >> 16);
    }
};

// How many records of the books each date, amount and payee has.
using BookCounts = std::unordered_map<BookEntry, long, BookEntryHash>;

// What one part of a table's walk learns, on the thread that walks it.
struct Tallies {
    std::unordered_map<std::string, int, TextHash, std::equal_to<>> rawIds;  // payee text: id
    std::string_view lastRaw;  // the payee of the record before, as a key of rawIds
    int lastId = -2;           // its id; -2 before the first record
    UsageTable usage;          // by payee id and (account * 100000 + folder)
    BookCounts books;
    long counted = 0;  // records walked and not yet added to the step
};

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

    // Walks the table in record order, each record read once, skipping those marked deleted: two
    // halves side by side, each learning into its own tallies, added together after. step counts
    // the records of every walk, for the progress, which only the calling thread shows.
    void walk(std::atomic<long>& step, long total, int& shown) {
        const Table t = TableOf(kind_);
        const Slice date(t.date), payee(t.payee), amount(t.amount), account(t.account),
            folder(t.folder);
        constexpr int kParts = 2;
        constexpr long kTally = 4096;  // records a part counts before adding them to step
        std::vector<Tallies> parts(kParts);
        const std::thread::id caller = std::this_thread::get_id();
        // The step at which the next whole percent is reached.
        long nextShown = (static_cast<long long>(shown) + 1) * total / 100 + 1;
        const size_t length = d4recordImage(t.table).size();
        const int rc =
            WalkTableParts(t.table, kParts, [&](int which, long first, std::string_view block) {
                Tallies& part = parts[static_cast<size_t>(which)];
                long recno = first;
                for (size_t at = 0; at < block.size(); at += length, ++recno) {
                    const std::string_view image = block.substr(at, length);
                    const int id = image[0] == '*' ? -1 : idOf(part, payee.of(image));
                    if (id >= 0) {
                        const int day = StoredDateNumber(date.of(image));
                        const long acc = xb::IntegerText(account.of(image));
                        const long fol = xb::IntegerText(folder.of(image));
                        Usage& u = part.usage.at(id, acc * 100000 + fol);
                        ++u.count;
                        u.latest =
                            std::max(u.latest, TagPlace{day, t.accountInTagKey ? acc : 0, recno});
                        if (day >= first_ && day <= last_)
                            ++part.books[{day, id, xb::CentsText(amount.of(image))}];
                    }
                }
                part.counted += recno - first;
                if (part.counted < kTally) return;
                const long done = step += part.counted;
                part.counted = 0;
                if (std::this_thread::get_id() == caller && done >= nextShown) {
                    shown = static_cast<int>(done * 100 / std::max(1L, total));
                    SetProgress(shown);
                    nextShown = (static_cast<long long>(shown) + 1) * total / 100 + 1;
                }
            });
        if (rc < 0) error4exitTest(cb);
        for (Tallies& part : parts) {
            step += part.counted;
            part.usage.each([this](int id, long pair, const Usage& u) {
                Usage& sum = usage_[static_cast<size_t>(id)][pair];
                sum.count += u.count;
                sum.latest = std::max(sum.latest, u.latest);
            });
            for (const auto& [key, count] : part.books) books_[key] += count;
        }
    }

    void conclude() {
        std::vector<std::pair<int, int>> learned(keys_.size());
        for (size_t id = 0; id < keys_.size(); ++id)
            if (!keys_[id].isEmpty()) learned[id] = Learn(usage_[id]);
        BookCounts& left = books_;  // used up here
        for (const auto& [index, id] : lineIds_) {
            ImportLine& line = lines_[index];
            std::tie(line.learnedAccount, line.learnedFolder) = learned[id];
            const auto equal = left.find({DateNumber(line.line.date), id, line.line.cents});
            if (equal != left.end() && equal->second > 0) {
                --equal->second;
                line.duplicate = true;
                line.ticked = false;
            }
        }
    }

  private:
    // The payee id of a stored payee, through the part's own memory of the texts it has met.
    int idOf(Tallies& part, std::string_view raw) const {
        if (part.lastId != -2 && raw == part.lastRaw) return part.lastId;
        auto known = part.rawIds.find(raw);
        if (known == part.rawIds.end()) {
            const QString text = QString::fromStdString(xb::Cp1252ToUtf8(raw)).trimmed();
            const auto at = ids_.find(PayeeKey(text));
            known = part.rawIds.emplace(std::string(raw), at == ids_.end() ? -1 : at->second).first;
        }
        part.lastRaw = known->first;
        return part.lastId = known->second;
    }

    LineKind kind_;
    std::vector<ImportLine>& lines_;
    std::unordered_map<QString, int> ids_;
    std::vector<QString> keys_;
    std::vector<std::pair<size_t, int>> lineIds_;  // line index, payee id
    int first_ = 0, last_ = 0;                     // the dates of the lines, as numbers
    // By payee id, the use of each account and folder (account * 100000 + folder).
    std::vector<std::unordered_map<long, Usage>> usage_;
    BookCounts books_;
};

}  // namespace

std::vector<ImportLine> MatchStatement(const Statement& statement) {
    // Each line is mapped on its own, so the two halves of a long statement are mapped side by
    // side; a failure (out of memory) is thrown again here, on the calling thread.
    std::vector<ImportLine> lines(statement.lines.size());
    constexpr size_t kHalves = 2;
    std::vector<std::exception_ptr> failures(kHalves);
    std::vector<std::function<xb::Status()>> halves;
    for (size_t half = 0; half < kHalves; ++half) {
        halves.push_back([&, half] {
            try {
                for (size_t i = lines.size() * half / kHalves;
                     i < lines.size() * (half + 1) / kHalves; ++i) {
                    const StatementLine& s = statement.lines[i];
                    lines[i].place = s.place;
                    lines[i].bankPayee = s.payee;
                    lines[i].line = MapLine(s);
                }
            } catch (...) {
                failures[half] = std::current_exception();
            }
            return xb::Status::Ok();
        });
    }
    (void)xb::RunJobs(halves);  // the jobs report through failures
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    KindMatch expenses(LineKind::Expense, lines), income(LineKind::Income, lines);
    long total = 0;
    std::atomic<long> step{0};
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
