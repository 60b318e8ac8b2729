// kvl-cli chart: sums a chart as the Report Generation tab's "Charts" menu does, over the report
// command's period and folders, and writes its series as tab-separated values (tsv) or a picture
// (png, svg, pdf). Pictures are drawn by the chart renderer kvl-chart, which kvl-cli starts and
// hands the series to: drawing needs Qt Charts and so Qt Widgets, which kvl-cli does not link. It
// lies beside kvl-cli in the build tree and in the package's private program directory.
#include <CLI/CLI.hpp>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/ReportArgs.h"
#include "cli/Session.h"
#include "data/Clock.h"
#include "data/Messages.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "reports/ChartSeries.h"
#include "reports/RptUtil.h"

namespace kvl::cli {

namespace {

constexpr char kChart[] = "chart";

struct ChartOptions {
    std::string kind, dir = ".", from, through, folders, format, output, size = "1200x800";
};

// A chart asks only for its folders.
class ChartContext : public ReportContext {
  public:
    std::vector<int> folders;
    int LinesPerPage() override { return kLinesWithoutPrinter; }
    std::vector<int> ChooseFolders() override { return folders; }
    long ChooseAccount(char) override { return -1; }
    void Present(const ReportGrid&) override {}
};

// kvl-chart: beside this program, or where the package installs it.
QString RendererPath() {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QDir here = QFileInfo(self).dir();
    for (const QString& candidate : {here.filePath(QStringLiteral("kvl-chart")),
                                     QDir(here.filePath(QStringLiteral(KVL_CHART_FROM_BIN)))
                                         .filePath(QStringLiteral("kvl-chart"))})
        if (QFileInfo(candidate).isExecutable()) return QDir::cleanPath(candidate);
    return QString();
}

bool WriteTsv(const ChartData& data, const QString& output) {
    if (QFileInfo::exists(output)) QFile::remove(output);
    QFile file(output);
    if (file.open(QIODevice::WriteOnly) && WriteChartTsv(data, file) && file.flush()) return true;
    Complain(kChart, QStringLiteral("cannot write %1: %2").arg(output, file.errorString()));
    return false;
}

bool Render(const ChartData& data, const ChartOptions& o, const QString& output) {
    const QString renderer = RendererPath();
    if (renderer.isEmpty()) {
        Complain(kChart, QStringLiteral("this installation has no chart renderer (kvl-chart) for "
                                        "%1; --format tsv works without it")
                             .arg(QString::fromStdString(o.format)));
        return false;
    }
    QStringList args = {QStringLiteral("--kind"),   QString::fromStdString(o.kind),
                        QStringLiteral("--format"), QString::fromStdString(o.format),
                        QStringLiteral("--size"),   QString::fromStdString(o.size),
                        QStringLiteral("--output"), output};
    const QString family = Settings.fontName.trimmed();
    if (!family.isEmpty()) args << QStringLiteral("--font") << family;
    for (const QString& title : data.titles) args << QStringLiteral("--title") << title;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(renderer, args);
    if (process.waitForStarted()) {
        QBuffer in;
        in.open(QIODevice::WriteOnly);
        WriteChartTsv(data, in);
        process.write(in.data());
        process.closeWriteChannel();
    }
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        Complain(kChart, QStringLiteral("the chart renderer could not write %1").arg(output));
        return false;
    }
    return true;
}

int RunChartCommand(const ChartOptions& o) {
    const ChartKind* kind = FindChartKind(QString::fromStdString(o.kind));
    const QStringList wh = QString::fromStdString(o.size).split(QLatin1Char('x'));
    bool wide = false, high = false;
    const int width = wh.value(0).toInt(&wide), height = wh.value(1).toInt(&high);
    if (wh.size() != 2 || !wide || !high || width < 100 || height < 100 || width > 10000 ||
        height > 10000) {
        Complain(kChart, QStringLiteral("--size %1 is not WxH, each from 100 to 10000")
                             .arg(QString::fromStdString(o.size)));
        return 2;
    }
    QDate from, through;
    CurrentMonthPeriod(Today(), &from, &through);
    if (!ReadReportDate(o.from, "--from", &from, kChart) ||
        !ReadReportDate(o.through, "--through", &through, kChart))
        return 2;
    const QString output = OutputPath(o.output);

    DataSession session;
    if (!OpenReportBooks(session, o.dir, from, through, kChart)) return 2;

    ChartContext ctx;
    if (const int code = ChooseLiveFolders(o.folders, &ctx.folders, kChart)) return code;
    ChartData data;
    if (RunChart(*kind, ctx, &data) != ReportResult::Presented) return 1;
    const bool written = o.format == "tsv" ? WriteTsv(data, output) : Render(data, o, output);
    return written ? 0 : 2;
}

}  // namespace

Command AddChartCommand(CLI::App& cli) {
    CLI::App* command =
        cli.add_subcommand("chart", "sum a chart and write it as data or a picture");
    auto o = std::make_shared<ChartOptions>();
    std::vector<std::string> kinds;
    for (const ChartKind& kind : ChartKinds()) kinds.push_back(kind.name);
    command->add_option("KIND", o->kind, "the chart")
        ->required()
        ->check(CLI::IsMember(kinds).description(""));
    AddDirOption(*command, o->dir);
    AddPeriodOptions(*command, o->from, o->through, o->folders);
    command->add_option("--format", o->format, "png, svg, pdf or tsv")
        ->required()
        ->type_name("png|svg|pdf|tsv")
        ->check(CLI::IsMember({"png", "svg", "pdf", "tsv"}).description(""));
    command->add_option("--output", o->output, "the file to write")->required()->type_name("FILE");
    command->add_option("--size", o->size, "the picture's size in pixels (default 1200x800)")
        ->type_name("WxH");
    std::string footer = "KIND is one of:";
    for (const std::string& kind : kinds) footer += "\n  " + kind;
    footer +=
        "\nmonthly-profit has a group of bars a month of the monthly profit report (income,\n"
        "expenses, taxable profit) and net profit as a line; the by-account charts have each\n"
        "account's period total from the summaries, largest first, those after the twelfth as\n"
        "\"Other\". tsv writes the series: a header line, then a line a month (end, income,\n"
        "expenses, taxable-profit, net-profit) or a bar (account, name, total; Other is account\n"
        "0), amounts with two decimals. pdf is a page of the locale's paper, landscape. A period\n"
        "without amounts says \"Report contains no data.\" and exits 1.";
    command->footer(footer);
    return {command, [o] { return RunChartCommand(*o); }};
}

}  // namespace kvl::cli
