// kvl-cli check: the integrity of the tables and their index files, and their repair.
#include "data/Check.h"

#include <QDir>
#include <cstdio>

#include "cli/Commands.h"
#include "cli/Session.h"

namespace kvl::cli {

namespace {

void Usage(std::FILE* out) {
    std::fputs(
        "usage: kvl-cli check [-d DIR] [--repair]\n"
        "  Checks the five data tables in DIR (default: the current directory): each table\n"
        "  opens, its group lists its tags, and every tag file is a sound tree with one entry\n"
        "  for each live record under the record's key. Prints one OK line per sound table and\n"
        "  a FAULT line for each fault. Exit status 0 when all are sound, 1 otherwise.\n"
        "  --repair  rebuilds the index files of the faulty tables (taking the directory's\n"
        "            lock), then checks again and exits by that second check. Records are\n"
        "            never changed.\n",
        out);
}

bool Report(const std::vector<TableCheck>& checks) {
    bool sound = true;
    for (const TableCheck& check : checks) {
        sound = sound && check.ok();
        for (const std::string& line : CheckLines(check)) std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
    return sound;
}

}  // namespace

int CmdCheck(const Args& args) {
    CommandLine cl;
    const bool parsed = cl.parse(args, {"--repair"}, {});
    if (parsed && cl.help) {
        Usage(stdout);
        return 0;
    }
    if (!parsed || !cl.positional.empty()) {
        Usage(stderr);
        return 2;
    }
    if (!cl.has("--repair")) {
        // Reading needs no lock: between operations the program keeps no table open.
        const QString dir = QString::fromLocal8Bit(cl.dir.c_str());
        if (!QDir(dir).exists()) {
            Complain("check", QStringLiteral("no such directory: %1")
                                  .arg(QDir::toNativeSeparators(QDir(dir).absolutePath())));
            return 2;
        }
        return Report(CheckDataSet(cl.dir)) ? 0 : 1;
    }
    DataSession session;
    if (!session.open(cl.dir, "check")) return 2;
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

}  // namespace kvl::cli
