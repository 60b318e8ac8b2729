// kvl-cli new: a new data set, empty or with the sample business.
#include <QDir>
#include <cstdio>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "data/DirLock.h"
#include "data/NewDataSet.h"

namespace kvl::cli {

namespace {

// Without a name of their own, the sample books carry the sample firm's.
const char* const kSampleName = "Harbor Lane Landscaping";

void Usage(std::FILE* out) {
    std::fputs(
        "usage: kvl-cli new DIR [--sample] [--name TEXT]\n"
        "  Creates DIR if needed and in it the six tables and their index files.\n"
        "  --sample     fill them with a sample business: about two years of expenses and\n"
        "               income up to today\n"
        "  --name TEXT  the user name shown in the program's caption (with --sample and\n"
        "               no name: the sample firm's name)\n"
        "  Refuses, writing nothing, when DIR already holds any of the six tables.\n",
        out);
}

}  // namespace

int CmdNew(const Args& args) {
    CommandLine cl;
    const bool parsed = cl.parse(args, {"--sample"}, {"--name"});
    if (parsed && cl.help) {
        Usage(stdout);
        return 0;
    }
    if (!parsed || cl.positional.size() != 1 || cl.dir != ".") {
        Usage(stderr);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(cl.positional[0].c_str());
    NewDataSetOptions options;
    options.sample = cl.has("--sample");
    if (const std::string* name = cl.value("--name"))
        options.userName = QString::fromLocal8Bit(name->c_str());
    else if (options.sample)
        options.userName = QString::fromLatin1(kSampleName);

    if (!QDir().mkpath(dir)) {
        Complain(
            "new",
            QStringLiteral("cannot create the directory %1").arg(QDir::toNativeSeparators(dir)));
        return 2;
    }
    DirLock lock;
    if (!lock.acquire(dir)) {
        Complain("new", lock.error());
        return 2;
    }
    QString message;
    if (!CreateDataSet(dir, options, &message)) {
        Complain("new", message);
        return 2;
    }
    std::fprintf(stderr, "kvl-cli new: created %s data set in %s\n",
                 options.sample ? "a sample" : "an empty",
                 QDir::toNativeSeparators(QDir(dir).absolutePath()).toUtf8().constData());
    return 0;
}

}  // namespace kvl::cli
