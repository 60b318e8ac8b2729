// kvl-cli import-payments: the payments of a date range from a payment file as income, replacing
// the earlier imports of the range, as the Import Payments dialog does, followed by the pack.
#include <CLI/CLI.hpp>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "cli/TransferArgs.h"
#include "data/Maintenance.h"
#include "data/Messages.h"
#include "data/dbFiles.h"
#include "transfer/PmtImportOps.h"

namespace kvl::cli {

namespace {

struct ImportOptions {
    std::string file, from, through, account, folder, dir = ".";
};

int RunImport(const ImportOptions& options) {
    const char* name = "import-payments";
    // Named from where the command was given, before the session enters the data directory.
    const QString given = QFile::decodeName(options.file.c_str());
    const QString path = given.isEmpty() ? given : QFileInfo(given).absoluteFilePath();
    DataSession session;
    if (!session.open(options.dir, name)) return 2;
    OpenIncome();
    OpenFolders();
    OpenIncomeAccounts();
    if (!HasRecords(dbIncomeAccounts, kNoIncomeAccounts) || !HasRecords(dbFolders, kNoFolders))
        return 2;
    if (path.isEmpty()) {
        ShowMessage(MsgKind::Information, QString::fromLatin1(kChoosePaymentFile));
        return 2;
    }
    const std::optional<DateArgs> period = ReadPeriodArgs(name, options.from, options.through);
    if (!period) return 2;
    const std::optional<int> account = ReadNumberArg(name, "--account", options.account);
    if (!account) return 2;
    const std::optional<int> folder = ReadNumberArg(name, "--folder", options.folder);
    if (!folder) return 2;
    if (!NumberListed(dbIncomeAccounts, *account, "income account") ||
        !NumberListed(dbFolders, *folder, "folder"))
        return 2;
    const auto payments = ReadPaymentFile(path);
    if (!payments) return 2;
    const ImportOutcome outcome =
        ImportPayments(*payments, {period->from, period->through, *account, *folder});
    code4close(cb);
    if (outcome.packNeeded()) PackAll();
    if (outcome.result == ChangeResult::Done)
        std::fprintf(stderr,
                     "kvl-cli %s: imported %ld payments, replacing %ld earlier imports, in %s\n",
                     name, outcome.added, outcome.removed, session.shownDir().toUtf8().constData());
    return ExitCodeOf(outcome.result);
}

}  // namespace

Command AddImportPaymentsCommand(CLI::App& cli) {
    CLI::App* command =
        cli.add_subcommand("import-payments", "import the payments of a date range as income");
    auto options = std::make_shared<ImportOptions>();
    command->add_option("FILE", options->file, "the payment file (pmt.dbf)")->required();
    command->add_option("--from", options->from, "the first payment date to import")
        ->type_name("DATE")
        ->required();
    command->add_option("--through", options->through, "the last payment date to import")
        ->type_name("DATE")
        ->required();
    command->add_option("--account", options->account, "the income account")
        ->type_name("N")
        ->required();
    command->add_option("--folder", options->folder, "the folder")->type_name("N")->required();
    AddDirOption(*command, options->dir);
    command->footer(
        "Removes the income records that earlier imports made for payments dated from\n"
        "--from through --through (YYYY-MM-DD, both included), then adds one income record\n"
        "per payment of FILE in that range, \"Payment on Invoice #\" and its invoice number,\n"
        "for account N and folder N; then packs the data files. Income entered by hand is\n"
        "kept. Exit status 0 when done, 2 when refused, 1 when the import could not be\n"
        "written; nothing is changed unless it is done.");
    return {command, [options] { return RunImport(*options); }};
}

}  // namespace kvl::cli
