#include "cli/Session.h"

#include <CLI/CLI.hpp>
#include <QDir>
#include <cstdio>

#include "data/Replacement.h"
#include "data/dbFiles.h"

namespace kvl::cli {

CLI::Option* AddDirOption(CLI::App& command, std::string& dir) {
    return command.add_option("-d", dir, "the data directory (default: the current directory)")
        ->type_name("DIR");
}

void Complain(const char* command, const QString& text) {
    std::fprintf(stderr, "kvl-cli %s: %s\n", command, text.toUtf8().constData());
}

QString ExistingDirectory(const std::string& given, const char* command) {
    const QString path = QDir(QString::fromLocal8Bit(given.c_str())).absolutePath();
    if (QDir(path).exists()) return path;
    Complain(command, QStringLiteral("no such directory: %1").arg(QDir::toNativeSeparators(path)));
    return QString();
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
    FinishInterruptedReplacement();
    cb = code4initP();
    started_ = true;
    progress_ = std::make_unique<InstalledProgress>();
    return true;
}

int RunOnDataSet(const std::string& dir, const char* command, const std::function<void()>& work,
                 const char* done) {
    DataSession session;
    if (!session.open(dir, command)) return 2;
    work();
    std::fprintf(stderr, "kvl-cli %s: %s in %s\n", command, done,
                 session.shownDir().toUtf8().constData());
    return 0;
}

}  // namespace kvl::cli
