#include "reports/RptDetail.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "data/DbUtil.h"
#include "data/Messages.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "reports/BoundedQueue.h"
#include "reports/CellText.h"
#include "reports/MultFolOps.h"
#include "reports/RptUtil.h"

namespace kvl {

std::function<void()> DetailRowWriterHook;
std::size_t DetailMakeRowsAt = 2;
std::function<void()> DetailCountHook;

namespace {

// Eight bytes as a word that orders as they do byte by byte.
std::uint64_t OrderWord(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return word;
}

// The one account of an account variant.
struct Account {
    bool chosen = false;  // false: every account
    int number = 0;
    QString name;  // trimmed
};

// Where a record's rows go: straight into the grid, on the row writer's thread, or into a batch,
// made ahead by the walk and placed by the row writer (MadeRows). A sink gives room for a row's
// cells (begin), takes their lengths once they are written (end), and starts a record's second
// row (newLine).
struct GridRows {
    char* begin(std::size_t room) { return Grid.beginRow(room); }
    void end(const std::uint16_t* lengths, int count) { Grid.endRow(LastRow(), lengths, count); }
    void newLine() { NewLine(); }
};

constexpr int kMostColumns = 8;

// A row made ahead, before its cells' bytes.
struct MadeRow {
    std::uint32_t bytes;  // of the cells, after this header
    std::uint16_t count;  // of the lengths
    bool second;          // the record's second row, on the line after its first
    std::uint16_t lengths[kMostColumns];
};

// Rows made on the walk's thread into a batch's buffer, each a MadeRow and its cells' bytes.
class MadeRows {
  public:
    MadeRows(std::string& bytes, std::size_t& used) : bytes_(bytes), used_(used) {}
    char* begin(std::size_t room) {
        const std::size_t need = used_ + sizeof(MadeRow) + room;
        if (bytes_.size() < need) bytes_.resize(std::max(need, 2 * bytes_.size()));
        return bytes_.data() + used_ + sizeof(MadeRow);
    }
    void end(const std::uint16_t* lengths, int count) {
        MadeRow row{0, static_cast<std::uint16_t>(count), second_, {}};
        for (int c = 0; c < count; ++c) {
            row.lengths[c] = lengths[c];
            row.bytes += lengths[c];
        }
        std::memcpy(bytes_.data() + used_, &row, sizeof row);
        used_ += sizeof row + row.bytes;
        second_ = false;
    }
    void newLine() { second_ = true; }

  private:
    std::string& bytes_;
    std::size_t& used_;
    bool second_ = false;
};

// The cells of one row, each its column's stop and then its value, written in place: a detail
// writes a row for every record of the period.
template <typename Sink>
class RowOut {
  public:
    static constexpr std::size_t kStop = 3;  // "L00": alignment and column

    RowOut(Sink& sink, const std::vector<std::string>& stops, int columns, std::size_t valueRoom)
        : sink_(sink),
          stops_(stops),
          columns_(std::min(columns, kMostColumns)),
          end_(sink.begin(StopsRoom(stops) + valueRoom)) {}
    // Starts the cell of the column (columns in increasing order; those skipped stay empty) with
    // its stop and returns where its value goes; end gives where the value ends.
    char* at(int column) {
        if (count_ < column) count_ = column;
        start_ = end_;
        std::memcpy(end_, stops_[static_cast<std::size_t>(column)].data(), kStop);
        return end_ + kStop;
    }
    void end(char* valueEnd) {
        lengths_[count_++] = static_cast<std::uint16_t>(valueEnd - start_);
        end_ = valueEnd;
    }
    // Makes the cells the row.
    void place() { sink_.end(lengths_, columns_); }

  private:
    static std::size_t StopsRoom(const std::vector<std::string>& stops) {
        return kStop * stops.size();
    }
    Sink& sink_;
    const std::vector<std::string>& stops_;
    const int columns_;
    char* start_ = nullptr;
    char* end_;
    std::uint16_t lengths_[kMostColumns] = {};  // those not written stay 0
    int count_ = 0;
};

// What a row writer reads a record's fields with: where each shown field lies in a copy of the
// record's image, the stops as UTF-8 and the cell writer. Made before the walk; the writer thread
// reads no table.
struct RowSource {
    struct Span {
        std::size_t offset, length;
    };
    std::vector<Span> fields;
    std::vector<std::string> stops;
    CellText cellText;
    int columns;  // the grid's cells per row

    RowSource(const std::vector<FIELD4*>& shown, const QStringList& columnStops)
        : columns(Grid.columns()) {
        for (FIELD4* f : shown) fields.push_back({f->desc().offset, f->desc().length});
        for (const QString& stop : columnStops) stops.push_back(stop.toStdString());
    }
    std::string_view raw(const char* image, int field) const {
        const Span& s = fields[static_cast<std::size_t>(field)];
        return std::string_view(image + s.offset, s.length);
    }
    std::string_view text(const char* image, int field) const {
        return f4viewText(raw(image, field));
    }
    // A numeric field's cell, written at out: its digits as stored when they are plain, else its
    // value, as a long or cut to an int as the column takes it.
    template <typename Value>
    char* number(char* out, const char* image, int field) const {
        const std::string_view text = raw(image, field);
        if (char* end = CellText::plainNumber(out, text)) return end;
        return CellText::number(out, static_cast<Value>(f4longText(text)));
    }
};

// The records of the period pass from the walk, on the builder's thread, to the row writer on a
// thread of its own, in batches: a detail makes a row for every record, and the walk and the
// making of rows overlap. At most kBatchesInFlight batches wait, so memory stays small. A batch
// holds either the records' images, whose rows the writer makes, or rows the walk made itself
// while the writer was behind (DetailMakeRowsAt); the writer places them, with the page checks.
struct RecordBatch {
    std::string images;  // the records' images back to back
    std::vector<long long> cents;
    std::string made;  // MadeRows: its first madeUsed bytes
    std::size_t madeUsed = 0;
    std::size_t records = 0;
};
constexpr std::size_t kBatchRecords = 1024;
constexpr std::size_t kBatchesInFlight = 8;

// The period's record numbers in the tag's order. Counted on the row writer's thread, through a
// handle of its own on the tag, while the walk goes through those already given and places their
// rows itself; or counted by the walk beforehand where no such handle can be had.
struct PeriodRecords {
    std::vector<std::uint32_t> recnos;  // sized before the count; [0, given) are given
    std::atomic<std::size_t> given{0};
    std::atomic<bool> counted{false};
    long total = 0;       // once counted: the count, or a negative code
    std::string failure;  // once counted with a negative total: the engine's message
};

// Counts the period through reader into period, each number checked to name a record of the
// table as a walk through the tag checks it.
void CountAside(xb::NtxIndex& reader, const std::string& from, const std::string& through,
                long records, PeriodRecords& period) {
    std::size_t n = 0;
    std::string failure;
    const long total = reader.count(from, through, [&](const std::uint32_t* given, std::size_t k) {
        for (std::size_t j = 0; j < k && failure.empty(); ++j) {
            if (given[j] < 1 || given[j] > static_cast<unsigned long>(records))
                failure = xb::StrayEntryMessage(reader.path(), given[j]);
            else if (n == period.recnos.size())
                failure = reader.path() + ": holds more entries than the table has records";
            else
                period.recnos[n++] = given[j];
        }
        period.given.store(n, std::memory_order_release);
        if (DetailCountHook) DetailCountHook();
    });
    if (total < 0) {
        period.total = total;
        period.failure = reader.lastError();
    } else if (!failure.empty()) {
        period.total = xb::e4index;
        period.failure = failure;
    } else {
        period.total = total;
    }
    period.counted.store(true, std::memory_order_release);
}

// Waits until the period's number at i is given; false when there is none.
bool WaitForRecord(const PeriodRecords& period, std::size_t i) {
    while (i >= period.given.load(std::memory_order_acquire)) {
        if (period.counted.load(std::memory_order_acquire))
            return i < period.given.load(std::memory_order_acquire);
        std::this_thread::yield();
    }
    return true;
}

// What tells the expense and income details apart.
struct Detail {
    char chart;  // 'E' or 'I', for the account pick list
    DATA4* accounts;
    FIELD4* accountNo;
    FIELD4* accountDesc;
    DATA4* records;
    TAG4* dateTag;
    FIELD4* date;
    FIELD4* account;
    FIELD4* folder;
    FIELD4* amount;
    const char* kind;  // the title after the folder and account names
    int width;
    QStringList stops;
    std::vector<CellKind> kinds;  // of the columns
    QStringList header;           // flags included
    int linesPerRecord;           // reserved by the page check of each record row and of the total
    const char* totalText;        // column 0 of the total row
    std::vector<FIELD4*> shown;   // the fields the rows show, as writeRow takes them
    // The record's row or rows from its image: straight into the grid after the page check, or
    // made ahead into a batch.
    void (*writeRow)(const RowSource& source, const char* image, long long cents, GridRows& sink);
    void (*makeRow)(const RowSource& source, const char* image, long long cents, MadeRows& sink);
};

template <typename Sink>
void WriteExpenseRow(const RowSource& source, const char* image, long long cents, Sink& sink) {
    const std::string_view date = source.text(image, 0), payTo = source.text(image, 3);
    const CellText& text = source.cellText;
    RowOut<Sink> row(sink, source.stops, source.columns,
                     text.dateRoom() + 2 * CellText::kNumberRoom +
                         CellText::textRoom(payTo.size()) + CellText::kAmountRoom);
    row.end(text.date(row.at(0), date));
    row.end(source.number<long>(row.at(1), image, 1));
    row.end(source.number<int>(row.at(2), image, 2));
    row.end(CellText::trimmed(row.at(3), payTo));
    row.end(text.amount(row.at(4), cents));
    row.place();
    const std::string_view memo = source.text(image, 4);
    RowOut<Sink> memoRow(sink, source.stops, source.columns, CellText::textRoom(memo.size()));
    char* value = memoRow.at(3);
    char* valueEnd = CellText::trimmed(value, memo);
    if (valueEnd == value) return;
    memoRow.end(valueEnd);
    sink.newLine();
    memoRow.place();
}

template <typename Sink>
void WriteIncomeRow(const RowSource& source, const char* image, long long cents, Sink& sink) {
    const std::string_view description = source.text(image, 2);
    const CellText& text = source.cellText;
    RowOut<Sink> row(sink, source.stops, source.columns,
                     text.dateRoom() + CellText::kNumberRoom +
                         CellText::textRoom(description.size()) + CellText::kAmountRoom);
    row.end(text.date(row.at(0), source.text(image, 0)));
    row.end(source.number<int>(row.at(1), image, 1));
    row.end(CellText::text(row.at(2), description));
    row.end(text.amount(row.at(3), cents));
    row.place();
}

// The rows could not all be made, memory having run out: the report is not shown, and the user
// is told so. Any other failure of the writer is a fault of the program, and goes on as it came.
ReportResult RowWriterFailed(ReportContext& ctx, const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
    }
    ctx.ShowProgress(false, QString());
    EndReport();
    ShowMessage(MsgKind::Error, QStringLiteral("Not enough memory to build the report."));
    return ReportResult::Failed;
}

// The account the user picks; false when there is none to report on.
bool ChooseAccount(ReportContext& ctx, const Detail& d, Account* account) {
    const long recno = ctx.ChooseAccount(d.chart);
    if (recno <= 0) return false;
    if (d4go(d.accounts, recno) != r4success || d4deleted(d.accounts)) {
        code4errorCode(cb, 0);
        return false;
    }
    account->chosen = true;
    account->number = f4int(d.accountNo);
    account->name = FieldText(d.accountDesc).trimmed();
    return true;
}

ReportResult BuildDetail(ReportContext& ctx, const Detail& d, bool oneAccount) {
    Account account;
    if (oneAccount && !ChooseAccount(ctx, d, &account)) return ReportResult::NotRun;
    if (!SelectReportFolders(ctx)) return ReportResult::NotRun;
    ReportWidth = d.width;
    CellsPerRow = static_cast<int>(d.stops.size()) + 1;
    BeginReport(ctx.LinesPerPage());
    const QString kind = QString::fromLatin1(d.kind);
    TitleLines = {FolderTitle(account.chosen ? account.name + QLatin1Char(' ') + kind : kind),
                  PeriodTitle(ReportFrom, ReportThrough)};
    ColumnStops = d.stops;
    SetColumnKinds(d.kinds);
    HeaderRows[0] = d.header;

    // Stored dates are CCYYMMDD text, which orders as the days do; eight bytes of it, as nearly
    // every date is, compare as one word, its first byte the most significant.
    const std::string through = DateToKey(ReportThrough).toStdString();
    const std::uint64_t throughWord = through.size() == 8 ? OrderWord(through.data()) : 0;
    auto inPeriod = [&](int rc) {
        if (rc < 0 || rc == r4eof) return false;
        const std::string_view date = f4view(d.date);
        if (date.size() == 8 && through.size() == 8) return OrderWord(date.data()) <= throughWord;
        return date.substr(0, through.size()) <= through;
    };
    d4tagSelect(d.records, d.dateTag);
    const std::string from = DateToKey(ReportFrom).toStdString();
    const int found = SeekText(d.records, QString::fromStdString(from));
    // Every record of the period counts, whatever its folder or account, so that the bar reaches
    // 100 at the period's last record. The count reads the period's entries once and keeps their
    // records' numbers, in the tag's order, for the walk. A count that fails leaves its error
    // pending and nothing more to walk: the report then stops with the engine's message.
    const bool any = found >= 0 && found != r4eof;
    const long records = d4recCountDo(d.records);
    PeriodRecords period;
    std::unique_ptr<xb::NtxIndex> reader = any ? d4tagReader(d.records) : nullptr;
    if (reader) {
        period.recnos.resize(static_cast<std::size_t>(std::max(0L, records)));
    } else {
        period.total =
            any ? d4tagRecords(d.records, from.c_str(), through.c_str(), period.recnos) : 0;
        if (period.total < 0) period.recnos.clear();
        period.given = period.recnos.size();
        period.counted = true;
    }
    ctx.ShowProgress(true, QStringLiteral("Building Report"));
    const RowSource source(d.shown, d.stops);
    const std::size_t width = d4recordImage(d.records).size();
    // While the count runs, this thread places the rows itself; from the count's end until the
    // writer is joined, the writer alone touches the grid and the page counters (RptUtil.h), and
    // this thread walks the table and fills batches. The writer's failure is its result, read
    // after the join.
    BoundedQueue<RecordBatch> batches(kBatchesInFlight);
    std::exception_ptr writerFailure;
    std::jthread writer([&](std::stop_token stop) {
        // A stop comes when the walk ends by an exception: no more rows are wanted.
        std::stop_callback cancel(stop, [&] { batches.cancel(); });
        try {
            if (reader) CountAside(*reader, from, through, records, period);
            RecordBatch batch;
            GridRows grid;
            while (batches.pop(batch)) {
                if (DetailRowWriterHook) DetailRowWriterHook();
                for (std::size_t i = 0; i < batch.cents.size(); ++i) {
                    StartRow(d.linesPerRecord);
                    d.writeRow(source, batch.images.data() + i * width, batch.cents[i], grid);
                }
                for (const char *at = batch.made.data(), *end = at + batch.madeUsed; at < end;) {
                    MadeRow row;
                    std::memcpy(&row, at, sizeof row);
                    at += sizeof row;
                    if (row.second)
                        NewLine();
                    else
                        StartRow(d.linesPerRecord);
                    std::memcpy(Grid.beginRow(row.bytes), at, row.bytes);
                    Grid.endRow(LastRow(), row.lengths, row.count);
                    at += row.bytes;
                }
                batches.giveBack(std::move(batch));
            }
        } catch (...) {
            writerFailure = std::current_exception();
            if (!period.counted) {
                period.total = -1;
                period.counted.store(true, std::memory_order_release);
            }
            batches.cancel();
        }
    });

    long long total = 0;
    std::optional<ProgressSteps> walked;
    long walkedBefore = 0;  // records walked while the count ran
    // Once the count has ended: room for the rows of every record and their pages' headers, so
    // that the row table is not copied as it grows (what stays unused is never touched; a count
    // from a damaged tag reserves no more than the table could fill), and the progress bar.
    auto countEnded = [&] {
        const long reserved = std::clamp(period.total, 0L, records);
        Grid.reserveRows(static_cast<std::size_t>(reserved) * (d.linesPerRecord + 1));
        walked.emplace(ctx, period.total, true);
        for (long k = 0; k < walkedBefore; ++k) walked->step();
    };
    bool placing = reader != nullptr;
    if (!placing) countEnded();
    GridRows grid;
    RecordBatch filling;
    // Whether this thread makes the rows of the batch it fills: it does while the writer is
    // behind, so that the two threads share the work whichever is slower over this stretch.
    bool making = DetailMakeRowsAt == 0;
    // Hands the filled batch on and starts another; false once the writer has stopped.
    auto send = [&] {
        if (!batches.push(std::move(filling))) return false;
        batches.takeBack(&filling);
        filling.images.clear();
        filling.cents.clear();
        filling.madeUsed = 0;
        filling.records = 0;
        making = batches.waiting() >= DetailMakeRowsAt;
        return true;
    };
    // The records in the tag's order, as a skip through it would give them, each asked for a few
    // records ahead of its reading.
    constexpr std::size_t kAhead = 6;
    for (std::size_t i = 0;; ++i) {
        if (placing && period.counted.load(std::memory_order_acquire)) {
            placing = false;
            if (period.total < 0) break;
            countEnded();
        }
        if (!WaitForRecord(period, i)) break;
        if (i + kAhead < period.given.load(std::memory_order_acquire))
            d4prefetch(d.records, period.recnos[i + kAhead]);
        if (!inPeriod(d4go(d.records, period.recnos[i]))) break;
        if (FolderSelected(f4int(d.folder)) >= 0 &&
            (!account.chosen || f4int(d.account) == account.number)) {
            const long long cents = f4cents(d.amount);
            total += cents;
            if (placing) {
                StartRow(d.linesPerRecord);
                d.writeRow(source, d4recordImage(d.records).data(), cents, grid);
            } else {
                if (making) {
                    MadeRows rows(filling.made, filling.madeUsed);
                    d.makeRow(source, d4recordImage(d.records).data(), cents, rows);
                } else {
                    filling.images.append(d4recordImage(d.records));
                    filling.cents.push_back(cents);
                }
                if (++filling.records == kBatchRecords && !send()) break;
            }
        }
        if (placing)
            ++walkedBefore;
        else
            walked->step();
    }
    if (filling.records > 0) send();
    batches.close();
    writer.join();
    if (writerFailure) return RowWriterFailed(ctx, writerFailure);
    if (reader && period.total < 0)
        d4raise(d.records, static_cast<int>(period.total), period.failure);
    if (placing && period.total >= 0) countEnded();  // the walk ended before the count did
    ctx.ShowProgress(false, QString());

    if (LastRow() < 0) return NoReportData();
    UnderlineLastRow();
    StartRow(d.linesPerRecord);
    SetValue(0, QString::fromLatin1(d.totalText));
    for (int c = 1; c < CellsPerRow - 2; ++c) SetValue(c, QString());
    SetValue(CellsPerRow - 2, FormatCents(total));
    MarkTotalRow();
    if (FolderSelection.size() > 1) AddIncludedFolders();
    return ShowReport(ctx);
}

Detail ExpenseDetail() {
    return {'E',
            dbExpenseAccounts,
            fAccNo,
            fAcDesc,
            dbExpenses,
            tagEDate,
            fExpDate,
            fExpAccNo,
            fExpFolNo,
            fAmount,
            "Expense Detail Report",
            67,
            {QStringLiteral("L00"), QStringLiteral("R19"), QStringLiteral("R24"),
             QStringLiteral("L26"), QStringLiteral("R67")},
            {CellKind::Date, CellKind::Number, CellKind::Number, CellKind::Text, CellKind::Amount},
            {QStringLiteral("L00Date"), QStringLiteral("R19Check No"), QStringLiteral("R24Acnt"),
             QStringLiteral("L26Paid to / Memo"), QStringLiteral("R67Amount"), QStringLiteral("U")},
            2,
            "TOTAL EXPENSES",
            {fExpDate, fCheckNo, fExpAccNo, fPayTo, fEMemo},
            WriteExpenseRow<GridRows>,
            WriteExpenseRow<MadeRows>};
}

Detail IncomeDetail() {
    return {'I',
            dbIncomeAccounts,
            fIAccNo,
            fIAcDesc,
            dbIncome,
            tagIncDate,
            fIncDate,
            fIncAcc,
            fIncFolNo,
            fIncAmt,
            "Income Detail Report",
            72,
            {QStringLiteral("L00"), QStringLiteral("R18"), QStringLiteral("L21"),
             QStringLiteral("R72")},
            {CellKind::Date, CellKind::Number, CellKind::Text, CellKind::Amount},
            {QStringLiteral("L00Date"), QStringLiteral("R18Account"),
             QStringLiteral("L21Description"), QStringLiteral("R72Amount"), QStringLiteral("U")},
            1,
            "Total",
            {fIncDate, fIncAcc, fIncDesc},
            WriteIncomeRow<GridRows>,
            WriteIncomeRow<MadeRows>};
}

}  // namespace

ReportResult BuildExpenseDetail(ReportContext& ctx) {
    return BuildDetail(ctx, ExpenseDetail(), false);
}

ReportResult BuildIncomeDetail(ReportContext& ctx) {
    return BuildDetail(ctx, IncomeDetail(), false);
}

ReportResult BuildExpenseAccountDetail(ReportContext& ctx) {
    return BuildDetail(ctx, ExpenseDetail(), true);
}

ReportResult BuildIncomeAccountDetail(ReportContext& ctx) {
    return BuildDetail(ctx, IncomeDetail(), true);
}

}  // namespace kvl
