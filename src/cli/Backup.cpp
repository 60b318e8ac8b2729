// kvl-cli backup: copies the five data tables to a directory, as the File Maintenance button does.
#include "data/Backup.h"

#include <CLI/CLI.hpp>
#include <QDir>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Session.h"

namespace kvl::cli {

namespace {

struct BackupOptions {
    std::string target;
    std::string dir = ".";
};

int RunBackupCommand(const BackupOptions& options) {
    const QString target = ExistingDirectory(options.target, "backup");
    if (target.isEmpty()) return 2;
    DataSession session;
    if (!session.open(options.dir, "backup")) return 2;
    QString why;
    if (!RunBackup(target, &why)) {
        // A question about another disk gets Cancel here: nobody can change the disk.
        Complain("backup", QStringLiteral("the backup failed: %1").arg(why));
        return 1;
    }
    std::fprintf(stderr, "kvl-cli backup: copied the data files of %s to %s\n",
                 session.shownDir().toUtf8().constData(),
                 QDir::toNativeSeparators(target).toUtf8().constData());
    return 0;
}

}  // namespace

Command AddBackupCommand(CLI::App& cli) {
    CLI::App* command = cli.add_subcommand("backup", "copy the data files to a backup directory");
    auto options = std::make_shared<BackupOptions>();
    command->add_option("DIR", options->target, "the directory that receives the backup")
        ->required();
    AddDirOption(*command, options->dir)->type_name("DATA");  // DIR is the other directory
    command->footer(
        "Copies ACC, ACCI, FOLDER, EXP5 and INC5 of the data set to DIR as ACC.bak and so on,\n"
        "each written under a temporary name and renamed when complete, so a failed copy\n"
        "keeps the backup file it was replacing. A full or write-protected disk ends the\n"
        "backup with exit status 1: there is no second disk to ask for.");
    return {command, [options] { return RunBackupCommand(*options); }};
}

}  // namespace kvl::cli
