// kvl-cli report: builds a report as the Report Generation tab does and writes it as the viewer's
// exports would (txt, tsv, xlsx), txt and tsv with 60 lines a page, the rule without a printer,
// or as Print would lay it out on a printer whose page is the PDF's (pdf), with the lines such a
// page holds in the report font. The period defaults to the current month; folders come from
// --folders (or the one live folder) and the account of a single-account report from --account.
// A report whose tables cannot be opened, or whose walk meets a damaged index tag, writes nothing
// and exits 1 after the message.
#include <CLI/CLI.hpp>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/ReportArgs.h"
#include "cli/Session.h"
#include "data/Clock.h"
#include "data/DbUtil.h"
#include "data/Messages.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "reports/MultFolOps.h"
#include "reports/ReportExport.h"
#include "reports/ReportKinds.h"
#include "reports/ReportPaint.h"
#include "reports/RptUtil.h"
#include "reports/XlsxExport.h"

namespace kvl::cli {

namespace {

struct ReportOptions {
    std::string kind, dir = ".", from, through, folders, format = "txt", output;
    std::optional<int> account;
};

// The report goes where the command line says once it is built.
class CliContext : public ReportContext {
  public:
    std::vector<int> folders;
    long accountRecord = -1;
    std::string format;
    QString output;
    QFont font;
    bool written = false;

    // A PDF is paged for its own page and the report font, as a printer is.
    int LinesPerPage() override {
        return format == "pdf" ? LinesPerPdfPage(font) : kLinesWithoutPrinter;
    }
    std::vector<int> ChooseFolders() override { return folders; }
    long ChooseAccount(char) override { return accountRecord; }
    void Present(const ReportGrid& grid) override {
        if (format == "pdf") {
            ReportImages images;
            written = WriteReportPdf(grid, output, font, images) > 0;
            for (const QString& name : images.takeFailures())
                Complain(kCommand, QStringLiteral("cannot load the image %1").arg(name));
            if (!written) Complain(kCommand, QStringLiteral("cannot write %1").arg(output));
            return;
        }
        if (format == "xlsx") {
            QString reason;
            written = WriteReportXlsx(grid, output, &reason);
            if (!written)
                Complain(kCommand, QStringLiteral("cannot write %1: %2").arg(output, reason));
            return;
        }
        const ExportFormat exportFormat =
            format == "tsv" ? ExportFormat::TabDelimited : ExportFormat::AsciiText;
        if (!output.isEmpty()) {
            written = ExportReportFile(grid, output, exportFormat);
            return;
        }
        QFile out;
        written =
            out.open(stdout, QIODevice::WriteOnly) && WriteReportText(grid, out, exportFormat);
        written = out.flush() && written;
        if (!written) Complain(kCommand, QStringLiteral("cannot write to standard output"));
    }
};

// The record number of account `number` in the chart, -1 when the chart has no such account;
// none, after the engine's message, when the seek met an engine error.
std::optional<long> FindAccount(char chart, int number) {
    if (chart == 'E')
        OpenExpenseAccounts();
    else
        OpenIncomeAccounts();
    // The handles are bound by the open.
    DATA4* table = chart == 'E' ? dbExpenseAccounts : dbIncomeAccounts;
    FIELD4* field = chart == 'E' ? fAccNo : fIAccNo;
    long record = -1;
    if (SeekText(table, PadNumber(number, 4)) == r4success && f4int(field) == number &&
        !d4deleted(table))
        record = d4recNo(table);
    const bool failed = ShowEngineError(cb);
    code4close(cb);
    if (failed) return std::nullopt;
    return record;
}

// The offscreen platform's note about a missing XDG_RUNTIME_DIR is no concern of a report.
void QuietAboutRuntimeDir(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (text.startsWith(QLatin1String("QStandardPaths:"))) return;
    if (type != QtDebugMsg) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

QFont ReportFontOfSettings() {
    QFont font = QGuiApplication::font();
    const QString name = Settings.fontName.trimmed();
    if (!name.isEmpty()) font.setFamily(name);
    if (Settings.fontSize > 0) font.setPointSize(Settings.fontSize);
    return font;
}

int RunReportCommand(const ReportOptions& o) {
    const ReportKind* kind = FindReportKind(QString::fromStdString(o.kind));
    if ((o.format == "pdf" || o.format == "xlsx") && o.output.empty()) {
        Complain(kCommand, QStringLiteral("--format %1 needs --output FILE")
                               .arg(QString::fromStdString(o.format)));
        return 2;
    }
    if (!kind->periodAndFolders && !o.folders.empty()) {
        Complain(kCommand, QStringLiteral("--folders does not apply to the %1 report")
                               .arg(QString::fromStdString(o.kind)));
        return 2;
    }
    if (kind->accountChart == 0 && o.account) {
        Complain(kCommand, QStringLiteral("--account applies only to the account detail reports"));
        return 2;
    }
    if (kind->accountChart != 0 && !o.account) {
        Complain(
            kCommand,
            QStringLiteral("the %1 report needs --account N").arg(QString::fromStdString(o.kind)));
        return 2;
    }
    QDate from, through;
    CurrentMonthPeriod(Today(), &from, &through);
    if (!ReadReportDate(o.from, "--from", &from) ||
        !ReadReportDate(o.through, "--through", &through))
        return 2;

    // Painting pages needs a GUI application, on the offscreen platform: kvl-cli shows no window.
    std::unique_ptr<QGuiApplication> gui;
    if (o.format == "pdf") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietAboutRuntimeDir);
        static int argc = 1;
        static char name[] = "kvl-cli";
        static char* argv[] = {name, nullptr};
        gui = std::make_unique<QGuiApplication>(argc, argv);
    }

    const QString output = OutputPath(o.output);
    DataSession session;
    if (!OpenReportBooks(session, o.dir, from, through)) return 2;

    CliContext ctx;
    ctx.format = o.format;
    ctx.output = output;
    if (gui) ctx.font = ReportFontOfSettings();
    if (kind->periodAndFolders) {
        if (const int code = ChooseLiveFolders(o.folders, &ctx.folders)) return code;
    }
    if (kind->accountChart != 0) {
        const std::optional<long> record = FindAccount(kind->accountChart, *o.account);
        if (!record) return 1;
        ctx.accountRecord = *record;
        if (ctx.accountRecord < 0) {
            Complain(kCommand, QStringLiteral("the %1 chart has no account %2")
                                   .arg(kind->accountChart == 'E' ? "expense" : "income")
                                   .arg(*o.account));
            return 2;
        }
    }
    switch (RunReport(*kind, ctx)) {
        case ReportResult::Presented:
            return ctx.written ? 0 : 2;
        case ReportResult::NoData:
        case ReportResult::NotRun:
        case ReportResult::Failed:
            break;
    }
    return 1;
}

}  // namespace

Command AddReportCommand(CLI::App& cli) {
    CLI::App* command = cli.add_subcommand("report", "build a report and write it out");
    auto o = std::make_shared<ReportOptions>();
    std::vector<std::string> kinds;
    for (const ReportKind& kind : ReportKinds()) kinds.push_back(kind.name);
    command->add_option("KIND", o->kind, "the report")
        ->required()
        ->check(CLI::IsMember(kinds).description(""));
    AddDirOption(*command, o->dir);
    AddPeriodOptions(*command, o->from, o->through, o->folders);
    command->add_option("--account", o->account, "the account of an account detail report")
        ->type_name("N");
    command->add_option("--format", o->format, "txt (default), tsv, pdf or xlsx")
        ->type_name("txt|tsv|pdf|xlsx")
        ->check(CLI::IsMember({"txt", "tsv", "pdf", "xlsx"}).description(""));
    command->add_option("--output", o->output, "the file to write (default: standard output)")
        ->type_name("FILE");
    std::string footer = "KIND is one of:";
    for (const std::string& kind : kinds) footer += "\n  " + kind;
    footer +=
        "\ntxt and tsv are the viewer's \"Ascii Text\" and \"Tab Delimited\" exports (UTF-8, CR "
        "LF);\n"
        "txt and tsv pages hold 60 lines; pdf (needs --output) lays the pages out as Print does,\n"
        "on the locale's paper, with the lines a page holds in the report font. xlsx (needs\n"
        "--output) is the viewer's \"Spreadsheet (xlsx)\": the titles, the column headers and the\n"
        "rows, amounts, dates and numbers as such. A report without rows says \"Report contains\n"
        "no data.\" and exits 1; so does a report whose books cannot be read (a damaged index),\n"
        "after the message, writing nothing.";
    command->footer(footer);
    return {command, [o] { return RunReportCommand(*o); }};
}

}  // namespace kvl::cli
