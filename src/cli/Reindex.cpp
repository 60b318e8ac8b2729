// kvl-cli reindex: rebuilds every index file, as the File Maintenance button does.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "data/Maintenance.h"

namespace kvl::cli {

Command AddReindexCommand(CLI::App& cli) {
    CLI::App* command = cli.add_subcommand("reindex", "rebuild every index file");
    auto dir = std::make_shared<std::string>(".");
    AddDirOption(*command, *dir);
    command->footer(
        "Rebuilds the index groups and tag files of the five data tables in DIR from the\n"
        "records.");
    return {command, [dir] {
                return RunOnDataSet(
                    *dir, "reindex", [] { RebuildIndexes(false); }, "rebuilt the index files");
            }};
}

}  // namespace kvl::cli
