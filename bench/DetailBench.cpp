#include "DetailBench.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <stdexcept>

#include "Measure.h"
#include "SqliteQuery.h"
#include "data/Clock.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "reports/ReportContext.h"
#include "reports/ReportExport.h"
#include "reports/ReportGrid.h"
#include "reports/RptDetail.h"
#include "reports/RptSummary.h"
#include "reports/RptUtil.h"
#include "reports/XlsxExport.h"

namespace bench {

namespace {

using namespace kvl;

// The same rows as the report lists, in its order: the deductible accounts, then the others.
const char* const kSummarySql =
    "SELECT a.accno,"
    " SUM(CASE WHEN e.expdate >= ?2 THEN e.amount ELSE 0 END),"
    " SUM(CASE WHEN e.expdate < ?2 THEN e.amount ELSE 0 END)"
    " FROM acc a JOIN exp e ON e.accno = a.accno AND e.expdate >= ?1 AND e.expdate <= ?3"
    " WHERE e.folno IN (1, 3, 5, 7, 9)"
    " GROUP BY a.accno ORDER BY a.acded DESC, a.accno";
// Every folder is selected, so no folder is tested.
const char* const kDetailSql =
    "SELECT expdate, checkno, accno, payto, memo, amount FROM exp"
    " WHERE expdate >= ?1 AND expdate <= ?2 ORDER BY expdate, accno";

void Fold(DetailTotals& t, int yymmdd, long checkNo, int account, int64_t cents) {
    ++t.records;
    t.cents += cents;
    for (const uint64_t v : {static_cast<uint64_t>(yymmdd), static_cast<uint64_t>(checkNo),
                             static_cast<uint64_t>(account), static_cast<uint64_t>(cents)})
        t.orderHash = (t.orderHash ^ v) * 0x100000001B3ULL;
}

// The digits of a report cell after its stop, with its sign: "R50    -1,234.56" gives -123456.
int64_t CellNumber(const ReportGrid& grid, int row, int column) {
    const QString text = grid.cell(row, column).mid(3);
    int64_t v = 0;
    for (const QChar c : text)
        if (c.isDigit()) v = v * 10 + c.digitValue();
    return text.contains(QLatin1Char('-')) ? -v : v;
}

// Hands the grid to the text export, timing the building up to it and the writing, then to the
// further export (if any), and reads the grid back untimed.
class BenchContext : public ReportContext {
  public:
    BenchContext(std::vector<int> folders, ReportTiming& timing,
                 std::function<void(const ReportGrid&)> readBack,
                 std::function<void(const ReportGrid&)> further = {})
        : folders_(std::move(folders)),
          timing_(timing),
          readBack_(std::move(readBack)),
          further_(std::move(further)) {}

    int LinesPerPage() override { return kLinesWithoutPrinter; }
    std::vector<int> ChooseFolders() override { return folders_; }
    long ChooseAccount(char) override { return -1; }
    void Present(const ReportGrid& grid) override {
        timing_.build = clock_.seconds();
        if (!ExportReportFile(grid, QStringLiteral("report.txt"), ExportFormat::AsciiText))
            throw std::runtime_error("engine: the report could not be written");
        timing_.write = clock_.seconds() - timing_.build;
        timing_.gridMb = static_cast<double>(grid.memoryUsed()) / (1024.0 * 1024.0);
        if (further_) further_(grid);
        const Stopwatch untimed;
        readBack_(grid);
        excluded_ += untimed.seconds();
    }
    double seconds() const { return clock_.seconds() - excluded_; }

  private:
    std::vector<int> folders_;
    ReportTiming& timing_;
    std::function<void(const ReportGrid&)> readBack_;
    std::function<void(const ReportGrid&)> further_;
    Stopwatch clock_;
    double excluded_ = 0;
};

// Opens the tables a period report reads, runs it and closes them, as the main window does.
ReportTiming Run(ReportResult (*build)(ReportContext&), std::vector<int> folders,
                 std::function<void(const ReportGrid&)> further,
                 std::function<void(const ReportGrid&)> readBack) {
    ReportTiming timing;
    BenchContext ctx(std::move(folders), timing, std::move(readBack), std::move(further));
    OpenFolders();
    OpenExpenses();
    OpenExpenseAccounts();
    const ReportResult result = build(ctx);
    const bool closed = code4close(cb) >= 0;
    timing.total = ctx.seconds();
    if (result != ReportResult::Presented || !closed)
        throw std::runtime_error("engine: the report was not built");
    QFile::remove(QStringLiteral("report.txt"));
    return timing;
}

}  // namespace

void Agree(const char* workload, const DetailTotals& engine, const DetailTotals& sqlite) {
    if (engine == sqlite) return;
    auto text = [](const DetailTotals& t) {
        return std::to_string(t.records) + " records, " + std::to_string(t.memos) + " memos, " +
               std::to_string(t.cents) + " cents, order " + std::to_string(t.orderHash);
    };
    throw std::runtime_error(std::string("the two sides disagree on ") + workload + ": engine " +
                             text(engine) + ", SQLite " + text(sqlite));
}

DetailBench::DetailBench(const Books& books) : books_(books) {}

DetailBench::~DetailBench() {
    if (db_) sqlite3_close(db_);
}

ReportTiming DetailBench::summaryReport(std::vector<SummaryRow>& rows) {
    rows.clear();
    Settings.fyMonth = books_.fiscalYearStart().month();
    Settings.fyDay = books_.fiscalYearStart().day();
    ReportFrom = books_.periodFrom();
    ReportThrough = books_.periodThrough();
    std::vector<int> folders;
    for (int f = 1; f <= Books::kFolders; ++f)
        if (Books::folderSelected(f)) folders.push_back(f);
    return Run(&BuildExpenseSummary, folders, {}, [&](const ReportGrid& grid) {
        for (int r = 0; r < grid.rows(); ++r) {
            const QString first = grid.cell(r, 0);
            bool number = false;
            const int account =
                first.startsWith(QLatin1String("R05")) ? first.mid(3).toInt(&number) : 0;
            if (number) rows.push_back({account, CellNumber(grid, r, 2), CellNumber(grid, r, 3)});
        }
    });
}

ReportTiming DetailBench::detailReport(DetailTotals& totals) {
    return detail(totals, {});
}

XlsxTiming DetailBench::xlsxReport(DetailTotals& totals) {
    XlsxTiming t;
    t.report = detail(totals, [&](const ReportGrid& grid) {
        t.peakBeforeMb = PeakRssMb();
        const Stopwatch clock;
        QString error;
        if (!WriteReportXlsx(grid, QStringLiteral("report.xlsx"), &error))
            throw std::runtime_error("engine: the spreadsheet could not be written: " +
                                     error.toStdString());
        t.xlsx = clock.seconds();
        t.peakMb = PeakRssMb();
        t.fileMb = static_cast<double>(QFileInfo(QStringLiteral("report.xlsx")).size()) /
                   (1024.0 * 1024.0);
        QFile::remove(QStringLiteral("report.xlsx"));
    });
    return t;
}

ReportTiming DetailBench::detail(DetailTotals& totals,
                                 std::function<void(const ReportGrid&)> further) {
    totals = {};
    ReportFrom = books_.firstDate();
    ReportThrough = books_.lastDate();
    std::vector<int> folders;
    for (int f = 1; f <= Books::kFolders; ++f) folders.push_back(f);
    return Run(&BuildExpenseDetail, folders, std::move(further), [&](const ReportGrid& grid) {
        for (int r = 0; r < grid.rows(); ++r) {
            const QString first = grid.cell(r, 0);
            // A record's row starts with its date, MM/DD/YY; a memo row has only column 3.
            if (first.size() == 11 && first.at(5) == QLatin1Char('/')) {
                const int yymmdd = first.mid(9, 2).toInt() * 10000 + first.mid(3, 2).toInt() * 100 +
                                   first.mid(6, 2).toInt();
                Fold(totals, yymmdd, static_cast<long>(CellNumber(grid, r, 1)),
                     static_cast<int>(CellNumber(grid, r, 2)), CellNumber(grid, r, 4));
            } else if (first.isEmpty() && grid.cell(r, 1).isEmpty() && !grid.cell(r, 3).isEmpty()) {
                ++totals.memos;
            }
        }
    });
}

double DetailBench::summaryQuery(std::vector<SummaryRow>& rows) {
    rows.clear();
    if (!db_ && sqlite3_open("bench.sqlite", &db_) != SQLITE_OK)
        throw std::runtime_error("SQLite: cannot open bench.sqlite");
    const Stopwatch clock;
    Query q(db_, kSummarySql);
    sqlite3_bind_int(q.get(), 1, DateNumber(books_.fiscalYearStart()));
    sqlite3_bind_int(q.get(), 2, DateNumber(books_.periodFrom()));
    sqlite3_bind_int(q.get(), 3, DateNumber(books_.periodThrough()));
    while (q.row()) {
        const SummaryRow row{sqlite3_column_int(q.get(), 0), sqlite3_column_int64(q.get(), 1),
                             sqlite3_column_int64(q.get(), 2)};
        if (row.period != 0 || row.prior != 0) rows.push_back(row);
    }
    return clock.seconds();
}

double DetailBench::detailQuery(DetailTotals& totals) {
    totals = {};
    if (!db_ && sqlite3_open("bench.sqlite", &db_) != SQLITE_OK)
        throw std::runtime_error("SQLite: cannot open bench.sqlite");
    const Stopwatch clock;
    Query q(db_, kDetailSql);
    sqlite3_bind_int(q.get(), 1, DateNumber(books_.firstDate()));
    sqlite3_bind_int(q.get(), 2, DateNumber(books_.lastDate()));
    while (q.row()) {
        const int date = sqlite3_column_int(q.get(), 0);
        const unsigned char* payTo = sqlite3_column_text(q.get(), 3);
        const unsigned char* memo = sqlite3_column_text(q.get(), 4);
        if (!payTo) throw std::runtime_error("SQLite: a row without a payee");
        if (memo && *memo) ++totals.memos;
        Fold(totals, date % 1000000, static_cast<long>(sqlite3_column_int64(q.get(), 1)),
             sqlite3_column_int(q.get(), 2), sqlite3_column_int64(q.get(), 5));
    }
    return clock.seconds();
}

}  // namespace bench
