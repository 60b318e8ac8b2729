#include "app/MainU.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

#include "accounts/AccountU.h"
#include "accounts/Cycles.h"
#include "accounts/FolderU.h"
#include "accounts/PickAccU.h"
#include "accounts/PickFolU.h"
#include "app/About.h"
#include "app/DriveDirU.h"
#include "data/Backup.h"
#include "data/Clock.h"
#include "data/DirLock.h"
#include "data/Erase.h"
#include "data/Maintenance.h"
#include "data/Messages.h"
#include "data/Upgrade.h"
#include "data/dbFiles.h"
#include "entry/Cycles.h"
#include "entry/ExpenseU.h"
#include "entry/IncomeU.h"
#include "entry/PickExpU.h"
#include "entry/PickIncU.h"
#include "screen/DropList.h"
#include "screen/Help.h"
#include "screen/MaskEdit.h"
#include "screen/Scrutil.h"
#include "screen/Setup.h"
#include "screen/WaitCursor.h"
#include "transfer/ArchiveU.h"
#include "transfer/PmtImportU.h"
#include "transfer/RateChangeU.h"
#include "transfer/StmtImportOps.h"
#include "transfer/StmtImportU.h"

namespace kvl {

TFormMain* FormMain = nullptr;

namespace {

const QString kTitle = QStringLiteral("Kelvane Talvarin 1.22 - ");
const int kTabTopics[4] = {500, 600, 300, 400};

int& SplashMinimum() {
    static int milliseconds = 1728;
    return milliseconds;
}

// The chooser with the caller's captions: the directory chosen, or empty after Cancel.
QString ChooseDirectory(const QString& caption, const QString& okText) {
    if (!DriveDirForm) return QString();
    DriveDirForm->SetCaptions(caption, okText);
    // Asked for in the middle of a copy, the choice must not look like more waiting.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    DriveDirForm->exec();
    if (waiting) QApplication::restoreOverrideCursor();
    return DriveDirForm->ChosenDirectory;
}

// The chooser again for the next disk of a backup set, open where the last disk was.
NextDiskDirectory NextDiskChooser(const QString& caption, const QString& okText) {
    return [caption, okText](const QString& current) {
        if (!DriveDirForm) return current;
        DriveDirForm->SetDirectory(QDir::cleanPath(current));
        return ChooseDirectory(caption, okText);
    };
}

const QString kBackupCaption = QStringLiteral("Choose Backup Drive & Directory");
const QString kRestoreCaption = QStringLiteral("Choose Drive & Directory Containing BACKUP");

}  // namespace

void TFormMain::SetSplashMinimum(int milliseconds) {
    SplashMinimum() = milliseconds;
}

QString TFormMain::CaptionFor(const QString& userName) {
    return kTitle + userName;
}

TFormMain::~TFormMain() {
    if (FormMain == this) FormMain = nullptr;
}

// Start-up, shutdown and the progress box.

bool TFormMain::FormShow() {
    if (started_) return true;
    started_ = true;

    // The two-digit-year window needs no setting here: the date rule reads it from the clock.
    SplashFlag = true;
    QElapsedTimer splash;
    if (AboutForm) {
        AboutForm->show();
        AboutForm->repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    splash.start();

    if (!CheckDataFiles()) {
        ShowMessage(MsgKind::Information,
                    QStringLiteral("Database files not found in startup directory\r\nProgram must "
                                   "be started from the directory containing the data files."));
        if (AboutForm) AboutForm->close();
        return false;
    }

    // One writer per directory: a second copy stops here, before anything is opened or written.
    QString refusal;
    if (!LockDataDirectory(QDir::currentPath(), &refusal)) {
        ShowMessage(MsgKind::Warning, refusal);
        if (AboutForm) AboutForm->close();
        return false;
    }

    cb = code4initP();
    error4exitTest(cb);
    RebuildIndexes(true);
    OpenSettings();
    LoadSettings();
    code4close(cb);

    setWindowTitle(CaptionFor(Settings.userName.trimmed()));
    FolderIndex = 0;
    DefaultFolder = -1;
    PackNeeded = false;
    MarkFolderListStale();
    loadReportSettings();

    const qint64 remaining = SplashMinimum() - splash.elapsed();
    if (remaining > 0) {
        QEventLoop wait;
        QTimer::singleShot(remaining, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // The timer may fire a little early; the minimum holds regardless.
    while (splash.elapsed() < SplashMinimum())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
    if (AboutForm) AboutForm->close();
    SplashFlag = false;
    return true;
}

void TFormMain::loadReportSettings() {
    CurrentMonthPeriod(Today(), &ReportFrom, &ReportThrough);

    ReportFont = font();
    const QString name = Settings.fontName.trimmed();
    if (!name.isEmpty()) ReportFont.setFamily(name);
    if (Settings.fontSize > 0) ReportFont.setPointSize(Settings.fontSize);
    Edit1->setText(FontDisplay(ReportFont));
    showPrinter();

    MaskEdit1->setProgramText(DateToFieldText(ReportFrom));
    MaskEdit2->setProgramText(DateToFieldText(ReportThrough));
    MaskEdit3->setProgramText(QString::number(Settings.fyMonth));
    MaskEdit4->setProgramText(QString::number(Settings.fyDay));
}

void TFormMain::showPrinter() {
    const QString display = PrinterDisplay();
    if (!display.isEmpty()) Edit2->setText(display);
}

void TFormMain::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (cb) {
        error4exitTest(cb);
        if (PackNeeded) {
            PackAll();
            PackNeeded = false;
        }
        code4initUndoP(cb);
        cb = nullptr;
    }
    UnlockDataDirectory();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    Shutdown();
    CloseHelpWindow();
    event->accept();
}

void TFormMain::showProgress(bool visible, const QString& caption) {
    ProgressBar1->setValue(0);
    ProgressBox->setTitle(caption);
    ProgressBox->setVisible(visible);
    repaint();
}

void TFormMain::setProgress(int position) {
    ProgressBar1->setValue(position);
}

// The Income and Expenses tab.

void TFormMain::BtnIncomeClick() {
    if (PickIncForm && IncomeForm) RunIncomeCycle(*PickIncForm, *IncomeForm);
}

void TFormMain::BtnExpenseClick() {
    if (PickExpForm && ExpenseForm) RunExpenseCycle(*PickExpForm, *ExpenseForm);
}

void TFormMain::BtnImportClick() {
    if (!PmtImportForm) return;
    OpenIncome();
    OpenFolders();
    OpenIncomeAccounts();
    PmtImportForm->exec();
    code4close(cb);
    if (PackNeeded) PackAll();
    PackNeeded = false;
}

void TFormMain::BtnRateChangeClick() {
    if (!RateChangeForm) return;
    OpenExpenseAccounts();
    OpenExpenses();
    RateChangeForm->exec();
    code4close(cb);
}

void TFormMain::BtnAccountIClick() {
    if (PickAccForm && AccountForm) RunAccountCycle('I', *PickAccForm, *AccountForm);
}

void TFormMain::BtnAccountEClick() {
    if (PickAccForm && AccountForm) RunAccountCycle('E', *PickAccForm, *AccountForm);
}

void TFormMain::BtnFoldersClick() {
    if (!PickFolForm || !FolderForm) return;
    RunFolderCycle(*PickFolForm, *FolderForm);
    MarkFolderListStale();
}

void TFormMain::FolderCBoxChange(int index) {
    if (index < 0) return;
    FolderIndex = index;
    const std::optional<int> folder =
        ReadIntegerText(FolderCBox->itemText(index).left(4).trimmed());
    if (folder) DefaultFolder = *folder;
}

void TFormMain::ForgetFolderFilter() {
    FolderIndex = 0;
    DefaultFolder = -1;
}

void TFormMain::MarkFolderListStale() {
    FolderListStale = true;
    update();
}

void TFormMain::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    // Tables are opened outside the paint itself: an open that fails shows a message box.
    if (FolderListStale && !refillQueued_) {
        refillQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            refillQueued_ = false;
            if (FolderListStale && cb) RefillFolderList();
        });
    }
}

void TFormMain::RefillFolderList() {
    OpenFolders();
    const QSignalBlocker quiet(FolderCBox);
    FolderCBox->clear();
    FolderCBox->addItem(QStringLiteral("  -1 - No Default"));
    for (int rc = d4top(dbFolders); rc == 0; rc = d4skip(dbFolders, 1)) {
        if (d4deleted(dbFolders)) continue;
        FolderCBox->addItem(FieldText(fFolNo) + QStringLiteral(" - ") + FieldText(fFolName));
    }
    error4exitTest(cb);
    // A remembered entry that no longer exists falls back to "No Default". The filter follows
    // the entry shown: the lists must never be limited to a folder the list does not show.
    if (d4recCountDo(dbFolders) < FolderIndex || FolderIndex >= FolderCBox->count())
        FolderIndex = 0;
    (void)d4close(dbFolders);  // only read here: its close has nothing to lose
    dbFolders = nullptr;
    FolderCBox->setCurrentIndex(FolderIndex);
    FolderCBoxChange(FolderIndex);
    FolderListStale = false;
    if (FolderCBox->hasFocus()) setFocus();
}

// The Report Generation tab: each button runs its report or shows its menu of reports.

void TFormMain::BtnGLRptClick() {
    RunReportEntry("general-ledger");
}

void TFormMain::BtnExpRptClick() {
    PopupExpRpt->exec(QCursor::pos());
}

void TFormMain::BtnIncRptClick() {
    PopupIncRpt->exec(QCursor::pos());
}

void TFormMain::BtnProfRptClick() {
    PopupProfRpt->exec(QCursor::pos());
}

void TFormMain::BtnChartRptClick() {
    PopupCharts->exec(QCursor::pos());
}

void TFormMain::MaskEdit1Change() {
    if (const std::optional<QDate> date = ReadDateText(MaskEdit1->programText()))
        ReportFrom = *date;
}

void TFormMain::MaskEdit2Change() {
    if (const std::optional<QDate> date = ReadDateText(MaskEdit2->programText()))
        ReportThrough = *date;
}

void TFormMain::MaskEdit1Exit() {
    QDate date;
    if (CheckDateField(MaskEdit1, &date))
        ReportFrom = date;
    else
        MaskEdit1->setFocus();
}

void TFormMain::MaskEdit2Exit() {
    QDate date;
    if (CheckDateField(MaskEdit2, &date))
        ReportThrough = date;
    else
        MaskEdit2->setFocus();
}

// The Program Setup tab.

void TFormMain::BtnFontClick() {
    QFontDialog dialog(ReportFont, this);
    dialog.setObjectName(QStringLiteral("FontDialog"));
    // Cancel keeps the font as it was; it is stored again either way.
    if (dialog.exec() == QDialog::Accepted) ReportFont = dialog.selectedFont();
    Edit1->setText(FontDisplay(ReportFont));
    Settings.fontName = ReportFont.family();
    int points = ReportFont.pointSize();
    if (points <= 0 && ReportFont.pixelSize() > 0) points = qRound(ReportFont.pixelSize() * 0.75);
    Settings.fontSize = points;
    WriteSettings();
}

void TFormMain::BtnPSetupClick() {
    PickPrinter(this);
    showPrinter();
}

void TFormMain::MaskEdit3Exit() {
    const std::optional<int> month = StrToIntOrError(MaskEdit3->programText().trimmed());
    if (!month) return;
    if (!FiscalMonthValid(*month)) {
        ShowMessage(MsgKind::Information, QStringLiteral("Month must be between 1 and 12"));
        MaskEdit3->setFocus();
        return;
    }
    Settings.fyMonth = *month;
    if (MonthLength(*month) < Settings.fyDay) {
        Settings.fyDay = MonthLength(*month);
        MaskEdit4->setProgramText(QString::number(Settings.fyDay));
    }
    WriteSettings();
}

void TFormMain::MaskEdit4Exit() {
    const std::optional<int> day = StrToIntOrError(MaskEdit4->programText().trimmed());
    if (!day) return;
    if (FiscalDayValid(Settings.fyMonth, *day)) {
        Settings.fyDay = *day;
        WriteSettings();
        return;
    }
    ShowMessage(MsgKind::Information, QStringLiteral("Invalid Day for Specified Month"));
    MaskEdit4->setFocus();
}

// The File Maintenance tab. Backup, restore, erase and upgrade need no window (data/Backup.h,
// data/Erase.h, data/Upgrade.h, shared with kvl-cli): the handlers choose the directory, run them
// and refresh the folder list they may have changed.

void TFormMain::BtnBackupClick() {
    const QString dir = ChooseDirectory(kBackupCaption, QStringLiteral("Backup"));
    repaint();
    if (dir.isEmpty()) return;
    WaitCursor wait;
    RunBackup(dir, nullptr, NextDiskChooser(kBackupCaption, QStringLiteral("Backup")));
}

void TFormMain::BtnRestoreClick() {
    const QString dir = ChooseDirectory(kRestoreCaption, QStringLiteral("Restore"));
    if (dir.isEmpty()) return;
    repaint();
    bool restored = false;
    {
        WaitCursor wait;
        restored =
            RunRestore(dir, nullptr, NextDiskChooser(kRestoreCaption, QStringLiteral("Restore")));
    }
    if (restored) ForgetFolderFilter();  // the folders are the backup's now
    MarkFolderListStale();
}

void TFormMain::BtnEraseDataClick() {
    EraseData();
    MarkFolderListStale();
    repaint();
}

void TFormMain::BtnUpgradeClick() {
    const QString remembered = QDir::currentPath();
    if (DriveDirForm) {
        const QString old = DefaultOldDataDirectory();
        if (!old.isEmpty()) DriveDirForm->SetDirectory(old);
    }
    const QString dir =
        ChooseDirectory(QStringLiteral("Choose Drive & Directory Containing Old Torq Data"),
                        QStringLiteral("Upgrade"));
    QDir::setCurrent(remembered);
    if (dir.isEmpty()) return;
    repaint();
    UpgradeOutcome outcome;
    {
        WaitCursor wait;
        outcome = RunUpgrade(dir);
    }
    if (outcome == UpgradeOutcome::Converted) ForgetFolderFilter();  // the old data's folders
    MarkFolderListStale();
}

void TFormMain::BtnArchiveClick() {
    if (!ArchiveForm) return;
    ArchiveForm->ArchiveMode = true;
    ArchiveForm->exec();
}

void TFormMain::BtnDeArchiveClick() {
    if (!ArchiveForm) return;
    ArchiveForm->ArchiveMode = false;
    ArchiveForm->exec();
}

void TFormMain::BtnReIndexClick() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RebuildIndexes(false);
    QApplication::restoreOverrideCursor();
}

void TFormMain::BtnPackClick() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PackAll();
    QApplication::restoreOverrideCursor();
}

// The menus and F1.

void TFormMain::MenuImportStatementClick() {
    if (!StmtImportForm) return;
    const QString path = StmtImportForm->ChooseFile();
    if (path.isEmpty()) return;
    OpenStatementTables();
    StmtImportForm->Review(path);
    code4close(cb);
}

void TFormMain::MenuExitClick() {
    close();
}

void TFormMain::MenuAboutClick() {
    SplashFlag = false;
    if (AboutForm) AboutForm->exec();
}

void TFormMain::MenuHelpClick() {
    ShowHelpContents();
}

int TFormMain::HelpTopicForFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    if (focus && PageControl1->isAncestorOf(focus)) {
        const int tab = PageControl1->currentIndex();
        if (tab >= 0 && tab < 4) return kTabTopics[tab];
    }
    return 10;
}

}  // namespace kvl
