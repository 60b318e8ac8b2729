#include "data/StagedChange.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "data/Maintenance.h"
#include "data/Messages.h"
#include "data/Replacement.h"
#include "data/TableLayouts.h"
#include "data/dbFiles.h"
#include "engine/Files.h"

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

// The copy is opened without a group: it has none until the edit is done.
class NoAutoOpen {
  public:
    NoAutoOpen() : autoOpen_(code4autoOpen(cb, 0)) {}
    ~NoAutoOpen() { code4autoOpen(cb, autoOpen_); }
    NoAutoOpen(const NoAutoOpen&) = delete;
    NoAutoOpen& operator=(const NoAutoOpen&) = delete;

  private:
    int autoOpen_;
};

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

// The engine's pending error as the reason, taken so that it cannot surface later.
QString TakeReason(const QString& fallback) {
    const std::string message = cb->errorMessage();
    const int code = code4errorCode(cb, 0);
    if (code >= 0 || message.empty()) return fallback;
    return QString::fromStdString(xb::Cp1252ToUtf8(message));
}

// Writes the edited copy of the table and its index group into the staging directory.
bool Stage(const Kind& kind, const std::function<bool()>& edit, QString* why) {
    const TableLayout& layout = kind.layout;
    const std::string staged = StagedReplacement::StagedPath(layout.fileName);
    const std::string live = xb::ResolvePath(".", layout.fileName);
    if (xb::Status s = xb::WriteBeside(
            staged, [&](int fd, const std::string& tmp) { return CopyFile(live, fd, tmp); });
        !s) {
        *why = QString::fromStdString(xb::Cp1252ToUtf8(s.message));
        return false;
    }
    DATA4* copy = nullptr;
    {
        NoAutoOpen noGroup;
        copy = d4open(cb, staged.c_str());
    }
    if (!copy || cb->errorCode() < 0) {
        *why = TakeReason(QStringLiteral("cannot open the copy of %1").arg(layout.fileName));
        if (copy) d4close(copy);
        return false;
    }
    kind.bind(copy);
    bool ok = cb->errorCode() >= 0 && edit() && cb->errorCode() >= 0;
    // The close writes the last change and syncs the copy; its failure spoils the copy.
    ok = d4close(copy) >= 0 && ok && cb->errorCode() >= 0;
    kind.live = nullptr;
    if (!ok) {
        *why = TakeReason(QStringLiteral("the change of %1 could not be made")
                              .arg(QString::fromLatin1(layout.fileName)));
        return false;
    }
    return BuildIndexGroupAt(staged, layout, why);
}

}  // namespace

bool ChangeStaged(StagedTable which, const std::function<bool()>& edit, QString* failure) {
    const Kind kind = KindOf(which);
    if (kind.live) {
        d4close(kind.live);
        kind.live = nullptr;
    }
    QString why;
    bool done = false;
    {
        StagedReplacement replacement;
        if (replacement.begin(&why) && Stage(kind, edit, &why)) {
            done = replacement.commit(&why);
            if (!done && replacement.committed()) {
                ShowMessage(MsgKind::Error, why);
                code4exit(cb);
            }
        }
    }
    kind.open();
    if (!done && failure) *failure = why;
    return done;
}

}  // namespace kvl
