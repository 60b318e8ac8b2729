// What every kvl-cli command that works on a data directory needs: its options, and a session
// that enters the directory, holds its writer's lock and runs the program's engine handle.
//
// The program opens tables by bare names in the current directory, so a session makes the data
// directory current for its duration. A session refuses (with a message on stderr naming the
// directory) when the directory is missing, does not hold the six tables, or is locked by
// another writer; the command then exits 2.
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "cli/TerminalProgress.h"
#include "data/DirLock.h"

namespace kvl::cli {

// Parsed "-d DIR", flags and positional arguments. Unknown options make parse() false.
struct CommandLine {
    std::string dir = ".";
    bool help = false;
    std::vector<std::string> flags;                           // given flags, from the allowed list
    std::vector<std::string> positional;                      // other arguments, in order
    std::vector<std::pair<std::string, std::string>> values;  // options with a value

    // allowedFlags: "--sample"; valueOptions: "--name" (each takes the next argument).
    bool parse(const std::vector<std::string>& args, const std::vector<std::string>& allowedFlags,
               const std::vector<std::string>& valueOptions);
    bool has(const std::string& flag) const;
    const std::string* value(const std::string& option) const;
};

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

}  // namespace kvl::cli
