// File-system helpers shared by the engine: names resolved ignoring case, whole-file writes that
// replace their target atomically (written beside it, synced and renamed), clean-up of temporaries
// left by an interrupted rewrite, and the one place where the engine's files are opened, written,
// synced, renamed and removed, so that a test can make any of those fail on purpose (a full disk, a
// read-only directory or file system).
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/Names.h"
#include "engine/Status.h"

namespace xb {

// The directory part of path ("." when none) and the file name part.
std::string DirOf(const std::string& path);
std::string NameOf(const std::string& path);

// The existing entry of dir whose name equals name ignoring ASCII case, as a full path; when none
// exists, dir/name as given (so a new file is created with the name as written).
std::string ResolvePath(const std::string& dir, std::string_view name);
bool FileExists(const std::string& path);

// The temporary name that a rewrite of target uses beside it. Temporaries follow one pattern
// (".<name>.kvltmp") so that CleanTemporaries can find those of a crashed writer.
std::string TempPathFor(const std::string& target);
// Removes temporaries left in dir by an interrupted rewrite.
void CleanTemporaries(const std::string& dir);

// Renames tmp over target and syncs the directory, so the replacement survives a crash.
Status ReplaceFile(const std::string& tmp, const std::string& target);
Status SyncDir(const std::string& dir);
// Writes a whole file beside target and then gives it target's name, so that a crash leaves the
// old file (or none) or the complete new one under that name, never a part. The file is created
// at TempPathFor(target), filled by write through its descriptor (tmp is its name), synced,
// closed and renamed over target, and the directory is synced. With keepExisting it is linked to
// target instead, which fails ("file exists", e4create) where target exists. Creating the file
// fails with e4create, syncing or closing it with e4write, naming it as ReplaceFile; write's own
// failure is returned as it is. On any failure before the name is taken the file is removed.
Status WriteBeside(const std::string& target,
                   const std::function<Status(int fd, const std::string& tmp)>& write,
                   bool keepExisting = false);

// Writes all of data at offset; EINTR and short writes handled. errno-based message on failure.
Status WriteAt(int fd, const void* data, size_t size, uint64_t offset, const std::string& path);
// With got, a read that meets the end of the file is no error: got tells how many bytes it read.
Status ReadAt(int fd, void* data, size_t size, uint64_t offset, const std::string& path,
              size_t* got = nullptr);
Status FileSize(int fd, uint64_t& size, const std::string& path);
Status SyncFd(int fd, const std::string& path);
// Allocates the file's blocks from offset up to end, making the file that long when it is
// shorter, so that writes there cannot fail for want of space: a write through a mapping has no
// way to report a full disk. Fails (and allocates nothing) where the file system cannot do it and
// whenever a fault plan is installed, so that the caller writes through WriteAt, where the plan
// sees and counts every byte.
Status ReserveSpace(int fd, uint64_t offset, uint64_t end, const std::string& path);

// The system calls the engine makes on its files. Each behaves as the system call it is named
// after (result and errno), except that an installed fault plan can make it fail.
[[nodiscard]] int OpenFile(const std::string& path, int flags, int mode = 0644);
[[nodiscard]] int RenameFile(const std::string& from, const std::string& to);
[[nodiscard]] int LinkFile(const std::string& from, const std::string& to);
int RemoveFile(const std::string& path);

// Deliberate failures, for tests; no plan is installed unless a test installs one. Each limit
// counts the operations of its kind that still succeed after the plan is installed (-1: no
// limit); the rest fail with the given errno as the system would. A write that crosses the byte
// limit writes the bytes that fit and then fails. With growthOnly the limit counts only bytes
// that make a file longer, as on a full disk, where rewriting bytes a file already has succeeds;
// with removalsFree as well, a file removed gives its length back to the limit, as on a real disk.
struct FaultPlan {
    int64_t writeBytes = -1;
    bool growthOnly = false;
    bool removalsFree = false;
    int writeError = ENOSPC;
    int creates = -1;  // opens that may create the file (O_CREAT)
    int createError = ENOSPC;
    int writeOpens = -1;  // existing files opened for writing
    int writeOpenError = EROFS;
    int renames = -1;  // renames and links
    int renameError = EACCES;
    int removes = -1;
    int removeError = EACCES;
    int syncs = -1;
    int syncError = EIO;

    static FaultPlan FullDisk(int64_t bytesLeft);  // growthOnly, ENOSPC
    static FaultPlan ReadOnlyDirectory();          // files may be changed, names not (EACCES)
    static FaultPlan ReadOnlyFileSystem();         // nothing may be written (EROFS)
};
// What the helpers did since the plan was installed (counted only while one is).
struct FaultCounts {
    uint64_t bytesWritten = 0;
    uint64_t bytesGrown = 0;  // of those, bytes past the end of their file
    uint64_t writes = 0;      // calls that wrote
    int creates = 0, writeOpens = 0, renames = 0, removes = 0, syncs = 0;
};
void InstallFaultPlan(const FaultPlan& plan);  // counts start again from zero
void RemoveFaultPlan();
bool FaultPlanInstalled();
FaultCounts FaultCountsSoFar();

}  // namespace xb
