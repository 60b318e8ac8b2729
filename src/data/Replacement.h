// Replacing several files of the data directory as one: all of them or none.
//
// The new files are written under their own names into a staging directory inside the data
// directory (".kvl-staged", on the same file system, so that a rename moves a file). Commit syncs
// them, writes a commit record naming every file and its target, and only then renames each over
// its namesake in the data directory (matched ignoring case). A failure before the commit record
// leaves the data directory untouched and the staging directory is discarded. A process that dies
// after the commit record leaves the rest of the renames to FinishInterruptedReplacement, which the
// start-up of the program and of every writing kvl-cli command runs: it completes a committed
// replacement and discards one that never reached its commit record. So after any crash the next
// start finds the files wholly as before or wholly as after.
//
// Works on the process's current directory (the data directory); the caller holds its lock.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace kvl {

class StagedReplacement {
  public:
    StagedReplacement() = default;
    ~StagedReplacement();  // discards what was not committed
    StagedReplacement(const StagedReplacement&) = delete;
    StagedReplacement& operator=(const StagedReplacement&) = delete;

    // Finishes or discards what an earlier replacement left, then makes an empty staging
    // directory. False with the reason in *why.
    bool begin(QString* why);
    // The path under which the new version of the data directory's file `name` is written.
    static std::string StagedPath(std::string_view name);
    // Every file in the staging directory replaces its namesake. False with the reason in *why:
    // before the commit record nothing has changed; after it the replacement could not be
    // finished now and will be at the next start (the message says which).
    bool commit(QString* why);
    // Removes the staging directory and everything in it, unless it was committed.
    void discard();
    // Whether commit reached its commit record (the data directory then gets the new files).
    bool committed() const { return committed_; }

  private:
    bool active_ = false;
    bool committed_ = false;
};

// Completes a replacement in dir that reached its commit record and discards one that did not;
// first rolls back an append in place that did not finish (data/AppendUndo.h). False when a
// committed replacement could not be completed or an append could not be rolled back (each is
// tried again at the next call).
bool FinishInterruptedReplacement(const std::string& dir = ".");

// The staging directory's name inside the data directory.
inline constexpr const char* kStagingDir = ".kvl-staged";

}  // namespace kvl
