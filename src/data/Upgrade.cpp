#include "data/Upgrade.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <string>

#include "data/Check.h"
#include "data/DbUtil.h"
#include "data/FileCopy.h"
#include "data/Maintenance.h"
#include "data/Messages.h"
#include "data/Progress.h"
#include "data/Replacement.h"
#include "data/TableLayouts.h"
#include "data/dbFiles.h"
#include "engine/CodePage.h"
#include "engine/Files.h"

namespace kvl {

namespace {

constexpr const char* kOldFiles[] = {"Inc3.dbf", "Exp3.dbf", "Acc.dbf", "Folder.dbf"};

std::string Local(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QString Text(const std::string& message) {
    return QString::fromStdString(xb::Cp1252ToUtf8(message));
}

double Amount(FIELD4* field) {
    double value = 0;
    (void)f4double2(field, &value);  // text that is no number reads as 0, as a blank one does
    return value;
}

// Builds the new tables in the staging area from the old ones. Each step returns false with the
// reason in why_; the old tables are opened read-only by an engine of their own, the new ones
// through the program's handle with their groups left to the end.
class Conversion {
  public:
    explicit Conversion(const QString& directory) : dir_(Local(directory)) {
        old_.settings.autoOpen = false;
        old_.settings.readOnly = true;
    }

    bool run(QString& why) {
        const bool ok = copyWhole("Folder.dbf", FolderLayout(), 5) &&
                        copyWhole("Acc.dbf", ExpenseAccountLayout(), 10) && incomeChart() &&
                        income() && expenses() && indexGroups();
        why = why_;
        return ok;
    }

  private:
    bool fail(const QString& reason) {
        why_ = reason;
        return false;
    }
    // The program's engine: its pending error, taken so it cannot surface later.
    bool failEngine() {
        const QString reason = Text(cb->errorMessage());
        code4errorCode(cb, 0);
        return fail(reason.isEmpty() ? QStringLiteral("the table engine refused") : reason);
    }
    bool failOld() {
        const QString reason = Text(old_.errorMessage());
        old_.takeError(0);
        return fail(reason);
    }

    std::string oldPath(const char* name) const { return xb::ResolvePath(dir_, name); }

    bool copyWhole(const char* oldName, const TableLayout& into, int progress) {
        const std::string source = oldPath(oldName);
        const std::string staged = StagedReplacement::StagedPath(into.fileName);
        CopyFailure failure;
        if (!CopyFileReplacing(source, staged, &failure))
            return fail(QString::fromStdString(failure.message));
        std::string reason;
        if (!TableFileFits(staged, into, &reason))
            return fail(QStringLiteral("%1 does not hold the %2 of this program: %3")
                            .arg(QFile::decodeName(source.c_str()),
                                 &into == &FolderLayout() ? QStringLiteral("folders")
                                                          : QStringLiteral("expense accounts"),
                                 QString::fromStdString(reason)));
        SetProgress(progress);
        return true;
    }

    // A new empty table in the staging area, open through the program's handle.
    DATA4* newTable(const TableLayout& layout) {
        const std::string path = StagedReplacement::StagedPath(layout.fileName);
        if (xb::Status s = xb::CreateTable(path, layout.fields); !s.ok()) {
            fail(Text(s.message));
            return nullptr;
        }
        DATA4* table = d4open(cb, path.c_str());
        if (!table) failEngine();
        return table;
    }

    bool close(DATA4* table) { return d4close(table) == 0 || failEngine(); }

    bool incomeChart() {
        DATA4* chart = newTable(IncomeAccountLayout());
        if (!chart) return false;
        fIAccNo = d4field(chart, "AccNo");
        fIAcDesc = d4field(chart, "AcDesc");
        fIAcDed = d4field(chart, "AcDed");
        if (cb->errorCode() < 0 || d4appendBlank(chart) != 0) return failEngine();
        SetProgress(15);
        IncomeAccountBuffer = AccountRecord{1, QStringLiteral("Ordinary Income"), true};
        StoreAccountRecord('I');
        if (!close(chart)) return false;
        SetProgress(20);
        return true;
    }

    // The old table alone, read-only, with the fields the conversion reads.
    DATA4* oldTable(const char* name, std::initializer_list<std::pair<FIELD4**, const char*>> f) {
        DATA4* table = d4open(&old_, oldPath(name).c_str());
        if (!table) {
            failOld();
            return nullptr;
        }
        for (const auto& [handle, field] : f) *handle = d4field(table, field);
        if (old_.errorCode() < 0) {
            failOld();
            return nullptr;
        }
        return table;
    }

    bool income() {
        FIELD4 *date, *desc, *amount, *folder, *imported;
        DATA4* from = oldTable("Inc3.dbf", {{&date, "IncDate"},
                                            {&desc, "IncDesc"},
                                            {&amount, "IncAmt"},
                                            {&folder, "FolNo"},
                                            {&imported, "IncImp"}});
        if (!from) return false;
        DATA4* to = newTable(IncomeLayout());
        if (!to) return false;
        fIncAcc = d4field(to, "IncAcc");
        fIncImp = d4field(to, "IncImp");
        fIncDate = d4field(to, "IncDate");
        fIncDesc = d4field(to, "IncDesc");
        fIncAmt = d4field(to, "IncAmt");
        fIncFolNo = d4field(to, "FolNo");
        fIncArchive = d4field(to, "Archive");
        if (cb->errorCode() < 0) return failEngine();
        IncomeBuffer = IncomeRecord{};
        IncomeBuffer.account = 1;
        const long n = d4recCountDo(from);
        for (long i = 1; i <= n; ++i) {
            if (d4go(from, i) != 0) return failOld();
            IncomeBuffer.date = KeyToDate(f4str(date));
            IncomeBuffer.description = FieldText(desc);
            IncomeBuffer.amount = Amount(amount);
            IncomeBuffer.folder = f4int(folder);
            IncomeBuffer.imported = f4true(imported) == 1;
            if (d4appendBlank(to) != 0) return failEngine();
            StoreIncomeRecord();
            SetProgress(20 + static_cast<int>(40 * i / n));
        }
        (void)d4close(from);  // only read: its close has nothing to lose
        return close(to);
    }

    bool expenses() {
        FIELD4 *date, *check, *account, *folder, *payTo, *amount, *memo;
        DATA4* from = oldTable("Exp3.dbf", {{&date, "ExpDate"},
                                            {&check, "CheckNo"},
                                            {&account, "AccNo"},
                                            {&folder, "FolNo"},
                                            {&payTo, "PayTo"},
                                            {&amount, "Amount"},
                                            {&memo, "EMemo"}});
        if (!from) return false;
        DATA4* to = newTable(ExpenseLayout());
        if (!to) return false;
        fExpDate = d4field(to, "ExpDate");
        fCheckNo = d4field(to, "CheckNo");
        fExpAccNo = d4field(to, "AccNo");
        fExpFolNo = d4field(to, "FolNo");
        fPayTo = d4field(to, "PayTo");
        fAmount = d4field(to, "Amount");
        fEMemo = d4field(to, "EMemo");
        fExpArchive = d4field(to, "Archive");
        if (cb->errorCode() < 0) return failEngine();
        ExpenseBuffer = ExpenseRecord{};
        const long n = d4recCountDo(from);
        for (long i = 1; i <= n; ++i) {
            if (d4go(from, i) != 0) return failOld();
            ExpenseBuffer.date = KeyToDate(f4str(date));
            ExpenseBuffer.checkNo = f4long(check);
            ExpenseBuffer.account = f4int(account);
            ExpenseBuffer.folder = f4int(folder);
            ExpenseBuffer.payTo = FieldText(payTo);
            ExpenseBuffer.memo = FieldText(memo);
            ExpenseBuffer.amount = Amount(amount);
            if (d4appendBlank(to) != 0) return failEngine();
            StoreExpenseRecord();
            SetProgress(60 + static_cast<int>(40 * i / n));
        }
        (void)d4close(from);  // only read: its close has nothing to lose
        return close(to);
    }

    bool indexGroups() {
        QString reason;
        for (const TableLayout* table : DataTableLayouts()) {
            if (!BuildIndexGroupAt(StagedReplacement::StagedPath(table->fileName), *table, &reason))
                return fail(reason);
        }
        return true;
    }

    std::string dir_;
    xb::Engine old_;
    QString why_;
};

}  // namespace

UpgradeOutcome UpgradeOldData(const QString& directory, QString* why) {
    auto told = [&](UpgradeOutcome outcome, const QString& reason) {
        if (why) *why = reason;
        return outcome;
    };
    const std::string dir = Local(directory.trimmed());
    for (const char* name : kOldFiles) {
        if (directory.trimmed().isEmpty() || !xb::FileExists(xb::ResolvePath(dir, name))) {
            ShowMessage(MsgKind::Information,
                        QStringLiteral("Data files not found in ") + directory);
            return told(UpgradeOutcome::NotFound, QStringLiteral("%1 is missing").arg(name));
        }
    }
    if (ShowMessage(MsgKind::WarningOkCancel,
                    QStringLiteral("Warning: All previously entered data will be overwritten"),
                    MsgDefault::Cautious) != MsgAnswer::Ok)
        return told(UpgradeOutcome::Declined, QStringLiteral("the overwrite was not confirmed"));
    ShowProgress(true, QStringLiteral("Converting Data Files"));

    const int autoOpen = code4autoOpen(cb, 0);
    QString reason;
    StagedReplacement replacement;
    bool converted = replacement.begin(&reason);
    if (converted) converted = Conversion(directory).run(reason);
    // The converted tables reach their files in the close: one that fails is the conversion's.
    if (code4close(cb) < 0 && converted) {
        converted = false;
        reason = Text(cb->errorMessage());
    }
    code4errorCode(cb, 0);
    code4autoOpen(cb, autoOpen);
    if (converted) converted = replacement.commit(&reason);
    if (converted) return told(UpgradeOutcome::Converted, QString());
    replacement.discard();
    // The box would stand over the message, as if the conversion were still running.
    ShowProgress(false, QString());
    ShowMessage(MsgKind::Information,
                QStringLiteral("The conversion stopped: ") + reason +
                    (replacement.committed()
                         ? QString()
                         : QStringLiteral("\r\n") + QStringLiteral("No data file was changed.")));
    return told(UpgradeOutcome::Failed, reason);
}

QString DefaultOldDataDirectory() {
    const QString root = QStorageInfo(QDir::currentPath()).rootPath();
    for (const char* folder : {"kelvane_bus", "kelvane"}) {
        const std::string dir = xb::ResolvePath(Local(root), folder);
        if (xb::FileExists(xb::ResolvePath(dir, "Inc3.dbf"))) return QFile::decodeName(dir.c_str());
    }
    return QString();
}

UpgradeOutcome RunUpgrade(const QString& directory, QString* why) {
    const UpgradeOutcome outcome = UpgradeOldData(directory, why);
    // The outcome is decided; the rebuild and pack that follow report failures of their own.
    (void)code4close(cb);
    code4autoOpen(cb, 1);
    RebuildIndexes(false);
    PackAll();
    return outcome;
}

}  // namespace kvl
