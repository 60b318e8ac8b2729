#include "data/StagedChange.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "data/TableLayouts.h"
#include "data/dbFiles.h"
#include "engine/Files.h"
#include "engine/Ntx.h"

namespace kvl {

namespace {

struct Kind {
    const TableLayout& layout;
    void (*bind)(DATA4*);
    bool (*open)();
    DATA4*& live;
};

Kind KindOf(StagedTable which) {
    if (which == StagedTable::Expenses)
        return {ExpenseLayout(), BindExpenseFields, OpenExpenses, dbExpenses};
    return {IncomeLayout(), BindIncomeFields, OpenIncome, dbIncome};
}

// The engine settings a staged copy needs, put back as found on every path: the copy is opened
// without a group (it has none yet) and its group is built in a directory just cleared.
class StagingSettings {
  public:
    StagingSettings() : autoOpen_(code4autoOpen(cb, 0)), safety_(code4safety(cb, 0)) {}
    ~StagingSettings() {
        code4autoOpen(cb, autoOpen_);
        code4safety(cb, safety_);
    }
    StagingSettings(const StagingSettings&) = delete;
    StagingSettings& operator=(const StagingSettings&) = delete;

  private:
    int autoOpen_, safety_;
};

std::string StagePath(const std::string& name) {
    return std::string(kStagingDir) + "/" + name;
}

xb::Status CopyFile(const std::string& from, int to, const std::string& toName) {
    const int in = xb::OpenFile(from, O_RDONLY | O_CLOEXEC);
    if (in < 0) return xb::Status::Error(xb::e4open, from + ": " + std::strerror(errno));
    uint64_t size = 0;
    xb::Status s = xb::FileSize(in, size, from);
    std::vector<char> buffer(1 << 20);
    for (uint64_t at = 0; s && at < size;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - at));
        s = xb::ReadAt(in, buffer.data(), n, at, from);
        if (s) s = xb::WriteAt(to, buffer.data(), n, at, toName);
        at += n;
    }
    ::close(in);
    return s;
}

// The engine's pending error as the reason, taken so it cannot surface later; fallback when
// the engine has none.
QString TakeReason(const QString& fallback) {
    const std::string message = cb->errorMessage();
    const int code = code4errorCode(cb, 0);
    if (code >= 0 || message.empty()) return fallback;
    return QString::fromStdString(xb::Cp1252ToUtf8(message));
}

QString Reason(const xb::Status& s) {
    return QString::fromStdString(xb::Cp1252ToUtf8(s.message));
}

// Builds the staged copy, edited and with its index group, in the staging directory. The copy is
// closed on return.
bool BuildCopy(const Kind& kind, const std::function<bool()>& edit, QString* failure) {
    const TableLayout& layout = kind.layout;
    if (::mkdir(kStagingDir, 0755) != 0) {
        *failure = QStringLiteral("cannot create %1: %2")
                       .arg(QString::fromLatin1(kStagingDir),
                            QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    const std::string livePath = xb::ResolvePath(".", layout.fileName);
    const std::string copyPath = StagePath(layout.fileName);
    if (xb::Status s = xb::WriteBeside(
            copyPath, [&](int fd, const std::string& tmp) { return CopyFile(livePath, fd, tmp); });
        !s) {
        *failure = Reason(s);
        return false;
    }
    StagingSettings settings;
    DATA4* copy = d4open(cb, copyPath.c_str());
    if (!copy || cb->errorCode() < 0) {
        *failure = TakeReason(QStringLiteral("cannot open the copy of %1").arg(layout.fileName));
        if (copy) d4close(copy);
        return false;
    }
    kind.bind(copy);
    bool ok = cb->errorCode() >= 0 && edit() && cb->errorCode() >= 0;
    if (ok) {
        const std::vector<TAG4INFO> tags = TagInfoList(layout);
        ok = i4create(copy, layout.group, tags.data()) >= 0 && cb->errorCode() >= 0;
    }
    // The close writes the last change and syncs the copy; its failure spoils the copy.
    ok = d4close(copy) >= 0 && ok && cb->errorCode() >= 0;
    kind.live = nullptr;
    if (!ok) {
        *failure = TakeReason(QStringLiteral("the change of %1 could not be made")
                                  .arg(QString::fromLatin1(layout.fileName)));
        return false;
    }
    if (xb::Status s = xb::SyncDir(kStagingDir); !s) {
        *failure = Reason(s);
        return false;
    }
    return true;
}

// Builds the live table's group afresh where it is, leaving the other open tables alone. A failure
// leaves the marked tags to the start-up rebuild.
void RebuildInPlace(const TableLayout& layout) {
    StagingSettings settings;
    if (DATA4* table = d4open(cb, layout.name)) {
        const std::vector<TAG4INFO> tags = TagInfoList(layout);
        i4create(table, layout.group, tags.data());
        d4close(table);
    }
    code4errorCode(cb, 0);
}

// Puts the staged copy in place. False, with every live file as it was, when the table could not
// be replaced; once it is, a tag that cannot be moved in is rebuilt where it is.
bool PutInPlace(const TableLayout& layout, QString* failure) {
    std::vector<std::string> marked;
    auto unmark = [&] {
        for (const std::string& p : marked) (void)xb::NtxIndex::setChangingMark(p, false);
    };
    for (const TagLayout& tag : layout.tags) {
        const std::string live = xb::ResolvePath(".", tag.fileName());
        if (!xb::FileExists(live)) continue;
        if (xb::Status s = xb::NtxIndex::setChangingMark(live, true); !s) {
            unmark();
            *failure = Reason(s);
            return false;
        }
        marked.push_back(live);
    }
    const std::string liveTable = xb::ResolvePath(".", layout.fileName);
    if (xb::RenameFile(xb::ResolvePath(kStagingDir, layout.fileName), liveTable) != 0) {
        *failure = QStringLiteral("cannot replace %1: %2")
                       .arg(QString::fromStdString(liveTable),
                            QString::fromLocal8Bit(std::strerror(errno)));
        unmark();
        return false;
    }
    bool tagsInPlace = xb::SyncDir(".").ok();
    for (const TagLayout& tag : layout.tags) {
        const std::string staged = xb::ResolvePath(kStagingDir, tag.fileName());
        if (xb::RenameFile(staged, xb::ResolvePath(".", tag.fileName())) != 0) tagsInPlace = false;
    }
    const std::string stagedGroup =
        xb::ResolvePath(kStagingDir, std::string(layout.group) + ".cgp");
    if (xb::RenameFile(stagedGroup, xb::ResolvePath(".", layout.groupFile)) != 0)
        tagsInPlace = false;
    tagsInPlace = xb::SyncDir(".").ok() && tagsInPlace;
    if (!tagsInPlace) RebuildInPlace(layout);
    return true;
}

}  // namespace

void ClearStaging() {
    if (DIR* d = ::opendir(kStagingDir)) {
        std::vector<std::string> names;
        while (dirent* e = ::readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(d);
        for (const std::string& n : names) xb::RemoveFile(StagePath(n));
        ::rmdir(kStagingDir);
    }
}

bool ChangeStaged(StagedTable which, const std::function<bool()>& edit, QString* failure) {
    const Kind kind = KindOf(which);
    if (kind.live) {
        d4close(kind.live);
        kind.live = nullptr;
    }
    ClearStaging();
    QString reason;
    const bool done = BuildCopy(kind, edit, &reason) && PutInPlace(kind.layout, &reason);
    ClearStaging();
    kind.open();
    if (!done && failure) *failure = reason;
    return done;
}

}  // namespace kvl
