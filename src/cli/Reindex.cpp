// kvl-cli reindex: every index group rebuilt from its table.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "data/Maintenance.h"

namespace kvl::cli {

namespace {

void Usage(std::FILE* out) {
    std::fputs(
        "usage: kvl-cli reindex [-d DIR]\n"
        "  Rebuilds the index groups and tag files of the five data tables in DIR (default:\n"
        "  the current directory) from the records.\n",
        out);
}

}  // namespace

int CmdReindex(const Args& args) {
    CommandLine cl;
    const bool parsed = cl.parse(args, {}, {});
    if (parsed && cl.help) {
        Usage(stdout);
        return 0;
    }
    if (!parsed || !cl.positional.empty()) {
        Usage(stderr);
        return 2;
    }
    DataSession session;
    if (!session.open(cl.dir, "reindex")) return 2;
    RebuildIndexes(false);
    std::fprintf(stderr, "kvl-cli reindex: rebuilt the index files in %s\n",
                 session.shownDir().toUtf8().constData());
    return 0;
}

}  // namespace kvl::cli
