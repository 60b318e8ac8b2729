// kvl-cli: the data store's maintenance without a window. Declares the commands, parses the
// command line through them and runs the one chosen.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/HelpFormat.h"
#include "data/ProgramExit.h"

namespace {

#define KVL_CLI_LIST_COMMAND(add) kvl::cli::add,
const kvl::cli::AddCommand kCommands[] = {KVL_CLI_COMMANDS(KVL_CLI_LIST_COMMAND)};
#undef KVL_CLI_LIST_COMMAND

// The words the command line could not place, named as a user would: "unknown option '--bogus'".
std::string Unplaced(const CLI::App& app, bool commandChosen) {
    const std::vector<std::string> words = app.remaining(true);
    if (words.empty()) return std::string();
    for (const std::string& word : words)
        if (word.size() > 1 && word[0] == '-') return "unknown option '" + word + "'";
    return (commandChosen ? "unexpected argument '" : "unknown command '") + words.front() + "'";
}

// Help and version go to stdout and exit 0; every other parse error exits 2 with the message
// and the usage line of the command it concerns on stderr.
int ParseFailure(const CLI::App& app, const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    const CLI::App* command = chosen.empty() ? nullptr : chosen.front();
    std::string message =
        dynamic_cast<const CLI::ExtrasError*>(&e) ? Unplaced(app, command != nullptr) : "";
    if (message.empty()) message = e.what();
    const std::string name = command ? "kvl-cli " + command->get_name() : "kvl-cli";
    const CLI::App& shown = command ? *command : app;
    std::cerr << name << ": " << message << "\n"
              << kvl::cli::HelpFormat().make_usage(&shown, name) << "Run '" << name
              << " --help' for more.\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // An engine failure that ends the program has already shown its message; for a command line
    // it means the input could not be worked on.
    kvl::SetExitHandler([](int code) {
        kvl::RunProgramEndCleanups();
        std::exit(code == 0 ? 0 : 2);
    });
    CLI::App app("the data store's maintenance without a window", "kvl-cli");
    app.formatter(std::make_shared<kvl::cli::HelpFormat>());
    app.set_help_flag("-h,--help", "print this help and exit");
    app.set_version_flag("--version", "kvl-cli " KVL_VERSION, "print the version and exit");
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    // At most one command: the words after it are its own, even one that names another command.
    app.require_subcommand(0, 1);
    app.footer("Run 'kvl-cli <command> --help' for the details of a command.");
    std::vector<kvl::cli::Command> commands;
    for (kvl::cli::AddCommand add : kCommands) {
        commands.push_back(add(app));
        commands.back().app->group("Commands");
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return ParseFailure(app, e);
    }
    for (const kvl::cli::Command& command : commands) {
        if (command.app->parsed()) {
            const int code = command.run();
            kvl::RunProgramEndCleanups();
            return code;
        }
    }
    std::cerr << app.help();
    return 2;
}
