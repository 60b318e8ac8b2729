// One writer per data directory.
//
// A writer holds an advisory lock (flock) on the file "kvl.lock" in the data directory for as
// long as it works there. The kernel releases the lock when the holder closes it or dies, so a
// crash never leaves a directory locked. A second process, or a second DirLock in the same
// process, is refused with a message that names the directory. The lock keeps out only programs
// that ask for it (kvl and every writing kvl-cli command); it does not stop readers.
#pragma once

#include <QString>

namespace kvl {

class DirLock {
  public:
    DirLock() = default;
    ~DirLock();
    DirLock(const DirLock&) = delete;
    DirLock& operator=(const DirLock&) = delete;

    // Takes the lock of dir without waiting. False when another holder has it or the lock file
    // cannot be opened; error() then says why, naming the directory.
    bool acquire(const QString& dir);
    void release();
    bool held() const { return fd_ >= 0; }
    const QString& error() const { return error_; }

  private:
    int fd_ = -1;
    QString error_;
};

// The process's own lock on its data directory, kept until UnlockDataDirectory or the end of the
// program (it is registered with AtProgramEnd). False, with the reason in *message, when refused.
bool LockDataDirectory(const QString& dir, QString* message);
void UnlockDataDirectory();

}  // namespace kvl
