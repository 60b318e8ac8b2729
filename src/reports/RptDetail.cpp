#include "reports/RptDetail.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <stop_token>
#include <string>
#include <thread>

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

namespace {

// The one account of an account variant.
struct Account {
    bool chosen = false;  // false: every account
    int number = 0;
    QString name;  // trimmed
};

// The cells of one row written straight into the grid, each its column's stop and then its
// value: a detail writes a row for every record of the period.
class RowOut {
  public:
    static constexpr std::size_t kStop = 3;  // "L00": alignment and column

    RowOut(const std::vector<std::string>& stops, std::size_t valueRoom)
        : stops_(stops), end_(Grid.beginRow(StopsRoom(stops) + valueRoom)) {}
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
    // Makes the cells the grid's last row.
    void place() { Grid.endRow(LastRow(), lengths_, std::min(Grid.columns(), kMostColumns)); }

  private:
    static std::size_t StopsRoom(const std::vector<std::string>& stops) {
        return kStop * stops.size();
    }
    const std::vector<std::string>& stops_;
    char* start_ = nullptr;
    char* end_;
    static constexpr int kMostColumns = 8;
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

    RowSource(const std::vector<FIELD4*>& shown, const QStringList& columnStops) {
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
// making of rows overlap. At most kBatchesInFlight batches wait, so memory stays small.
struct RecordBatch {
    std::string images;  // the records' images back to back
    std::vector<long long> cents;
};
constexpr std::size_t kBatchRecords = 1024;
constexpr std::size_t kBatchesInFlight = 8;

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
    // The record's row or rows, after the page check, from a copy of its image.
    void (*writeRow)(const RowSource& source, const char* image, long long cents);
};

void WriteExpenseRow(const RowSource& source, const char* image, long long cents) {
    const std::string_view date = source.text(image, 0), payTo = source.text(image, 3);
    const CellText& text = source.cellText;
    RowOut row(source.stops, text.dateRoom() + 2 * CellText::kNumberRoom +
                                 CellText::textRoom(payTo.size()) + CellText::kAmountRoom);
    row.end(text.date(row.at(0), date));
    row.end(source.number<long>(row.at(1), image, 1));
    row.end(source.number<int>(row.at(2), image, 2));
    row.end(CellText::trimmed(row.at(3), payTo));
    row.end(text.amount(row.at(4), cents));
    row.place();
    const std::string_view memo = source.text(image, 4);
    RowOut memoRow(source.stops, CellText::textRoom(memo.size()));
    char* value = memoRow.at(3);
    char* valueEnd = CellText::trimmed(value, memo);
    if (valueEnd == value) return;
    memoRow.end(valueEnd);
    NewLine();
    memoRow.place();
}

void WriteIncomeRow(const RowSource& source, const char* image, long long cents) {
    const std::string_view description = source.text(image, 2);
    const CellText& text = source.cellText;
    RowOut row(source.stops, text.dateRoom() + CellText::kNumberRoom +
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

    // Stored dates are CCYYMMDD text, which orders as the days do.
    const std::string through = DateToKey(ReportThrough).toStdString();
    auto inPeriod = [&](int rc) {
        return rc >= 0 && rc != r4eof && f4view(d.date).substr(0, through.size()) <= through;
    };
    d4tagSelect(d.records, d.dateTag);
    const std::string from = DateToKey(ReportFrom).toStdString();
    const int found = SeekText(d.records, QString::fromStdString(from));
    // Every record of the period counts, whatever its folder or account, so that the bar reaches
    // 100 at the period's last record.
    const long progressTotal =
        found >= 0 && found != r4eof ? d4tagCount(d.records, from.c_str(), through.c_str()) : 0;

    // Room for the rows of every record and their pages' headers, so that the row table is not
    // copied as it grows; what stays unused is never touched. A count from a damaged tag (negative,
    // or more entries than the table has records) reserves no more than the table could fill.
    const long reserved = std::clamp(progressTotal, 0L, d4recCountDo(d.records));
    Grid.reserveRows(static_cast<std::size_t>(reserved) * (d.linesPerRecord + 1));
    ctx.ShowProgress(true, QStringLiteral("Building Report"));
    const RowSource source(d.shown, d.stops);
    const std::size_t width = d4recordImage(d.records).size();
    // From here until the writer is joined, the writer alone touches the grid and the page
    // counters (RptUtil.h); this thread walks the table and fills batches. The writer's failure is
    // its result, read after the join.
    BoundedQueue<RecordBatch> batches(kBatchesInFlight);
    std::exception_ptr writerFailure;
    std::jthread writer([&](std::stop_token stop) {
        // A stop comes when the walk ends by an exception: no more rows are wanted.
        std::stop_callback cancel(stop, [&] { batches.cancel(); });
        try {
            RecordBatch batch;
            while (batches.pop(batch)) {
                if (DetailRowWriterHook) DetailRowWriterHook();
                for (std::size_t i = 0; i < batch.cents.size(); ++i) {
                    StartRow(d.linesPerRecord);
                    d.writeRow(source, batch.images.data() + i * width, batch.cents[i]);
                }
                batches.giveBack(std::move(batch));
            }
        } catch (...) {
            writerFailure = std::current_exception();
            batches.cancel();
        }
    });

    long long total = 0;
    ProgressSteps walked(ctx, progressTotal, true);
    RecordBatch filling;
    // Hands the filled batch on and starts another; false once the writer has stopped.
    auto send = [&] {
        if (!batches.push(std::move(filling))) return false;
        batches.takeBack(&filling);
        filling.images.clear();
        filling.cents.clear();
        return true;
    };
    for (int rc = found; inPeriod(rc); rc = d4skip(d.records, 1)) {
        if (FolderSelected(f4int(d.folder)) >= 0 &&
            (!account.chosen || f4int(d.account) == account.number)) {
            const long long cents = f4cents(d.amount);
            filling.images.append(d4recordImage(d.records));
            filling.cents.push_back(cents);
            total += cents;
            if (filling.cents.size() == kBatchRecords && !send()) break;
        }
        walked.step();
    }
    if (!filling.cents.empty()) send();
    batches.close();
    writer.join();
    if (writerFailure) return RowWriterFailed(ctx, writerFailure);
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
            WriteExpenseRow};
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
            WriteIncomeRow};
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
