// File-system helpers shared by the engine: names resolved ignoring case, whole-file writes that
// replace their target atomically, and clean-up of temporaries left by an interrupted rewrite.
#pragma once

#include <string>
#include <string_view>

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

// Writes all of data at offset; EINTR and short writes handled. errno-based message on failure.
Status WriteAt(int fd, const void* data, size_t size, uint64_t offset, const std::string& path);
Status ReadAt(int fd, void* data, size_t size, uint64_t offset, const std::string& path);
Status FileSize(int fd, uint64_t& size, const std::string& path);
Status SyncFd(int fd, const std::string& path);

// Windows-1252 and UTF-8. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D map to the same code points (C1)
// so that any byte survives a round trip; code points that Windows-1252 lacks become '?'.
std::string Cp1252ToUtf8(std::string_view text);
std::string Utf8ToCp1252(std::string_view text);

}  // namespace xb
