#include "data/Replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "data/AppendUndo.h"
#include "engine/Files.h"

namespace kvl {

namespace {

// Its presence in the staging directory is the commit point. It is written under a temporary
// name and renamed, so it is either absent or whole.
constexpr const char* kCommitRecord = "COMMIT";
constexpr const char* kCommitText = "KVL-REPLACE 1\n";

std::string Join(const std::string& dir, std::string_view name) {
    if (dir.empty() || dir == ".") return std::string(name);
    std::string path = dir;
    if (path.back() != '/') path += '/';
    path.append(name);
    return path;
}

std::string StagingOf(const std::string& dir) {
    return Join(dir, kStagingDir);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString SystemText(const std::string& what, int error) {
    return QString::fromStdString(what + ": " + std::strerror(error));
}

// The staged files: everything but the commit record and the temporaries of unfinished writes
// (whose names begin with a dot), in name order.
std::vector<std::string> StagedNames(const std::string& staging) {
    std::vector<std::string> names;
    DIR* d = ::opendir(staging.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.empty() || name[0] == '.' || name == kCommitRecord) continue;
        if (xb::FileExists(Join(staging, name))) names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

bool RemoveStaging(const std::string& staging) {
    if (DIR* d = ::opendir(staging.c_str())) {
        std::vector<std::string> doomed;
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") doomed.push_back(Join(staging, name));
        }
        ::closedir(d);
        // The commit record goes last, so a staging directory that could not be emptied is never
        // left looking committed with some of its files gone.
        std::stable_partition(doomed.begin(), doomed.end(),
                              [](const std::string& p) { return xb::NameOf(p) != kCommitRecord; });
        for (const std::string& path : doomed) xb::RemoveFile(path);
    }
    return ::rmdir(staging.c_str()) == 0 || errno == ENOENT;
}

// Renames every staged file over its namesake in dir. Files already moved are no longer staged,
// so running this again after an interruption finishes the rest.
bool MoveStaged(const std::string& dir, QString* why) {
    const std::string staging = StagingOf(dir);
    for (const std::string& name : StagedNames(staging)) {
        const std::string target = xb::ResolvePath(dir, name);
        if (xb::RenameFile(Join(staging, name), target) != 0) {
            if (why) *why = SystemText("cannot replace " + target, errno);
            return false;
        }
    }
    if (xb::Status s = xb::SyncDir(dir); !s.ok()) {
        if (why) *why = QString::fromStdString(s.message);
        return false;
    }
    return true;
}

bool SyncFile(const std::string& path, QString* why) {
    const int fd = xb::OpenFile(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (why) *why = SystemText("cannot open " + path, errno);
        return false;
    }
    xb::Status s = xb::SyncFd(fd, path);
    ::close(fd);
    if (!s.ok() && why) *why = QString::fromStdString(s.message);
    return s.ok();
}

bool WriteCommitRecord(const std::string& staging, QString* why) {
    const std::string record = Join(staging, kCommitRecord);
    const std::string tmp = xb::TempPathFor(record);
    const int fd = xb::OpenFile(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (why) *why = SystemText("cannot create " + record, errno);
        return false;
    }
    const std::string text = kCommitText;
    xb::Status s = xb::WriteAt(fd, text.data(), text.size(), 0, record);
    if (s.ok()) s = xb::SyncFd(fd, record);
    ::close(fd);
    if (s.ok())
        s = xb::ReplaceFile(tmp, record);
    else
        xb::RemoveFile(tmp);
    if (!s.ok() && why) *why = QString::fromStdString(s.message);
    return s.ok();
}

}  // namespace

bool FinishInterruptedReplacement(const std::string& dir) {
    const std::string staging = StagingOf(dir);
    if (!IsDirectory(staging)) return true;
    // An append left unfinished is taken back first; until it is, nothing else may happen here.
    if (!RollBackInterruptedAppend(dir)) return false;
    if (xb::FileExists(Join(staging, kCommitRecord)) && !MoveStaged(dir, nullptr)) return false;
    RemoveStaging(staging);
    return true;
}

StagedReplacement::~StagedReplacement() {
    discard();
}

bool StagedReplacement::begin(QString* why) {
    const std::string staging = StagingOf(".");
    if (!FinishInterruptedReplacement(".")) {
        if (why)
            *why = QStringLiteral("an earlier replacement of the data files could not be finished");
        return false;
    }
    if (::mkdir(staging.c_str(), 0755) != 0) {
        if (why) *why = SystemText("cannot create the directory " + staging, errno);
        return false;
    }
    active_ = true;
    return true;
}

std::string StagedReplacement::StagedPath(std::string_view name) {
    return Join(StagingOf("."), name);
}

bool StagedReplacement::commit(QString* why) {
    const std::string staging = StagingOf(".");
    for (const std::string& name : StagedNames(staging)) {
        if (!SyncFile(Join(staging, name), why)) return false;
    }
    if (!WriteCommitRecord(staging, why)) return false;
    // From here on the replacement belongs to the data directory: it is finished now or at the
    // next start, never thrown away.
    active_ = false;
    committed_ = true;
    QString failure;
    if (!MoveStaged(".", &failure)) {
        if (why)
            *why = failure + QStringLiteral(
                                 "; the replacement will be finished when the program next starts");
        return false;
    }
    RemoveStaging(staging);
    return true;
}

void StagedReplacement::discard() {
    if (active_) RemoveStaging(StagingOf("."));
    active_ = false;
}

}  // namespace kvl
