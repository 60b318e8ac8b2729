// kvl-cli erase: empties data tables, as the File Maintenance button does, answering its chain of
// questions from the options.
#include "data/Erase.h"

#include <CLI/CLI.hpp>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Session.h"

namespace kvl::cli {

namespace {

struct EraseOptions {
    std::string dir = ".";
    bool income = false, expenses = false, incomeAccounts = false, expenseAccounts = false,
         folders = false;

    std::vector<EraseStep> chosen() const {
        std::vector<EraseStep> steps;
        const std::pair<bool, EraseStep> flags[] = {{income, EraseStep::Income},
                                                    {expenses, EraseStep::Expenses},
                                                    {incomeAccounts, EraseStep::IncomeAccounts},
                                                    {expenseAccounts, EraseStep::ExpenseAccounts},
                                                    {folders, EraseStep::Folders}};
        for (const auto& [given, step] : flags)
            if (given) steps.push_back(step);
        return steps;
    }
};

int RunEraseCommand(const EraseOptions& options) {
    const std::vector<EraseStep> chosen = options.chosen();
    if (chosen.empty()) {
        Complain("erase", QStringLiteral("nothing to erase: name what to erase (see --help)"));
        return 2;
    }
    if (const QString refused = EraseChoiceError(chosen); !refused.isEmpty()) {
        Complain("erase", refused + QStringLiteral("; nothing was erased"));
        return 2;
    }
    DataSession session;
    if (!session.open(options.dir, "erase")) return 2;
    const std::vector<EraseStep> erased = EraseData([&](const EraseQuestion& question) {
        return std::find(chosen.begin(), chosen.end(), question.step) != chosen.end();
    });
    QStringList done, failed;
    for (const EraseQuestion& question : EraseChain()) {
        if (std::find(chosen.begin(), chosen.end(), question.step) == chosen.end()) continue;
        const bool ok = std::find(erased.begin(), erased.end(), question.step) != erased.end();
        (ok ? done : failed) << question.what;
    }
    if (!done.isEmpty())
        std::fprintf(stderr, "kvl-cli erase: erased the %s in %s\n",
                     done.join(QStringLiteral(", the ")).toUtf8().constData(),
                     session.shownDir().toUtf8().constData());
    if (failed.isEmpty()) return 0;
    Complain("erase", QStringLiteral("could not erase the %1").arg(failed.join(", the ")));
    return 1;
}

}  // namespace

Command AddEraseCommand(CLI::App& cli) {
    CLI::App* command = cli.add_subcommand("erase", "empty data tables, such as the sample data");
    auto options = std::make_shared<EraseOptions>();
    command->add_flag("--income", options->income, "erase all income records");
    command->add_flag("--expenses", options->expenses, "erase all expense records");
    command->add_flag("--income-accounts", options->incomeAccounts,
                      "erase the income accounts (needs --income)");
    command->add_flag("--expense-accounts", options->expenseAccounts,
                      "erase the expense accounts (needs --expenses)");
    command->add_flag("--folders", options->folders,
                      "erase the folders (needs --income and --expenses)");
    AddDirOption(*command, options->dir);
    command->footer(
        "Empties the chosen tables at once. The charts and the folders may only go with the\n"
        "records that name them, as the program asks; any other combination is refused and\n"
        "nothing is erased. The settings are never erased.");
    return {command, [options] { return RunEraseCommand(*options); }};
}

}  // namespace kvl::cli
