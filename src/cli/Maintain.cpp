// kvl-cli pack and reindex: the maintenance routines run over a whole data set, as the File
// Maintenance buttons run them.
#include <cstdio>
#include <functional>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "data/Maintenance.h"

namespace kvl::cli {

namespace {

// Parses "[-d DIR]", takes the directory's lock, runs work and says what it did.
int RunOnDataSet(const Args& args, const char* name, const char* usage,
                 const std::function<void()>& work, const char* done) {
    CommandLine cl;
    const bool parsed = cl.parse(args, {}, {});
    if (parsed && cl.help) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (!parsed || !cl.positional.empty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    DataSession session;
    if (!session.open(cl.dir, name)) return 2;
    work();
    std::fprintf(stderr, "kvl-cli %s: %s in %s\n", name, done,
                 session.shownDir().toUtf8().constData());
    return 0;
}

}  // namespace

int CmdPack(const Args& args) {
    return RunOnDataSet(
        args, "pack",
        "usage: kvl-cli pack [-d DIR]\n"
        "  Physically removes the records marked deleted from the five data tables in DIR\n"
        "  (default: the current directory) and rebuilds their index files. A table that\n"
        "  cannot be opened is left as it is.\n",
        [] { PackAll(); }, "packed the data files");
}

int CmdReindex(const Args& args) {
    return RunOnDataSet(
        args, "reindex",
        "usage: kvl-cli reindex [-d DIR]\n"
        "  Rebuilds the index groups and tag files of the five data tables in DIR (default:\n"
        "  the current directory) from the records.\n",
        [] { RebuildIndexes(false); }, "rebuilt the index files");
}

}  // namespace kvl::cli
