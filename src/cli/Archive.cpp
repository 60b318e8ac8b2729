// kvl-cli archive and dearchive: mark the expenses and income of a date range as archived, or
// not, as the File Maintenance buttons do.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "cli/TransferArgs.h"
#include "transfer/ArchiveOps.h"

namespace kvl::cli {

namespace {

struct RangeOptions {
    std::string from, through, dir = ".";
};

int RunArchive(bool archive, const RangeOptions& options) {
    const char* name = archive ? "archive" : "dearchive";
    const std::optional<DateArgs> period = ReadPeriodArgs(name, options.from, options.through);
    if (!period) return 2;
    DataSession session;
    if (!session.open(options.dir, name)) return 2;
    long marked = 0;
    const ChangeResult result = ArchiveRange(archive, period->from, period->through, &marked);
    if (result == ChangeResult::Done)
        std::fprintf(stderr, "kvl-cli %s: %s %ld records dated %s to %s in %s\n", name,
                     archive ? "archived" : "de-archived", marked, IsoText(period->from).c_str(),
                     IsoText(period->through).c_str(), session.shownDir().toUtf8().constData());
    return ExitCodeOf(result);
}

Command AddRangeCommand(CLI::App& cli, bool archive) {
    CLI::App* command =
        archive ? cli.add_subcommand("archive", "hide the records of a date range from the lists")
                : cli.add_subcommand("dearchive", "bring archived records back into the lists");
    auto options = std::make_shared<RangeOptions>();
    command->add_option("--from", options->from, "the first date of the range")
        ->type_name("DATE")
        ->required();
    command->add_option("--through", options->through, "the last date of the range")
        ->type_name("DATE")
        ->required();
    AddDirOption(*command, options->dir);
    command->footer(
        archive
            ? "Marks every expense and income record dated from --from through --through (both\n"
              "YYYY-MM-DD, both included) as archived. Archived records are left out of the\n"
              "pick lists; reports still count them."
            : "Clears the archived mark of every expense and income record dated from --from\n"
              "through --through (both YYYY-MM-DD, both included).");
    return {command, [options, archive] { return RunArchive(archive, *options); }};
}

}  // namespace

Command AddArchiveCommand(CLI::App& cli) {
    return AddRangeCommand(cli, true);
}

Command AddDearchiveCommand(CLI::App& cli) {
    return AddRangeCommand(cli, false);
}

}  // namespace kvl::cli
