// kvl-cli check: the integrity of the tables and their index files, and their repair.
#include "data/Check.h"

#include <CLI/CLI.hpp>
#include <QDir>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Session.h"

namespace kvl::cli {

namespace {

struct CheckOptions {
    std::string dir = ".";
    bool repair = false;
};

bool Report(const std::vector<TableCheck>& checks) {
    bool sound = true;
    for (const TableCheck& check : checks) {
        sound = sound && check.ok();
        for (const std::string& line : CheckLines(check)) std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
    return sound;
}

int RunCheck(const CheckOptions& options) {
    if (!options.repair) {
        // Reading needs no lock: between operations the program keeps no table open.
        const QString dir = QString::fromLocal8Bit(options.dir.c_str());
        if (!QDir(dir).exists()) {
            Complain("check", QStringLiteral("no such directory: %1")
                                  .arg(QDir::toNativeSeparators(QDir(dir).absolutePath())));
            return 2;
        }
        return Report(CheckDataSet(options.dir)) ? 0 : 1;
    }
    DataSession session;
    if (!session.open(options.dir, "check")) return 2;
    const std::vector<TableCheck> first = CheckDataSet(".");
    if (Report(first)) return 0;
    for (const std::string& table : RepairIndexes(first))
        std::printf("REPAIRED %s: index files rebuilt from the table\n", table.c_str());
    for (const TableCheck& check : first) {
        if (!check.ok() && !check.readable)
            std::printf("NOT REPAIRED %s: the table itself cannot be read as expected\n",
                        check.table.c_str());
    }
    return Report(CheckDataSet(".")) ? 0 : 1;
}

}  // namespace

Command AddCheckCommand(CLI::App& cli) {
    CLI::App* command = cli.add_subcommand("check", "check the tables and their index files");
    auto options = std::make_shared<CheckOptions>();
    AddDirOption(*command, options->dir);
    command->add_flag("--repair", options->repair,
                      "rebuild the index files of the faulty tables (taking the\n"
                      "directory's lock), then check again and exit by that\n"
                      "second check; records are never changed");
    command->footer(
        "Checks the five data tables in DIR: each table opens, its group lists its tags, and\n"
        "every tag file is a sound tree with one entry for each live record under the record's\n"
        "key. Prints one OK line per sound table and a FAULT line for each fault. Exit status\n"
        "0 when all are sound, 1 otherwise.");
    return {command, [options] { return RunCheck(*options); }};
}

}  // namespace kvl::cli
