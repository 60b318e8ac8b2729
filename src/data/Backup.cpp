#include "data/Backup.h"

#include <QFile>
#include <string>

#include "data/Check.h"
#include "data/FileCopy.h"
#include "data/Maintenance.h"
#include "data/Messages.h"
#include "data/Progress.h"
#include "data/Replacement.h"
#include "data/TableLayouts.h"
#include "data/Volumes.h"
#include "engine/Files.h"

namespace kvl {

namespace {

struct Step {
    const TableLayout& table;
    int progress;  // before its copy
};

const std::vector<Step>& Steps() {
    static const std::vector<Step> steps{{ExpenseAccountLayout(), 10},
                                         {IncomeAccountLayout(), 30},
                                         {FolderLayout(), 40},
                                         {ExpenseLayout(), 50},
                                         {IncomeLayout(), 90}};
    return steps;
}

enum class Outcome {
    Copied,
    Cancelled,  // the user said Cancel
    Told,       // failed, and a message has said why
    Failed,     // failed; the reason is in why
};

std::string Local(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString Shown(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

bool AnsweredOk(const QString& question) {
    return ShowMessage(MsgKind::InformationOkCancel, question) == MsgAnswer::Ok;
}

QString BackupName(const TableLayout& table) {
    return QString::fromLatin1(table.name) + QStringLiteral(".bak");
}

Outcome NotFound(const std::string& path, QString& why) {
    ShowMessage(MsgKind::Information, QStringLiteral("Unable to find ") + Shown(path) +
                                          QStringLiteral("\r\n") +
                                          QStringLiteral("Function Aborted"));
    why = QStringLiteral("cannot find ") + Shown(path);
    return Outcome::Told;
}

Outcome BackupOne(const QString& dir, const TableLayout& table, QString& why) {
    const std::string source = xb::ResolvePath(".", table.fileName);
    if (!xb::FileExists(source)) return NotFound(source, why);
    const QString name = BackupName(table);
    for (;;) {
        // Looked up again after every question: another disk may hold another spelling.
        const std::string target = xb::ResolvePath(Local(dir), Local(name));
        CopyFailure failure;
        if (CopyFileReplacing(source, target, &failure)) return Outcome::Copied;
        why = Shown(failure.message);
        QString question;
        if (IsDiskFull(failure.error))
            question = QStringLiteral("Disk Full. Insert another disk.") + name;
        else if (IsWriteProtected(failure.error))
            question = QStringLiteral("Disk is Write Protected");
        else
            return Outcome::Failed;
        if (!AnsweredOk(question)) return Outcome::Cancelled;
    }
}

Outcome RestoreOne(const QString& dir, const TableLayout& table, QString& why) {
    const QString name = BackupName(table);
    std::string source;
    for (;;) {
        source = xb::ResolvePath(Local(dir), Local(name));
        if (xb::FileExists(source)) break;
        if (!OnRemovableVolume(dir)) return NotFound(source, why);
        if (!AnsweredOk(QStringLiteral("Insert disk containing ") + name)) {
            why = QStringLiteral("cancelled while waiting for ") + name;
            return Outcome::Cancelled;
        }
    }
    const std::string staged = StagedReplacement::StagedPath(table.fileName);
    CopyFailure failure;
    if (!CopyFileReplacing(source, staged, &failure)) {
        why = Shown(failure.message);
        return Outcome::Failed;
    }
    std::string reason;
    if (!TableFileFits(staged, table, &reason)) {
        why = QStringLiteral("%1 is not a backup of %2: %3")
                  .arg(Shown(source), QString::fromLatin1(table.fileName),
                       QString::fromStdString(reason));
        return Outcome::Failed;
    }
    return Outcome::Copied;
}

Outcome CopyOne(CopyDirection direction, const QString& dir, const TableLayout& table,
                QString& why) {
    return direction == CopyDirection::Backup ? BackupOne(dir, table, why)
                                              : RestoreOne(dir, table, why);
}

// A restore that stopped says that it replaced nothing, unless a message has already spoken or
// the user cancelled.
bool Stopped(CopyDirection direction, Outcome outcome, const QString& reason, QString* why) {
    if (why) *why = reason;
    if (direction == CopyDirection::Restore && outcome == Outcome::Failed)
        ShowMessage(MsgKind::Information,
                    reason + QStringLiteral("\r\n") + QStringLiteral("No data file was changed."));
    return false;
}

}  // namespace

QString WithTrailingSlash(const QString& directory) {
    QString dir = directory.trimmed();
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

bool CopyDataFile(CopyDirection direction, const QString& directory, const QString& name,
                  QString* why) {
    const TableLayout* table = FindLayout(name.toStdString());
    QString reason;
    if (!table || !table->hasIndex()) {
        if (why) *why = name + QStringLiteral(" is not one of the five data tables");
        return false;
    }
    const bool copied = CopyOne(direction, directory, *table, reason) == Outcome::Copied;
    if (why) *why = reason;
    return copied;
}

bool CopyDataFiles(CopyDirection direction, const QString& directory, QString* why) {
    if (directory.trimmed().isEmpty()) {
        if (why) *why = QStringLiteral("no directory was chosen");
        return false;
    }
    const QString dir = WithTrailingSlash(directory);
    ShowProgress(true, QStringLiteral("Copying Data Files"));
    const bool restore = direction == CopyDirection::Restore;
    QString reason;
    StagedReplacement replacement;
    if (restore && !replacement.begin(&reason))
        return Stopped(direction, Outcome::Failed, reason, why);
    for (const Step& step : Steps()) {
        SetProgress(step.progress);
        const Outcome outcome = CopyOne(direction, dir, step.table, reason);
        if (outcome != Outcome::Copied) return Stopped(direction, outcome, reason, why);
    }
    if (restore) {
        for (const Step& step : Steps()) {
            const std::string staged = StagedReplacement::StagedPath(step.table.fileName);
            if (!BuildIndexGroupAt(staged, step.table, &reason))
                return Stopped(direction, Outcome::Failed, reason, why);
        }
        if (!replacement.commit(&reason)) {
            if (!replacement.committed()) return Stopped(direction, Outcome::Failed, reason, why);
            ShowMessage(MsgKind::Information, reason);
            return Stopped(direction, Outcome::Told, reason, why);
        }
    }
    SetProgress(100);
    return true;
}

bool RunBackup(const QString& directory, QString* why) {
    const bool copied = CopyDataFiles(CopyDirection::Backup, directory, why);
    if (!copied)
        ShowMessage(MsgKind::Information,
                    QStringLiteral("Backup Failed . . Check that disk is not write protected"));
    ShowProgress(false, QString());
    return copied;
}

bool RunRestore(const QString& directory, QString* why) {
    const bool restored = CopyDataFiles(CopyDirection::Restore, directory, why);
    if (!restored)
        ShowMessage(MsgKind::Information,
                    QStringLiteral("Restore Failed . . Check that your disk is not full."));
    ShowProgress(false, QString());
    RebuildIndexes(false);
    return restored;
}

}  // namespace kvl
