// kvl-cli: the data store's maintenance without a window. Dispatches to the subcommands.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "data/ProgramExit.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const kvl::cli::Args&);
};

const Command kCommands[] = {{"new", kvl::cli::CmdNew},
                             {"dump", kvl::cli::CmdDump},
                             {"reindex", kvl::cli::CmdReindex},
                             {"pack", kvl::cli::CmdPack},
                             {"check", kvl::cli::CmdCheck}};

void Usage(std::FILE* out) {
    std::fputs(
        "usage: kvl-cli <command> [options]\n"
        "commands:\n"
        "  new DIR [--sample] [--name TEXT]  create a data set\n"
        "  dump TABLE [--tag TAG] [-d DIR]   print a table as the engine sees it\n"
        "  reindex [-d DIR]                  rebuild every index file\n"
        "  pack [-d DIR]                     remove the records marked deleted\n"
        "  check [-d DIR] [--repair]         check the tables and their index files\n"
        "Run 'kvl-cli <command> --help' for the details of a command.\n",
        out);
}

}  // namespace

int main(int argc, char** argv) {
    // An engine failure that ends the program has already shown its message; for a command line
    // it means the input could not be worked on.
    kvl::SetExitHandler([](int code) {
        kvl::RunProgramEndCleanups();
        std::exit(code == 0 ? 0 : 2);
    });
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        Usage(stdout);
        return 0;
    }
    const kvl::cli::Args args(argv + 2, argv + argc);
    for (const Command& command : kCommands) {
        if (name == command.name) {
            const int code = command.run(args);
            kvl::RunProgramEndCleanups();
            return code;
        }
    }
    std::fprintf(stderr, "kvl-cli: unknown command '%s'\n", name.c_str());
    Usage(stderr);
    return 2;
}
