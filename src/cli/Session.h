// What every kvl-cli command that works on a data directory needs: its "-d DIR" option, and a
// session that enters the directory, holds its writer's lock and runs the program's engine handle.
//
// The program opens tables by bare names in the current directory, so a session makes the data
// directory current for its duration. A session refuses (with a message on stderr naming the
// directory) when the directory is missing, does not hold the six tables, or is locked by
// another writer; the command then exits 2. Once it holds the lock it finishes or discards a
// replacement of data files that a writer left, as the program's start does.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "cli/TerminalProgress.h"
#include "data/DirLock.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace kvl::cli {

// Declares "-d DIR" (the data directory; the current directory when not given) on command.
CLI::Option* AddDirOption(CLI::App& command, std::string& dir);

class DataSession {
  public:
    DataSession() = default;
    ~DataSession();
    DataSession(const DataSession&) = delete;
    DataSession& operator=(const DataSession&) = delete;

    // Enters dir, takes its lock, checks for the six tables and starts the engine (kvl::cb).
    bool open(const std::string& dir, const char* command);
    QString shownDir() const { return shownDir_; }

  private:
    QString previousDir_;
    QString shownDir_;
    DirLock lock_;
    bool started_ = false;
    std::unique_ptr<InstalledProgress> progress_;
};

// "kvl-cli <command>: <text>" on stderr.
void Complain(const char* command, const QString& text);

// A directory argument other than the data directory, made absolute before a session enters the
// data directory. Empty (after a complaint) when it does not exist.
QString ExistingDirectory(const std::string& given, const char* command);

// Opens a session on dir for command, runs work and says "kvl-cli <command>: <done> in <dir>".
int RunOnDataSet(const std::string& dir, const char* command, const std::function<void()>& work,
                 const char* done);

}  // namespace kvl::cli
