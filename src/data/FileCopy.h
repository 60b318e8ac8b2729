// Whole-file copies that never destroy the file they replace.
//
// The bytes go to a temporary name in the target's directory, are synced, and the temporary is
// renamed over the target only when it is complete; a copy that fails removes its temporary and
// leaves the target as it was. Every create, write, sync and rename goes through the engine's file
// layer (engine/Files.h), so a test's fault plan reaches the copy: a full disk, a write-protected
// directory or file system.
#pragma once

#include <string>

namespace kvl {

struct CopyFailure {
    int error = 0;        // errno of the call that failed; 0 when the system reported nothing
    std::string message;  // names the file and the reason
};

// Copies from over to (created when missing). False with the reason in *failure.
bool CopyFileReplacing(const std::string& from, const std::string& to,
                       CopyFailure* failure = nullptr);

// A full disk or quota (ENOSPC, EDQUOT).
bool IsDiskFull(int error);
// A disk that may not be written: a read-only file system (EROFS), or a file or directory the user
// may not write (EACCES, EPERM).
bool IsWriteProtected(int error);

}  // namespace kvl
