// kvl-cli rate-change: rescales the expenses of one account and period for a new rate, as the
// Rate Change dialog does, with its checks and messages.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "cli/TransferArgs.h"
#include "data/Messages.h"
#include "data/dbFiles.h"
#include "transfer/RateChangeOps.h"

namespace kvl::cli {

namespace {

struct RateOptions {
    std::string account, oldRate, newRate, from, through, dir = ".";
};

int RunRateChange(const RateOptions& options) {
    const char* name = "rate-change";
    DataSession session;
    if (!session.open(options.dir, name)) return 2;
    OpenExpenseAccounts();
    if (!HasRecords(dbExpenseAccounts, kNoExpenseAccounts)) return 2;
    const std::optional<double> oldRate = ReadRateArg(name, "--old", options.oldRate);
    if (!oldRate) return 2;
    const std::optional<double> newRate = ReadRateArg(name, "--new", options.newRate);
    if (!newRate) return 2;
    const std::optional<DateArgs> period = ReadPeriodArgs(name, options.from, options.through);
    if (!period) return 2;
    const std::optional<int> account = ReadNumberArg(name, "--account", options.account);
    if (!account) return 2;
    if (!NumberListed(dbExpenseAccounts, *account, "expense account")) return 2;
    OpenExpenses();
    long changed = 0;
    const ChangeResult result =
        ApplyRateChange({*oldRate, *newRate, period->from, period->through, *account}, &changed);
    code4close(cb);
    if (result == ChangeResult::Done)
        std::fprintf(stderr, "kvl-cli %s: rescaled %ld expenses of account %d in %s\n", name,
                     changed, *account, session.shownDir().toUtf8().constData());
    return ExitCodeOf(result);
}

}  // namespace

Command AddRateChangeCommand(CLI::App& cli) {
    CLI::App* command =
        cli.add_subcommand("rate-change", "rescale an account's expenses for a new rate");
    auto options = std::make_shared<RateOptions>();
    command->add_option("--account", options->account, "the expense account")
        ->type_name("N")
        ->required();
    command->add_option("--old", options->oldRate, "the rate the amounts were figured at")
        ->type_name("RATE")
        ->required();
    command->add_option("--new", options->newRate, "the rate they are to be figured at")
        ->type_name("RATE")
        ->required();
    command->add_option("--from", options->from, "the first date of the period")
        ->type_name("DATE")
        ->required();
    command->add_option("--through", options->through, "the last date of the period")
        ->type_name("DATE")
        ->required();
    AddDirOption(*command, options->dir);
    command->footer(
        "Multiplies the amount of every expense of account N dated from --from through\n"
        "--through (YYYY-MM-DD, both included) by the new rate and divides it by the old one,\n"
        "in every folder, archived or not; amounts are stored to the cent. The rates must\n"
        "differ and not be zero. An amount that would grow too large for its field refuses\n"
        "the whole change. Exit status 0 when done, 2 when refused, 1 when the change could\n"
        "not be written; nothing is changed unless it is done.");
    return {command, [options] { return RunRateChange(*options); }};
}

}  // namespace kvl::cli
