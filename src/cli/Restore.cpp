// kvl-cli restore: replaces the five data tables by a backup, as the File Maintenance button does.
#include <CLI/CLI.hpp>
#include <QDir>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "data/Backup.h"

namespace kvl::cli {

namespace {

struct RestoreOptions {
    std::string source;
    std::string dir = ".";
};

int RunRestoreCommand(const RestoreOptions& options) {
    const QString source = ExistingDirectory(options.source, "restore");
    if (source.isEmpty()) return 2;
    // A directory that is no backup set is bad input, refused before the data set is touched.
    const QString missing = MissingBackupFile(source);
    if (!missing.isEmpty()) {
        Complain("restore", QStringLiteral("%1 holds no backup set: %2 is missing")
                                .arg(QDir::toNativeSeparators(source), missing));
        return 2;
    }
    DataSession session;
    if (!session.open(options.dir, "restore")) return 2;
    QString why;
    if (!RunRestore(source, &why)) {
        Complain("restore", QStringLiteral("the restore failed: %1").arg(why));
        return 1;
    }
    std::fprintf(stderr, "kvl-cli restore: restored the data files of %s from %s\n",
                 session.shownDir().toUtf8().constData(),
                 QDir::toNativeSeparators(source).toUtf8().constData());
    return 0;
}

}  // namespace

Command AddRestoreCommand(CLI::App& cli) {
    CLI::App* command = cli.add_subcommand("restore", "replace the data files by a backup");
    auto options = std::make_shared<RestoreOptions>();
    command->add_option("DIR", options->source, "the directory that holds the backup")->required();
    AddDirOption(*command, options->dir)->type_name("DATA");  // DIR is the other directory
    command->footer(
        "Replaces ACC, ACCI, FOLDER, EXP5 and INC5 of the data set by ACC.bak and so on in DIR,\n"
        "all together or not at all: every backup file must be a table with its table's\n"
        "fields before any is taken. The index files are rebuilt afterwards, also when the\n"
        "restore fails (exit status 1, the data files unchanged).");
    return {command, [options] { return RunRestoreCommand(*options); }};
}

}  // namespace kvl::cli
