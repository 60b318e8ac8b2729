// kvl-bench [--records N] [--repeat R] [--json FILE] [--only NAME]
//
// Generates N expense records (and N/4 income records for the ledger and profit reports) in a
// fresh temporary directory and runs each workload through the table engine and the report
// builders (as the program runs them) and through SQLite (default settings, same rows, same disk,
// same process), checks that both sides computed the same results, and prints the median seconds
// of each side, their ratio, the ratio of the scans to a raw read of the table file, the reports'
// building and writing apart, the detail's spreadsheet export beside its text (xlsx-report, the
// engine alone) and the engine's peak resident memory. Each repetition starts from an empty data
// set.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "Books.h"
#include "DetailBench.h"
#include "EngineSide.h"
#include "Measure.h"
#include "Raw.h"
#include "ReportBench.h"
#include "ReportSide.h"
#include "SqliteSide.h"
#include "StatementBench.h"
#include "data/ProgramExit.h"

namespace bench {
namespace {

const char* const kWorkloads[] = {"load",           "reindex",       "summary",
                                  "browse",         "picklist",      "seek",
                                  "summary-report", "detail-report", "ledger-report",
                                  "profit-report",  "pack",          "statement-import"};
const char* const kReports[] = {"summary-report", "detail-report"};
// Workloads of the engine alone, without a SQLite counterpart.
const char* const kEngineOnly[] = {"xlsx-report"};
const char* const kScans[] = {"summary", "browse", "picklist", "seek"};

struct Options {
    long records = 1000000;
    int repeat = 3;
    std::string json;
    std::string only;  // empty: every workload
};

bool KnownWorkload(const std::string& name) {
    for (const char* w : kWorkloads)
        if (name == w) return true;
    for (const char* w : kEngineOnly)
        if (name == w) return true;
    return false;
}

[[noreturn]] void Usage(int code) {
    std::fprintf(code ? stderr : stdout,
                 "usage: kvl-bench [--records N] [--repeat R] [--json FILE] [--only NAME]\n"
                 "  --records N  expense records to generate (default 1000000)\n"
                 "  --repeat R   runs of every workload; medians are reported (default 3)\n"
                 "  --json FILE  also write the results to FILE as JSON\n"
                 "  --only NAME  run only that workload (with the load and the raw read, which\n"
                 "               it needs), e.g. detail-report or xlsx-report; no JSON, no\n"
                 "               report workload\n");
    std::exit(code);
}

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Usage(2);
            return argv[++i];
        };
        try {
            if (a == "--records") {
                o.records = std::stol(value());
            } else if (a == "--repeat") {
                o.repeat = std::stoi(value());
            } else if (a == "--json") {
                o.json = value();
            } else if (a == "--only") {
                o.only = value();
                if (!KnownWorkload(o.only)) Usage(2);
            } else if (a == "--help" || a == "-h") {
                Usage(0);
            } else {
                Usage(2);
            }
        } catch (const std::logic_error&) {
            Usage(2);
        }
    }
    if (o.records < 1 || o.repeat < 1 || (!o.only.empty() && !o.json.empty())) Usage(2);
    return o;
}

// 0 for a workload that did not run.
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    if (n == 0) return 0;
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The sample of each measure over the repetitions.
struct Samples {
    std::map<std::string, std::vector<double>> engine, sqlite;
    std::map<std::string, double> enginePeakMb;
    bool peakIsLifetime = false;  // the kernel refused to restart the peak mark
    std::vector<double> raw;
    std::vector<ReportFigures> reports;
    double reportPeakMb = 0;
    // The report workloads' building and writing, apart.
    std::map<std::string, std::vector<double>> build, write;
    std::map<std::string, double> gridMb;
    // The statement import: the engine's reading of the file, and what the statement held.
    std::vector<double> statementRead, statementLearn;
    long statementLines = 0;
    StatementTotals statementTotals;
    std::vector<XlsxTiming> xlsx;
    // The workloads that write files: the same bytes written with one call and synced.
    std::map<std::string, std::vector<double>> floor;
};

// The files each writing workload leaves, which its floor writes as many bytes as.
const std::map<std::string, std::vector<std::string>>& FloorFiles() {
    static const std::map<std::string, std::vector<std::string>> files{
        {"load", {"EXP5.dbf", "EDate.ntx", "EAcc.ntx"}},
        {"reindex", {"EDate.ntx", "EAcc.ntx"}},
        {"pack", {"EXP5.dbf", "EDate.ntx", "EAcc.ntx"}}};
    return files;
}

class Run {
  public:
    Run(const Books& books, Samples& samples, bool engineFirst, const std::string& only)
        : books_(books),
          samples_(samples),
          engineFirst_(engineFirst),
          only_(only),
          engine_(books),
          sqlite_(books),
          details_(books),
          reports_(books),
          statements_(books) {}

    void all() {
        engine_.prepare();
        sqlite_.prepare("bench.sqlite");

        both(
            "load", [&] { return engine_.load(); }, [&] { return sqlite_.load(); });
        Agree("load", engine_.totals(), sqlite_.totals());

        if (runs("reindex")) {
            both(
                "reindex", [&] { return engine_.reindex(); }, [&] { return sqlite_.reindex(); });
            Agree("reindex", engine_.totals(), sqlite_.totals());
        }

        TableTotals raw;
        samples_.raw.push_back(RawRead("EXP5.dbf", raw));
        Agree("raw read", raw, sqlite_.totals());

        std::vector<SummaryRow> es, ss;
        if (runs("summary")) {
            both(
                "summary", [&] { return engine_.summary(es); },
                [&] { return sqlite_.summary(ss); });
            Agree("summary", es, ss);
        }

        if (runs("browse")) {
            std::vector<long> eb, sb;
            both(
                "browse", [&] { return engine_.browse(eb); }, [&] { return sqlite_.browse(sb); });
            Agree("browse", eb, sb);
        }

        if (runs("picklist")) {
            PickShowing ep, sp;
            both(
                "picklist", [&] { return engine_.picklist(ep); },
                [&] { return sqlite_.picklist(sp); });
            Agree("picklist", ep, sp);
        }

        if (runs("seek")) {
            SeekTotals ek, sk;
            both(
                "seek", [&] { return engine_.seek(ek); }, [&] { return sqlite_.seek(sk); });
            Agree("seek", ek, sk);
        }

        if (only_.empty()) {
            if (!RestartPeakRss()) samples_.peakIsLifetime = true;
            samples_.reports.push_back(RunReports(books_));
            samples_.reportPeakMb = std::max(samples_.reportPeakMb, PeakRssMb());
        }

        if (runs("summary-report")) {
            std::vector<SummaryRow> er, sr;
            both(
                "summary-report",
                [&] { return report("summary-report", details_.summaryReport(er)); },
                [&] { return details_.summaryQuery(sr); });
            Agree("summary-report", er, sr);
            if (runs("summary")) Agree("summary-report against summary", er, es);
        }

        if (runs("detail-report")) {
            DetailTotals ed, sd;
            both(
                "detail-report", [&] { return report("detail-report", details_.detailReport(ed)); },
                [&] { return details_.detailQuery(sd); });
            Agree("detail-report", ed, sd);
            if (ed.records != books_.records())
                throw std::runtime_error("the detail report does not list every record");
        }

        if (runs("xlsx-report")) {
            DetailTotals ex, sx;
            if (!RestartPeakRss()) samples_.peakIsLifetime = true;
            samples_.xlsx.push_back(details_.xlsxReport(ex));
            details_.detailQuery(sx);
            Agree("xlsx-report", ex, sx);
        }

        if (runs("ledger-report") || runs("profit-report") || runs("statement-import"))
            reports_.prepare("bench.sqlite");
        if (runs("ledger-report")) {
            std::vector<LedgerLine> el, sl;
            both(
                "ledger-report", [&] { return reports_.engineLedger(el); },
                [&] { return reports_.sqliteLedger(sl); });
            Agree("ledger-report", el, sl);
        }

        if (runs("profit-report")) {
            std::vector<ProfitLine> ep, sp;
            both(
                "profit-report", [&] { return reports_.engineProfit(ep); },
                [&] { return reports_.sqliteProfit(sp); });
            Agree("profit-report", ep, sp);
        }

        if (runs("pack")) {
            engine_.markDeleted();
            both(
                "pack", [&] { return engine_.pack(); }, [&] { return sqlite_.pack(); });
            Agree("pack", engine_.totals(), sqlite_.totals());
        }

        if (runs("statement-import")) {
            statements_.prepare("bench.sqlite");
            StatementTotals es, ss;
            both(
                "statement-import", [&] { return statements_.engineImport(es); },
                [&] { return statements_.sqliteImport(ss); });
            Agree("statement-import", es, ss);
            samples_.statementRead.push_back(statements_.engineRead());
            samples_.statementLearn.push_back(statements_.sqliteLearn());
            samples_.statementLines = statements_.lines();
            samples_.statementTotals = es;
        }

        if (plans_.empty() && only_.empty()) {
            plans_ = sqlite_.plans();
            for (const std::string& plan : reports_.plans()) plans_.push_back(plan);
        }
    }

    const std::vector<std::string>& plans() const { return plans_; }

  private:
    double report(const char* name, const ReportTiming& t) {
        samples_.build[name].push_back(t.build);
        samples_.write[name].push_back(t.write);
        samples_.gridMb[name] = std::max(samples_.gridMb[name], t.gridMb);
        return t.total;
    }

    template <class E, class S>
    void both(const char* name, E engine, S sqlite) {
        auto runEngine = [&] {
            if (!RestartPeakRss()) samples_.peakIsLifetime = true;
            samples_.engine[name].push_back(engine());
            double& peak = samples_.enginePeakMb[name];
            peak = std::max(peak, PeakRssMb());
            if (const auto f = FloorFiles().find(name); f != FloorFiles().end())
                samples_.floor[name].push_back(WriteFloor(f->second));
        };
        auto runSqlite = [&] { samples_.sqlite[name].push_back(sqlite()); };
        if (engineFirst_) {
            runEngine();
            runSqlite();
        } else {
            runSqlite();
            runEngine();
        }
    }

    // Whether the workload runs: every one, or the one asked for and the load.
    bool runs(const char* name) const { return only_.empty() || only_ == name; }

    const Books& books_;
    Samples& samples_;
    bool engineFirst_;
    std::string only_;
    EngineSide engine_;
    SqliteSide sqlite_;
    DetailBench details_;
    ReportBench reports_;
    StatementBench statements_;
    std::vector<std::string> plans_;
};

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// The report workload's medians over the repetitions.
ReportFigures ReportMedians(const Samples& samples) {
    ReportFigures m = samples.reports.front();
    auto median = [&](double ReportFigures::*field) {
        std::vector<double> v;
        for (const ReportFigures& f : samples.reports) v.push_back(f.*field);
        return Median(v);
    };
    m.chartBuild = median(&ReportFigures::chartBuild);
    m.chartExport = median(&ReportFigures::chartExport);
    m.detailBuild = median(&ReportFigures::detailBuild);
    m.detailExport = median(&ReportFigures::detailExport);
    return m;
}

struct GridFigures {
    long rows = 0;
    double mb = 0, seconds = 0, rssMb = 0;
};
GridFigures MeasureGrid(long rows) {
    GridFigures g;
    g.rows = rows;
    RestartPeakRss();
    const double before = CurrentRssMb();
    const Stopwatch clock;
    g.mb = GridMbFor(rows);
    g.seconds = clock.seconds();
    g.rssMb = PeakRssMb() - before;
    return g;
}

void PrintReports(const Samples& samples, const GridFigures& grid, long records) {
    const ReportFigures m = ReportMedians(samples);
    std::printf("\nreport workload (the engine alone):\n");
    std::printf("  expense chart:  %ld rows, built %.3f s, text export %.3f s\n", m.chartRows,
                m.chartBuild, m.chartExport);
    if (m.detailBuilt)
        std::printf(
            "  expense detail: %ld rows over all %ld records, built %.3f s, text export "
            "%.3f s, grid %.1f MB\n",
            m.detailRows, records, m.detailBuild, m.detailExport, m.detailGridMb);
    else
        std::printf("  expense detail: no builder yet\n");
    std::printf("  peak resident memory while reporting: %.1f MB\n", samples.reportPeakMb);
    std::printf(
        "  report grid of %ld detail-shaped rows: %.1f MB (%.0f bytes a row; resident "
        "memory grew %.1f MB), filled in %.3f s\n",
        grid.rows, grid.mb, grid.mb * 1024 * 1024 / static_cast<double>(grid.rows), grid.rssMb,
        grid.seconds);
}

std::string ReportJson(const Samples& samples, const GridFigures& grid) {
    const ReportFigures m = ReportMedians(samples);
    std::string json = "{\"chart_rows\": " + std::to_string(m.chartRows) +
                       ", \"chart_build_s\": " + Fixed(m.chartBuild, 6) +
                       ", \"chart_export_s\": " + Fixed(m.chartExport, 6);
    if (m.detailBuilt)
        json += ", \"detail_rows\": " + std::to_string(m.detailRows) +
                ", \"detail_build_s\": " + Fixed(m.detailBuild, 6) +
                ", \"detail_export_s\": " + Fixed(m.detailExport, 6) +
                ", \"detail_grid_mb\": " + Fixed(m.detailGridMb, 1);
    json += ", \"peak_rss_mb\": " + Fixed(samples.reportPeakMb, 1) +
            ", \"grid_rows\": " + std::to_string(grid.rows) +
            ", \"grid_mb\": " + Fixed(grid.mb, 1) + "}";
    return json;
}

int Main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    // The data store ends the program through this handler on a failed open; the benchmark
    // reports it as an error and still removes its directory.
    kvl::SetExitHandler([](int code) { throw kvl::ProgramEnded(code); });

    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "kvl-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("kvl-bench: cannot create a temporary directory");
        return 1;
    }
    const fs::path root = pattern;
    const fs::path home = fs::current_path();
    const Books books(options.records);
    Samples samples;
    std::vector<std::string> plans;
    int status = 0;
    std::printf("kvl-bench: %ld records, %d repeat%s, data in %s\n", books.records(),
                options.repeat, options.repeat == 1 ? "" : "s", root.c_str());
    std::fflush(stdout);
    try {
        for (int rep = 0; rep < options.repeat; ++rep) {
            const fs::path dir = root / ("run" + std::to_string(rep + 1));
            fs::create_directory(dir);
            fs::current_path(dir);
            {
                Run run(books, samples, rep % 2 == 0, options.only);
                run.all();
                if (plans.empty()) plans = run.plans();
            }
            fs::current_path(home);
            fs::remove_all(dir);
        }
    } catch (const kvl::ProgramEnded&) {
        std::fprintf(stderr,
                     "kvl-bench: the data store ended the program (see the message above)\n");
        status = 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kvl-bench: %s\n", e.what());
        status = 1;
    }
    std::error_code ec;
    fs::current_path(home, ec);
    fs::remove_all(root, ec);
    if (status != 0) return status;

    const double raw = Median(samples.raw);
    std::map<std::string, double> engine, sqlite;
    for (const char* w : kWorkloads) {
        engine[w] = Median(samples.engine[w]);
        sqlite[w] = Median(samples.sqlite[w]);
    }
    double peak = 0, scanPeak = 0;
    for (const char* w : kWorkloads) peak = std::max(peak, samples.enginePeakMb[w]);
    for (const char* w : kScans) scanPeak = std::max(scanPeak, samples.enginePeakMb[w]);

    std::printf("\n%-14s %10s %10s %14s %11s %15s\n", "workload", "engine s", "SQLite s",
                "engine/SQLite", "engine/raw", "engine peak MB");
    for (const char* w : kWorkloads) {
        if (samples.engine[w].empty()) continue;
        const bool scan = std::strcmp(w, "summary") == 0 || std::strcmp(w, "browse") == 0 ||
                          std::strcmp(w, "picklist") == 0;
        std::printf("%-14s %10.3f %10.3f %14.2f %11s %15.1f\n", w, engine[w], sqlite[w],
                    engine[w] / sqlite[w], scan ? Fixed(engine[w] / raw, 2).c_str() : "",
                    samples.enginePeakMb[w]);
    }
    std::printf("%-14s %10.3f\n", "raw", raw);
    for (const auto& [w, files] : FloorFiles()) {
        if (samples.floor[w].empty()) continue;
        const double floor = Median(samples.floor[w]);
        std::printf(
            "%s floor (its files' bytes in one write call, synced): %.3f s, engine/floor %.2f\n",
            w.c_str(), floor, engine[w] / floor);
    }
    if (!samples.statementRead.empty()) {
        const StatementTotals& t = samples.statementTotals;
        std::printf(
            "\nstatement-import: %ld lines (%ld new expenses, %ld new incomes, %ld duplicates); "
            "the engine read the file in %.3f s of its %.3f s; SQLite learned the accounts in "
            "%.3f s of its %.3f s\n",
            samples.statementLines, t.expenses, t.incomes, t.duplicates,
            Median(samples.statementRead), engine["statement-import"],
            Median(samples.statementLearn), sqlite["statement-import"]);
    }
    std::printf("\nreports (the engine's side: built to the grid, then written as plain text):\n");
    std::map<std::string, double> build, write;
    for (const char* w : kReports) {
        if (samples.build[w].empty()) continue;
        build[w] = Median(samples.build[w]);
        write[w] = Median(samples.write[w]);
        std::printf(
            "  %-14s build %.3f s, text %.3f s, grid %.1f MB, (all but the text)/raw %.2f\n", w,
            build[w], write[w], samples.gridMb[w], (engine[w] - write[w]) / raw);
    }
    XlsxTiming xlsx;
    if (!samples.xlsx.empty()) {
        auto median = [&](auto field) {
            std::vector<double> v;
            for (const XlsxTiming& t : samples.xlsx) v.push_back(field(t));
            return Median(v);
        };
        xlsx.report.build = median([](const XlsxTiming& t) { return t.report.build; });
        xlsx.report.write = median([](const XlsxTiming& t) { return t.report.write; });
        xlsx.xlsx = median([](const XlsxTiming& t) { return t.xlsx; });
        for (const XlsxTiming& t : samples.xlsx) {
            xlsx.peakBeforeMb = std::max(xlsx.peakBeforeMb, t.peakBeforeMb);
            xlsx.peakMb = std::max(xlsx.peakMb, t.peakMb);
            xlsx.fileMb = t.fileMb;
        }
        std::printf(
            "  %-14s build %.3f s, text %.3f s, xlsx %.3f s (%.1f MB file); peak %.1f MB before "
            "the xlsx, %.1f MB after (+%.1f MB)\n",
            "xlsx-report", xlsx.report.build, xlsx.report.write, xlsx.xlsx, xlsx.fileMb,
            xlsx.peakBeforeMb, xlsx.peakMb, xlsx.peakMb - xlsx.peakBeforeMb);
    }
    std::printf("\nengine peak resident memory: %.1f MB (%.1f MB while scanning)\n", peak,
                scanPeak);
    if (samples.peakIsLifetime)
        std::printf(
            "  (the peak could not be restarted before each workload: these figures are the "
            "whole process's peak, SQLite's side and the raw read included)\n");
    if (!options.only.empty()) return 0;
    const GridFigures grid = MeasureGrid(books.records());
    PrintReports(samples, grid, books.records());
    std::printf("SQLite query plans:\n");
    const char* const planNames[] = {"summary", "browse", "seek", "ledger rows", "profit sums"};
    for (size_t i = 0; i < plans.size() && i < std::size(planNames); ++i)
        std::printf("  %-12s %s\n", (std::string(planNames[i]) + ":").c_str(), plans[i].c_str());

    if (!options.json.empty()) {
        std::ofstream out(options.json, std::ios::trunc);
        out << "{\"records\": " << books.records() << ", \"workloads\": {";
        bool first = true;
        for (const char* w : kWorkloads) {
            out << (first ? "" : ", ") << '"' << w << "\": {\"engine_s\": " << Fixed(engine[w], 6)
                << ", \"sqlite_s\": " << Fixed(sqlite[w], 6)
                << ", \"ratio\": " << Fixed(engine[w] / sqlite[w], 4) << "}";
            first = false;
        }
        out << "}, \"report\": " << ReportJson(samples, grid) << ", \"raw_s\": " << Fixed(raw, 6)
            << ", \"summary_vs_raw\": " << Fixed(engine["summary"] / raw, 4)
            << ", \"browse_vs_raw\": " << Fixed(engine["browse"] / raw, 4)
            << ", \"picklist_vs_raw\": " << Fixed(engine["picklist"] / raw, 4)
            << ", \"detail_report_text_s\": " << Fixed(write["detail-report"], 6)
            << ", \"detail_report_without_text_vs_raw\": "
            << Fixed((engine["detail-report"] - write["detail-report"]) / raw, 4)
            << ", \"xlsx_report\": {\"text_s\": " << Fixed(xlsx.report.write, 6)
            << ", \"xlsx_s\": " << Fixed(xlsx.xlsx, 6)
            << ", \"peak_before_xlsx_mb\": " << Fixed(xlsx.peakBeforeMb, 1)
            << ", \"peak_mb\": " << Fixed(xlsx.peakMb, 1) << "}"
            << ", \"engine_peak_rss_mb\": " << Fixed(peak, 1) << "}\n";
        if (!out) {
            std::fprintf(stderr, "kvl-bench: cannot write %s\n", options.json.c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    return bench::Main(argc, argv);
}
