#include "ReportSide.h"

#include <QFile>
#include <stdexcept>

#include "Measure.h"
#include "data/Period.h"
#include "reports/MultFolOps.h"
#include "reports/ReportContext.h"
#include "reports/ReportExport.h"
#include "reports/ReportGrid.h"
#include "reports/ReportKinds.h"
#include "reports/RptUtil.h"

namespace bench {

namespace {

// Takes every folder, and on Present times the build so far and the export to a text file.
class BenchContext : public kvl::ReportContext {
  public:
    explicit BenchContext(const char* file) : file_(file) {}
    Stopwatch clock;
    double build = 0, exported = 0, gridMb = 0;
    long rows = 0;

    int LinesPerPage() override { return kvl::kLinesWithoutPrinter; }
    std::vector<int> ChooseFolders() override {
        std::vector<int> all;
        for (int f = 1; f <= Books::kFolders; ++f) all.push_back(f);
        return all;
    }
    long ChooseAccount(char) override { return -1; }
    void Present(const kvl::ReportGrid& grid) override {
        build = clock.seconds();
        rows = grid.rows();
        gridMb = static_cast<double>(grid.memoryUsed()) / (1024.0 * 1024.0);
        const Stopwatch exporting;
        QFile out(QString::fromLatin1(file_));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            !kvl::WriteReportText(grid, out, kvl::ExportFormat::AsciiText))
            throw std::runtime_error(std::string("cannot write ") + file_);
        out.close();
        exported = exporting.seconds();
    }

  private:
    const char* file_;
};

BenchContext Run(const char* kind, const char* file) {
    BenchContext ctx(file);
    const kvl::ReportKind* report = kvl::FindReportKind(QString::fromLatin1(kind));
    if (kvl::RunReport(*report, ctx) != kvl::ReportResult::Presented)
        throw std::runtime_error(std::string("the ") + kind + " report was not built");
    return ctx;
}

}  // namespace

ReportFigures RunReports(const Books& books) {
    ReportFigures f;
    const BenchContext chart = Run("expense-chart", "chart.txt");
    f.chartBuild = chart.build;
    f.chartExport = chart.exported;
    f.chartRows = chart.rows;
    if (kvl::FindReportKind(QStringLiteral("expense-detail"))->build) {
        kvl::ReportFrom = books.firstDate();
        kvl::ReportThrough = books.lastDate();
        const BenchContext detail = Run("expense-detail", "detail.txt");
        f.detailBuilt = true;
        f.detailBuild = detail.build;
        f.detailExport = detail.exported;
        f.detailRows = detail.rows;
        f.detailGridMb = detail.gridMb;
    }
    QFile::remove(QStringLiteral("chart.txt"));
    QFile::remove(QStringLiteral("detail.txt"));
    return f;
}

double GridMbFor(long rows) {
    kvl::ReportGrid grid;
    grid.reset(67, 6);
    for (long r = 0; r < rows; ++r) {
        grid.appendRow();
        const int row = grid.rows() - 1;
        grid.set(row, 0, QStringLiteral("L0012/31/25"));
        grid.set(row, 1, QStringLiteral("R19%1").arg(100000 + r % 900000));
        grid.set(row, 2, QStringLiteral("R24%1").arg(1 + r % 50));
        grid.set(row, 3, QStringLiteral("L26Green Valley Nursery"));
        grid.set(row, 4, QStringLiteral("R67    12,345.67"));
        if (r % 3 == 0 && ++r < rows) {
            grid.appendRow();
            grid.set(grid.rows() - 1, 3, QStringLiteral("L26Spring planting, front beds"));
        }
    }
    return static_cast<double>(grid.memoryUsed()) / (1024.0 * 1024.0);
}

}  // namespace bench
