// kvl-cli new: a new data set, empty or with the sample business.
#include <CLI/CLI.hpp>
#include <QDir>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "data/NewDataSet.h"

namespace kvl::cli {

namespace {

struct NewOptions {
    std::string dir;
    bool sample = false;
    std::string name;
    bool named = false;  // --name given, even empty
};

int RunNew(const NewOptions& given) {
    const QString dir = QString::fromLocal8Bit(given.dir.c_str());
    NewDataSetOptions options;
    options.sample = given.sample;
    if (given.named)
        options.userName = QString::fromLocal8Bit(given.name.c_str());
    else if (options.sample)
        options.userName = SampleBusinessName();  // without a name of their own

    if (!QDir().mkpath(dir)) {
        Complain(
            "new",
            QStringLiteral("cannot create the directory %1").arg(QDir::toNativeSeparators(dir)));
        return 2;
    }
    QString message;
    if (!CreateDataSetLocked(dir, options, &message)) {
        Complain("new", message);
        return 2;
    }
    std::fprintf(stderr, "kvl-cli new: created %s data set in %s\n",
                 options.sample ? "a sample" : "an empty",
                 QDir::toNativeSeparators(QDir(dir).absolutePath()).toUtf8().constData());
    return 0;
}

}  // namespace

Command AddNewCommand(CLI::App& cli) {
    CLI::App* command = cli.add_subcommand("new", "create a data set");
    auto options = std::make_shared<NewOptions>();
    command->add_option("DIR", options->dir, "the directory of the new data set")->required();
    command->add_flag("--sample", options->sample,
                      "fill the tables with a sample business: about two years\n"
                      "of expenses and income up to today");
    CLI::Option* name = command->add_option("--name", options->name,
                                            "the user name shown in the program's caption (with\n"
                                            "--sample and no name: the sample firm's name)");
    command->footer(
        "Creates DIR if needed and in it the six tables and their index files. Refuses,\n"
        "writing nothing, when DIR already holds any of the six tables.");
    return {command, [options, name] {
                options->named = name->count() > 0;
                return RunNew(*options);
            }};
}

}  // namespace kvl::cli
