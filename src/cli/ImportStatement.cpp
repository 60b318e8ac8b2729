// kvl-cli import-statement: a bank or card statement (OFX, QFX or CSV) imported as expenses and
// income, as the Import Statement window imports it: accounts learned from the books, rules and
// fallbacks, duplicates skipped, all lines or none.
#include <CLI/CLI.hpp>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "cli/TransferArgs.h"
#include "data/Messages.h"
#include "data/dbFiles.h"
#include "transfer/StmtImportOps.h"

namespace kvl::cli {

namespace {

const char* const kName = "import-statement";

struct StatementOptions {
    std::string file, folder, expenseAccount, incomeAccount, columns, dateFormat, dir = ".";
    std::vector<std::string> rules;
    bool decimalComma = false;
    bool dryRun = false;
};

// A number option that may be absent (0).
bool ReadOptionalNumber(const char* option, const std::string& text, int& out) {
    if (text.empty()) return true;
    const std::optional<int> n = ReadNumberArg(kName, option, text);
    if (n) out = *n;
    return n.has_value();
}

bool ReadChoices(const StatementOptions& options, ImportChoices& choices) {
    if (!ReadOptionalNumber("--folder", options.folder, choices.folder) ||
        !ReadOptionalNumber("--expense-account", options.expenseAccount, choices.expenseAccount) ||
        !ReadOptionalNumber("--income-account", options.incomeAccount, choices.incomeAccount))
        return false;
    for (const std::string& text : options.rules) {
        const std::optional<AccountRule> rule = ParseAccountRule(QString::fromLocal8Bit(text));
        if (!rule) {
            ShowMessage(MsgKind::Warning, QString::fromLatin1(kDataConversionError));
            Complain(kName, QStringLiteral("--account-for '%1' is not TEXT=N, N an account number")
                                .arg(QString::fromLocal8Bit(text)));
            return false;
        }
        choices.rules.push_back(*rule);
    }
    return true;
}

bool ReadCsvOptions(const StatementOptions& options, CsvOptions& csv) {
    csv.decimalComma = options.decimalComma;
    if (!options.columns.empty()) {
        QString why;
        csv.columns = ParseCsvColumns(QString::fromLocal8Bit(options.columns), &why);
        if (!csv.columns) {
            Complain(kName, QStringLiteral("--csv-columns: %1").arg(why));
            return false;
        }
    }
    if (!options.dateFormat.empty()) {
        const std::optional<CsvDateFormat> format =
            ParseCsvDateFormat(QString::fromLocal8Bit(options.dateFormat));
        if (!format) {
            Complain(kName, QStringLiteral("--csv-date-format '%1' is not YYYY-MM-DD, MM/DD/YYYY, "
                                           "DD/MM/YYYY or DD.MM.YYYY")
                                .arg(QString::fromLocal8Bit(options.dateFormat)));
            return false;
        }
        csv.dateFormat = *format;
    }
    return true;
}

QString NumberText(int n) {
    return n > 0 ? QString::number(n) : QString();
}

void PrintLines(const std::vector<ImportLine>& lines) {
    for (const ImportLine& line : lines) {
        const MappedLine& m = line.line;
        const QString row =
            QStringList{
                m.date.toString(Qt::ISODate),
                m.payee,
                QString::number(static_cast<double>(m.cents) / 100.0, 'f', 2),
                m.kind == LineKind::Expense ? QStringLiteral("expense") : QStringLiteral("income"),
                NumberText(line.account),
                NumberText(line.folder),
                line.duplicate ? QStringLiteral("duplicate") : QStringLiteral("new")}
                .join(QLatin1Char('\t'));
        std::printf("%s\n", row.toUtf8().constData());
    }
}

int RunImport(const StatementOptions& options) {
    // Named from where the command was given, before the session enters the data directory.
    const QString given = QFile::decodeName(options.file.c_str());
    const QString path = QFileInfo(given).absoluteFilePath();
    ImportChoices choices;
    CsvOptions csv;
    if (!ReadChoices(options, choices) || !ReadCsvOptions(options, csv)) return 2;
    DataSession session;
    if (!session.open(options.dir, kName)) return 2;
    OpenStatementTables();
    const ChartNumbers charts = ReadChartNumbers();
    if (!CheckChoices(choices, charts)) return 2;
    const std::optional<Statement> statement = ReadStatementFile(path, given, csv);
    if (!statement) return 2;
    std::vector<ImportLine> lines = MatchStatement(*statement);
    ProposeAccounts(lines, choices, charts);
    if (options.dryRun) PrintLines(lines);
    const QString unassigned = UnassignedLines(lines, statement->format, charts);
    if (!unassigned.isEmpty()) {
        ShowMessage(MsgKind::Warning,
                    QStringLiteral("Cannot import %1: these lines have no account or folder (give "
                                   "--expense-account, --income-account, --folder or "
                                   "--account-for):\r\n%2")
                        .arg(given, unassigned));
        return 2;
    }
    if (options.dryRun) return 0;
    const StatementOutcome outcome = ImportStatement(lines, statement->format, charts, given);
    code4close(cb);
    if (outcome.result == ChangeResult::Done)
        std::printf("%s\n", OutcomeText(outcome).toUtf8().constData());
    return ExitCodeOf(outcome.result);
}

}  // namespace

Command AddImportStatementCommand(CLI::App& cli) {
    CLI::App* command = cli.add_subcommand(
        kName, "import a bank or card statement (OFX, QFX, CSV) as expenses and income");
    auto options = std::make_shared<StatementOptions>();
    command->add_option("FILE", options->file, "the statement file")->required();
    AddDirOption(*command, options->dir);
    command->add_option("--folder", options->folder, "the folder of every line")->type_name("N");
    command
        ->add_option("--expense-account", options->expenseAccount,
                     "the account of expenses that have no other")
        ->type_name("N");
    command
        ->add_option("--income-account", options->incomeAccount,
                     "the account of income that has no other")
        ->type_name("N");
    command
        ->add_option("--account-for", options->rules,
                     "account N for lines whose payee contains TEXT (repeatable)")
        ->type_name("'TEXT=N'")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command
        ->add_option("--csv-columns", options->columns,
                     "the CSV columns, numbered from 1 (default: named by a header line)")
        ->type_name("date=N,amount=N|debit=N,credit=N,payee=N[,memo=N][,check=N]");
    command
        ->add_option("--csv-date-format", options->dateFormat,
                     "the CSV dates (default: YYYY-MM-DD or DD.MM.YYYY)")
        ->type_name("YYYY-MM-DD|MM/DD/YYYY|DD/MM/YYYY|DD.MM.YYYY");
    command->add_flag("--csv-decimal-comma", options->decimalComma,
                      "CSV amounts have a decimal comma (1.234,56)");
    command->add_flag("--dry-run", options->dryRun,
                      "write nothing; print each line as it would be imported");
    command->footer(
        "Each debit becomes an expense and each credit an income record, dated as posted,\n"
        "with the payee, the absolute amount, and for expenses the check number and memo.\n"
        "Each line's account is that of the first --account-for rule whose TEXT is part of\n"
        "the payee (case ignored) and whose N is an account of the line's chart, else the\n"
        "one booked most often for the same payee, else --expense-account or\n"
        "--income-account. Payees are the same when they differ only in case, blanks and\n"
        "words that are numbers (card numbers, dates, references). --folder sets the folder\n"
        "of every line; without it each line takes the folder booked with its payee. A\n"
        "line without an account or a folder refuses the import and is listed.\n"
        "A line is a duplicate, and is skipped, when the books hold a record of its kind\n"
        "with the same date, amount and payee; each such record stands for one line, so N\n"
        "equal lines against M equal records import N - M.\n"
        "Prints \"imported E expenses and I incomes, skipped D duplicates\". --dry-run prints\n"
        "one tab-separated line per statement line instead: date (YYYY-MM-DD), payee,\n"
        "amount, expense or income, account, folder, duplicate or new.\n"
        "Exit status 0 when done, 2 when refused (bad file, line, option or an unassigned\n"
        "line), 1 when the records could not be written; nothing is changed unless it is\n"
        "done, and then every line is.");
    return {command, [options] { return RunImport(*options); }};
}

}  // namespace kvl::cli
