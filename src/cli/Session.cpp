#include "cli/Session.h"

#include <QDir>
#include <algorithm>
#include <cstdio>

#include "data/dbFiles.h"

namespace kvl::cli {

bool CommandLine::parse(const std::vector<std::string>& args,
                        const std::vector<std::string>& allowedFlags,
                        const std::vector<std::string>& valueOptions) {
    auto listed = [](const std::vector<std::string>& list, const std::string& a) {
        return std::find(list.begin(), list.end(), a) != list.end();
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "-d" || listed(valueOptions, a)) {
            if (i + 1 >= args.size()) return false;
            if (a == "-d")
                dir = args[++i];
            else
                values.emplace_back(a, args[++i]);
        } else if (listed(allowedFlags, a)) {
            flags.push_back(a);
        } else if (a.size() > 1 && a[0] == '-') {
            return false;
        } else {
            positional.push_back(a);
        }
    }
    return true;
}

bool CommandLine::has(const std::string& flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

const std::string* CommandLine::value(const std::string& option) const {
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
        if (it->first == option) return &it->second;
    }
    return nullptr;
}

void Complain(const char* command, const QString& text) {
    std::fprintf(stderr, "kvl-cli %s: %s\n", command, text.toUtf8().constData());
}

DataSession::~DataSession() {
    progress_.reset();
    if (started_) {
        code4initUndoP(cb);
        cb = nullptr;
    }
    lock_.release();
    if (!previousDir_.isEmpty()) QDir::setCurrent(previousDir_);
}

bool DataSession::open(const std::string& dir, const char* command) {
    const QString path = QString::fromLocal8Bit(dir.c_str());
    shownDir_ = QDir::toNativeSeparators(QDir(path).absolutePath());
    if (!QDir(path).exists()) {
        Complain(command, QStringLiteral("no such directory: %1").arg(shownDir_));
        return false;
    }
    previousDir_ = QDir::currentPath();
    if (!QDir::setCurrent(path)) {
        Complain(command, QStringLiteral("cannot enter %1").arg(shownDir_));
        previousDir_.clear();
        return false;
    }
    // Checked before locking, so that a mistyped directory is not left holding a lock file.
    if (!CheckDataFiles()) {
        Complain(command,
                 QStringLiteral("%1 does not hold the six tables of a data set").arg(shownDir_));
        return false;
    }
    if (!lock_.acquire(QStringLiteral("."))) {
        Complain(command, lock_.error());
        return false;
    }
    cb = code4initP();
    started_ = true;
    progress_ = std::make_unique<InstalledProgress>();
    return true;
}

}  // namespace kvl::cli
