#include "data/StagedChange.h"

#include <fcntl.h>
#include <unistd.h>

#include <QStringList>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "data/AppendUndo.h"
#include "data/Maintenance.h"
#include "data/Messages.h"
#include "data/Replacement.h"
#include "data/TableLayouts.h"
#include "data/dbFiles.h"
#include "engine/CodePage.h"
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
    for (uint64_t at = 0; s.ok() && at < size;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - at));
        s = xb::ReadAt(in, buffer.data(), n, at, from);
        if (s.ok()) s = xb::WriteAt(to, buffer.data(), n, at, toName);
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

// One table of the change: its kind and its copy in the staging directory.
struct Staged {
    Kind kind;
    std::string path;
    DATA4* copy = nullptr;
};

// Copies the live table into the staging directory and opens the copy, bound to the program's
// handles in place of the live table.
bool OpenCopy(Staged& table, QString* why) {
    const char* name = table.kind.layout.fileName;
    if (xb::Status s = xb::WriteBeside(table.path,
                                       [&](int fd, const std::string& tmp) {
                                           return CopyFile(xb::ResolvePath(".", name), fd, tmp);
                                       });
        !s.ok()) {
        *why = QString::fromStdString(xb::Cp1252ToUtf8(s.message));
        return false;
    }
    {
        NoAutoOpen noGroup;
        table.copy = d4open(cb, table.path.c_str());
    }
    if (!table.copy || cb->errorCode() < 0) {
        *why = TakeReason(QStringLiteral("cannot open the copy of %1").arg(name));
        return false;
    }
    table.kind.bind(table.copy);
    return true;
}

// Writes the edited copies of the tables and their index groups into the staging directory.
bool Stage(std::vector<Staged>& tables, const std::function<bool()>& edit, QString* why) {
    bool opened = true;
    for (Staged& table : tables) {
        opened = OpenCopy(table, why);
        if (!opened) break;
    }
    bool ok = opened && cb->errorCode() >= 0 && edit() && cb->errorCode() >= 0;
    QStringList names;
    for (Staged& table : tables) {
        // The close writes the last change and syncs the copy; its failure spoils the copy.
        if (table.copy) ok = d4close(table.copy) >= 0 && ok;
        table.copy = nullptr;
        table.kind.live = nullptr;
        names << QString::fromLatin1(table.kind.layout.fileName);
    }
    if (!opened) {
        code4errorCode(cb, 0);
        return false;
    }
    if (!ok || cb->errorCode() < 0) {
        *why = TakeReason(QStringLiteral("the change of %1 could not be made")
                              .arg(names.join(QStringLiteral(" and "))));
        return false;
    }
    for (const Staged& table : tables) {
        if (!BuildIndexGroupAt(table.path, table.kind.layout, why)) return false;
    }
    return true;
}

// Appends in place under an undo record. On failure the tables are closed, cut back and their
// tags rebuilt, as the next start would do after a crash.
bool AppendInPlace(const std::vector<Staged>& tables, const std::function<bool()>& edit,
                   QString* why) {
    if (!FinishInterruptedReplacement(".")) {
        *why = QStringLiteral("an earlier change of the data files could not be finished");
        return false;
    }
    std::vector<const TableLayout*> layouts;
    for (const Staged& table : tables) layouts.push_back(&table.kind.layout);
    AppendUndo undo;
    if (!undo.begin(layouts, why)) return false;
    for (const Staged& table : tables) table.kind.open();
    bool ok = cb->errorCode() >= 0 && edit() && cb->errorCode() >= 0;
    // The close writes the last record and syncs table and tags.
    for (const Staged& table : tables) {
        ok = d4close(table.kind.live) >= 0 && ok;
        table.kind.live = nullptr;
    }
    if (ok && cb->errorCode() >= 0 && undo.commit(why)) return true;
    if (why->isEmpty()) *why = TakeReason(QStringLiteral("the records could not be added"));
    code4errorCode(cb, 0);
    QString undoWhy;
    if (!undo.rollBack(&undoWhy)) {
        ShowMessage(MsgKind::Error, QStringLiteral("The records added could not be taken back "
                                                   "(%1); they will be when the program next "
                                                   "starts.")
                                        .arg(undoWhy));
        code4exit(cb);
    }
    return false;
}

}  // namespace

bool ChangeStaged(const std::vector<StagedTable>& which, const std::function<bool()>& edit,
                  QString* failure, StagedEdit editKind) {
    std::vector<Staged> tables;
    for (StagedTable t : which) {
        const Kind kind = KindOf(t);
        if (kind.live) {
            // Its failure stays pending in the engine; the staged copy starts from the file.
            (void)d4close(kind.live);
            kind.live = nullptr;
        }
        tables.push_back({kind, StagedReplacement::StagedPath(kind.layout.fileName)});
    }
    QString why;
    bool done = false;
    if (editKind == StagedEdit::AppendOnly) {
        done = AppendInPlace(tables, edit, &why);
    } else {
        StagedReplacement replacement;
        if (replacement.begin(&why) && Stage(tables, edit, &why)) {
            done = replacement.commit(&why);
            if (!done && replacement.committed()) {
                ShowMessage(MsgKind::Error, why);
                code4exit(cb);
            }
        }
    }
    for (const Staged& table : tables) table.kind.open();
    if (!done && failure) *failure = why;
    return done;
}

bool ChangeStaged(StagedTable which, const std::function<bool()>& edit, QString* failure) {
    return ChangeStaged(std::vector<StagedTable>{which}, edit, failure);
}

}  // namespace kvl
