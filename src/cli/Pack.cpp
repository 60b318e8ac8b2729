// kvl-cli pack: records marked deleted removed from the five data tables.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "data/Maintenance.h"

namespace kvl::cli {

namespace {

void Usage(std::FILE* out) {
    std::fputs(
        "usage: kvl-cli pack [-d DIR]\n"
        "  Physically removes the records marked deleted from the five data tables in DIR\n"
        "  (default: the current directory) and rebuilds their index files. A table that\n"
        "  cannot be opened is left as it is.\n",
        out);
}

}  // namespace

int CmdPack(const Args& args) {
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
    if (!session.open(cl.dir, "pack")) return 2;
    PackAll();
    std::fprintf(stderr, "kvl-cli pack: packed the data files in %s\n",
                 session.shownDir().toUtf8().constData());
    return 0;
}

}  // namespace kvl::cli
