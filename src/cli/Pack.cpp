// kvl-cli pack: removes the records marked deleted, as the File Maintenance button does.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "data/Maintenance.h"

namespace kvl::cli {

Command AddPackCommand(CLI::App& cli) {
    CLI::App* command = cli.add_subcommand("pack", "remove the records marked deleted");
    auto dir = std::make_shared<std::string>(".");
    AddDirOption(*command, *dir);
    command->footer(
        "Physically removes the records marked deleted from the five data tables in DIR and\n"
        "rebuilds their index files. A table that cannot be opened is left as it is.");
    return {command, [dir] {
                return RunOnDataSet(
                    *dir, "pack", [] { PackAll(); }, "packed the data files");
            }};
}

}  // namespace kvl::cli
