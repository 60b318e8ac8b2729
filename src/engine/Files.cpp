#include "engine/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace xb {

namespace {

std::string Join(const std::string& dir, std::string_view name) {
    if (dir.empty() || dir == ".") return std::string(name);
    std::string p = dir;
    if (p.back() != '/') p += '/';
    p.append(name);
    return p;
}

// Leaves errno as it found it, so that a caller can still tell a full disk from a read-only one.
Status ErrnoStatus(int code, const char* what, const std::string& path) {
    const int err = errno;
    Status s = Status::Error(code, std::string(what) + " " + path + ": " + std::strerror(err));
    errno = err;
    return s;
}

constexpr std::string_view kTempSuffix = ".kvltmp";

// The installed fault plan (tests only) and what the helpers did under it.
struct FaultState {
    bool on = false;
    FaultPlan plan;
    FaultCounts counts;
};
FaultState gFaults;  // constant-initialised: no guard on the write path
inline FaultState& Faults() {
    return gFaults;
}

// Counts one operation against its limit; false (errno set) when the plan makes it fail.
bool Allowed(int limit, int& count, int error) {
    if (limit >= 0 && count >= limit) {
        errno = error;
        return false;
    }
    ++count;
    return true;
}

}  // namespace

FaultPlan FaultPlan::FullDisk(int64_t bytesLeft) {
    FaultPlan p;
    p.writeBytes = bytesLeft;
    p.growthOnly = true;
    return p;
}

FaultPlan FaultPlan::ReadOnlyDirectory() {
    FaultPlan p;
    p.creates = p.renames = p.removes = 0;
    p.createError = p.renameError = p.removeError = EACCES;
    return p;
}

FaultPlan FaultPlan::ReadOnlyFileSystem() {
    FaultPlan p;
    p.writeBytes = 0;
    p.creates = p.writeOpens = p.renames = p.removes = 0;
    p.writeError = p.createError = p.writeOpenError = p.renameError = p.removeError = EROFS;
    return p;
}

void InstallFaultPlan(const FaultPlan& plan) {
    Faults() = FaultState{true, plan, {}};
}

void RemoveFaultPlan() {
    Faults() = FaultState{};
}

bool FaultPlanInstalled() {
    return Faults().on;
}

FaultCounts FaultCountsSoFar() {
    return Faults().counts;
}

int OpenFile(const std::string& path, int flags, int mode) {
    FaultState& f = Faults();
    if (f.on) {
        if (flags & O_CREAT) {
            if (!Allowed(f.plan.creates, f.counts.creates, f.plan.createError)) return -1;
        } else if ((flags & O_ACCMODE) != O_RDONLY) {
            if (!Allowed(f.plan.writeOpens, f.counts.writeOpens, f.plan.writeOpenError)) return -1;
        }
    }
    int fd;
    do {
        fd = ::open(path.c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int RenameFile(const std::string& from, const std::string& to) {
    FaultState& f = Faults();
    if (f.on && !Allowed(f.plan.renames, f.counts.renames, f.plan.renameError)) return -1;
    return ::rename(from.c_str(), to.c_str());
}

int LinkFile(const std::string& from, const std::string& to) {
    FaultState& f = Faults();
    if (f.on && !Allowed(f.plan.renames, f.counts.renames, f.plan.renameError)) return -1;
    return ::link(from.c_str(), to.c_str());
}

int RemoveFile(const std::string& path) {
    FaultState& f = Faults();
    if (f.on && !Allowed(f.plan.removes, f.counts.removes, f.plan.removeError)) return -1;
    struct stat st {};
    const bool frees = f.on && f.plan.removalsFree && f.plan.growthOnly && f.plan.writeBytes >= 0 &&
                       ::stat(path.c_str(), &st) == 0;
    const int rc = ::unlink(path.c_str());
    // Another name of the file keeps its blocks.
    if (rc == 0 && frees && st.st_nlink == 1) f.plan.writeBytes += st.st_size;
    return rc;
}

std::string DirOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ResolvePath(const std::string& dir, std::string_view name) {
    std::string exact = Join(dir, name);
    struct stat st;
    if (::stat(exact.c_str(), &st) == 0) return exact;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return exact;
    std::string found;
    while (dirent* e = ::readdir(d)) {
        if (SameIgnoringCase(e->d_name, name)) {
            found = Join(dir, e->d_name);
            break;
        }
    }
    ::closedir(d);
    return found.empty() ? exact : found;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string TempPathFor(const std::string& target) {
    std::string name(1, '.');
    name += NameOf(target);
    name += kTempSuffix;
    return Join(DirOf(target), name);
}

void CleanTemporaries(const std::string& dir) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return;
    std::vector<std::string> doomed;
    while (dirent* e = ::readdir(d)) {
        std::string_view n = e->d_name;
        if (n.size() > kTempSuffix.size() + 1 && n[0] == '.' &&
            n.substr(n.size() - kTempSuffix.size()) == kTempSuffix)
            doomed.push_back(Join(dir, n));
    }
    ::closedir(d);
    for (const auto& p : doomed) RemoveFile(p);
}

Status SyncDir(const std::string& dir) {
    int fd = OpenFile(dir.empty() ? "." : dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return ErrnoStatus(e4write, "cannot open directory", dir);
    FaultState& f = Faults();
    int rc = f.on && !Allowed(f.plan.syncs, f.counts.syncs, f.plan.syncError) ? -1 : ::fsync(fd);
    int err = errno;
    ::close(fd);
    errno = err;
    // Some file systems refuse fsync on directories; the rename itself has still happened.
    if (rc != 0 && errno != EINVAL && errno != EROFS)
        return ErrnoStatus(e4write, "cannot sync", dir);
    return Status::Ok();
}

Status ReplaceFile(const std::string& tmp, const std::string& target) {
    if (RenameFile(tmp, target) != 0) {
        Status s = ErrnoStatus(e4write, "cannot replace", target);
        const int err = errno;
        RemoveFile(tmp);
        errno = err;
        return s;
    }
    return SyncDir(DirOf(target));
}

Status WriteBeside(const std::string& target,
                   const std::function<Status(int fd, const std::string& tmp)>& write,
                   bool keepExisting) {
    const std::string tmp = TempPathFor(target);
    int fd = OpenFile(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return Status::Error(e4create, target + ": " + std::strerror(errno));
    Status s = write(fd, tmp);
    if (s.ok()) s = SyncFd(fd, target);
    if (::close(fd) != 0 && s.ok()) s = ErrnoStatus(e4write, "cannot close", target);
    if (!s.ok()) {
        RemoveFile(tmp);
        return s;
    }
    if (!keepExisting) return ReplaceFile(tmp, target);
    // link() fails when the name exists, which rename() would silently replace.
    if (LinkFile(tmp, target) != 0) {
        const int err = errno;
        RemoveFile(tmp);
        return Status::Error(e4create,
                             target + ": " + (err == EEXIST ? "file exists" : std::strerror(err)));
    }
    RemoveFile(tmp);
    return SyncDir(DirOf(target));
}

Status WriteAt(int fd, const void* data, size_t size, uint64_t offset, const std::string& path) {
    const char* p = static_cast<const char*>(data);
    FaultState& f = Faults();
    size_t refused = 0;  // the tail that the fault plan keeps from being written
    if (f.on) {
        // Bytes of this write that lie inside the file as it is now.
        size_t inside = 0;
        struct stat st;
        if (::fstat(fd, &st) == 0 && offset < static_cast<uint64_t>(st.st_size))
            inside = static_cast<size_t>(
                std::min<uint64_t>(size, static_cast<uint64_t>(st.st_size) - offset));
        const uint64_t used = f.plan.growthOnly ? f.counts.bytesGrown : f.counts.bytesWritten;
        const size_t counted = f.plan.growthOnly ? size - inside : size;
        if (f.plan.writeBytes >= 0) {
            const uint64_t limit = static_cast<uint64_t>(f.plan.writeBytes);
            const uint64_t left = limit > used ? limit - used : 0;
            if (left < counted) refused = counted - static_cast<size_t>(left);
        }
        f.counts.bytesWritten += size - refused;
        ++f.counts.writes;
        f.counts.bytesGrown += size - refused > inside ? size - refused - inside : 0;
    }
    size -= refused;
    while (size > 0) {
        ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return ErrnoStatus(e4write, "cannot write", path);
        }
        if (n == 0) {
            errno = ENOSPC;
            return ErrnoStatus(e4write, "cannot write", path);
        }
        p += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    if (refused > 0) {
        errno = f.plan.writeError;
        return ErrnoStatus(e4write, "cannot write", path);
    }
    return Status::Ok();
}

Status ReadAt(int fd, void* data, size_t size, uint64_t offset, const std::string& path,
              size_t* got) {
    char* p = static_cast<char*>(data);
    if (got) *got = 0;
    while (size > 0) {
        ssize_t n = ::pread(fd, p, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return ErrnoStatus(e4read, "cannot read", path);
        }
        if (n == 0) {
            if (got) break;
            return Status::Error(e4read, "unexpected end of file in " + path);
        }
        p += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
        if (got) *got += static_cast<size_t>(n);
    }
    return Status::Ok();
}

Status FileSize(int fd, uint64_t& size, const std::string& path) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return ErrnoStatus(e4read, "cannot examine", path);
    size = static_cast<uint64_t>(st.st_size);
    return Status::Ok();
}

Status ReserveSpace(int fd, uint64_t offset, uint64_t end, const std::string& path) {
    FaultState& f = Faults();
    if (f.on) {
        errno = f.plan.writeError;
        return ErrnoStatus(e4write, "cannot reserve space in", path);
    }
    if (end <= offset) return Status::Ok();
    if (::fallocate(fd, 0, static_cast<off_t>(offset), static_cast<off_t>(end - offset)) != 0)
        return ErrnoStatus(e4write, "cannot reserve space in", path);
    return Status::Ok();
}

Status SyncFd(int fd, const std::string& path) {
    FaultState& f = Faults();
    if (f.on && !Allowed(f.plan.syncs, f.counts.syncs, f.plan.syncError))
        return ErrnoStatus(e4write, "cannot sync", path);
    if (::fsync(fd) != 0) return ErrnoStatus(e4write, "cannot sync", path);
    return Status::Ok();
}

}  // namespace xb
