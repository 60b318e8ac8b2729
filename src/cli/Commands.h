// The subcommands of kvl-cli. Each declares itself once on the program's CLI::App: its name, a
// one-line summary, its arguments and options with their help texts, and what it runs. The
// program's --help, each command's --help and the usage errors are all made from that
// declaration. A command returns the process's exit code: 0 success, 1 a check found a fault,
// 2 bad usage or bad input. Messages go to stderr, results to stdout.
//
// Adding a command: write Name.cpp defining `Command AddNameCommand(CLI::App& cli)`, which calls
// cli.add_subcommand("name", "summary"), declares the options (AddDirOption for "-d DIR") and
// returns the subcommand with its runner; then add one line `X(AddNameCommand)` to
// KVL_CLI_COMMANDS below, at the place --help should list it.
#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace kvl::cli {

struct Command {
    CLI::App* app = nullptr;   // the subcommand, as declared
    std::function<int()> run;  // runs it with what was parsed into its options
};

using AddCommand = Command (*)(CLI::App& cli);

// Every command, in the order the program's --help lists them.
#define KVL_CLI_COMMANDS(X)     \
    X(AddNewCommand)            \
    X(AddDumpCommand)           \
    X(AddCheckCommand)          \
    X(AddReindexCommand)        \
    X(AddPackCommand)           \
    X(AddBackupCommand)         \
    X(AddRestoreCommand)        \
    X(AddUpgradeCommand)        \
    X(AddEraseCommand)          \
    X(AddReportCommand)         \
    X(AddChartCommand)          \
    X(AddArchiveCommand)        \
    X(AddDearchiveCommand)      \
    X(AddRateChangeCommand)     \
    X(AddImportPaymentsCommand) \
    X(AddImportStatementCommand)

#define KVL_CLI_DECLARE_COMMAND(add) Command add(CLI::App& cli);
KVL_CLI_COMMANDS(KVL_CLI_DECLARE_COMMAND)
#undef KVL_CLI_DECLARE_COMMAND

}  // namespace kvl::cli
