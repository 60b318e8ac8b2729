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
    Refused,    // a backup file is no backup of its table
    Failed,     // failed; the reason is in why
};

std::string Local(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString Shown(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

QString BackupName(const TableLayout& table) {
    return QString::fromLatin1(table.name) + QStringLiteral(".bak");
}

const QString kNothingChanged = QStringLiteral("\r\nNo data file was changed.");

// One copy of the backup set, disk after disk. What the user is to be told about a failure waits
// in notice until the progress box is gone.
class SetCopy {
  public:
    SetCopy(CopyDirection direction, const QString& dir, const NextDiskDirectory& nextDisk)
        : direction_(direction), dir_(dir), nextDisk_(nextDisk) {}

    Outcome copy(const TableLayout& table) {
        return direction_ == CopyDirection::Backup ? backupOne(table) : restoreOne(table);
    }

    // The five tables with their progress; a restore then replaces the data set's.
    Outcome all() {
        const bool restore = direction_ == CopyDirection::Restore;
        StagedReplacement replacement;
        if (restore && !replacement.begin(&why)) return failed();
        for (const Step& step : Steps()) {
            SetProgress(step.progress);
            const Outcome outcome = copy(step.table);
            if (outcome != Outcome::Copied) return outcome;
        }
        if (restore) {
            for (const Step& step : Steps()) {
                const std::string staged = StagedReplacement::StagedPath(step.table.fileName);
                if (!BuildIndexGroupAt(staged, step.table, &why)) return failed();
            }
            if (!replacement.commit(&why)) {
                if (!replacement.committed()) return failed();
                notice = why;  // finished at the next start, as the reason says
                return Outcome::Failed;
            }
        }
        SetProgress(100);
        return Outcome::Copied;
    }

    QString why;
    QString notice;

  private:
    Outcome backupOne(const TableLayout& table) {
        const std::string source = xb::ResolvePath(".", table.fileName);
        if (!xb::FileExists(source)) return notFound(source);
        const QString name = BackupName(table);
        for (;;) {
            // Looked up again after every question: another disk may hold another spelling.
            const std::string target = xb::ResolvePath(Local(dir_), Local(name));
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
            if (ShowMessage(MsgKind::InformationOkCancel, question) != MsgAnswer::Ok || !nextDisk())
                return Outcome::Cancelled;
        }
    }

    Outcome restoreOne(const TableLayout& table) {
        const QString name = BackupName(table);
        std::string source;
        for (;;) {
            source = xb::ResolvePath(Local(dir_), Local(name));
            if (xb::FileExists(source)) break;
            // A set that began here goes on elsewhere; a directory without its first file is
            // no backup, and a fixed disk will not change while a question waits.
            const bool mayBeElsewhere = setBegun_ && nextDisk_;
            if (!mayBeElsewhere && !OnRemovableVolume(dir_)) return notFound(source);
            if (ShowMessage(MsgKind::InformationOkCancel,
                            QStringLiteral("Insert disk containing ") + name,
                            MsgDefault::Cautious) != MsgAnswer::Ok ||
                !nextDisk()) {
                why = QStringLiteral("cancelled while waiting for ") + name;
                return Outcome::Cancelled;
            }
        }
        setBegun_ = true;
        const std::string staged = StagedReplacement::StagedPath(table.fileName);
        CopyFailure failure;
        if (!CopyFileReplacing(source, staged, &failure)) {
            why = Shown(failure.message);
            return failed();
        }
        std::string reason;
        if (!TableFileFits(staged, table, &reason)) {
            why = QStringLiteral("%1 is not a backup of %2: %3")
                      .arg(Shown(source), QString::fromLatin1(table.fileName),
                           QString::fromStdString(reason));
            notice = why + kNothingChanged;
            return Outcome::Refused;
        }
        return Outcome::Copied;
    }

    // After OK to a question for another disk: where it is; false when the user gave up.
    bool nextDisk() {
        if (!nextDisk_) return true;
        const QString chosen = nextDisk_(dir_);
        if (chosen.trimmed().isEmpty()) return false;
        dir_ = WithTrailingSlash(chosen);
        return true;
    }

    Outcome notFound(const std::string& path) {
        notice = QStringLiteral("Unable to find ") + Shown(path) + QStringLiteral("\r\n") +
                 QStringLiteral("Function Aborted");
        why = QStringLiteral("cannot find ") + Shown(path);
        return Outcome::Failed;
    }

    // A restore that stopped says that it replaced nothing.
    Outcome failed() {
        if (direction_ == CopyDirection::Restore) notice = why + kNothingChanged;
        return Outcome::Failed;
    }

    CopyDirection direction_;
    QString dir_;  // ends in '/'
    NextDiskDirectory nextDisk_;
    bool setBegun_ = false;  // a file of the set was found
};

// The whole set; a failure hides the progress box, then says what the user must hear.
Outcome CopyAndTell(CopyDirection direction, const QString& directory, QString* why,
                    const NextDiskDirectory& nextDisk) {
    if (directory.trimmed().isEmpty()) {
        if (why) *why = QStringLiteral("no directory was chosen");
        return Outcome::Failed;
    }
    ShowProgress(true, QStringLiteral("Copying Data Files"));
    SetCopy run(direction, WithTrailingSlash(directory), nextDisk);
    const Outcome outcome = run.all();
    if (why) *why = run.why;
    if (outcome != Outcome::Copied) {
        ShowProgress(false, QString());
        if (!run.notice.isEmpty()) ShowMessage(MsgKind::Information, run.notice);
    }
    return outcome;
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
    if (!table || !table->hasIndex()) {
        if (why) *why = name + QStringLiteral(" is not one of the five data tables");
        return false;
    }
    SetCopy run(direction, directory, {});
    const bool copied = run.copy(*table) == Outcome::Copied;
    if (!run.notice.isEmpty()) ShowMessage(MsgKind::Information, run.notice);
    if (why) *why = run.why;
    return copied;
}

bool CopyDataFiles(CopyDirection direction, const QString& directory, QString* why,
                   const NextDiskDirectory& nextDisk) {
    return CopyAndTell(direction, directory, why, nextDisk) == Outcome::Copied;
}

QString MissingBackupFile(const QString& directory) {
    for (const TableLayout* table : DataTableLayouts()) {
        const QString name = BackupName(*table);
        if (!xb::FileExists(xb::ResolvePath(Local(directory), Local(name)))) return name;
    }
    return QString();
}

bool RunBackup(const QString& directory, QString* why, const NextDiskDirectory& nextDisk) {
    const bool copied =
        CopyAndTell(CopyDirection::Backup, directory, why, nextDisk) == Outcome::Copied;
    if (copied)
        ShowProgress(false, QString());
    else
        ShowMessage(MsgKind::Information,
                    QStringLiteral("Backup Failed . . Check that disk is not write protected"));
    return copied;
}

bool RunRestore(const QString& directory, QString* why, const NextDiskDirectory& nextDisk) {
    const Outcome outcome = CopyAndTell(CopyDirection::Restore, directory, why, nextDisk);
    if (outcome == Outcome::Copied)
        ShowProgress(false, QString());
    else if (outcome != Outcome::Refused)
        ShowMessage(MsgKind::Information,
                    QStringLiteral("Restore Failed . . Check that your disk is not full."));
    RebuildIndexes(false);
    return outcome == Outcome::Copied;
}

}  // namespace kvl
