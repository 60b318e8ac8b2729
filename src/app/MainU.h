// The main window: four tabs whose buttons start every operation, the default-folder filter,
// the progress box, the menus, the start-up sequence and shutdown.
//
// FormShow() runs the start-up sequence once, before the window is first shown: splash, data file
// check, the directory lock, the engine, the silent rebuild of missing indexes, the settings, the
// caption, the report period and the setup fields. It returns false when the program must end
// (the reason has been shown). Between operations no table is open. DefaultFolder (-1: no limit)
// is what the income and expense lists are limited to: the folder the folder list shows, also
// after a refill (a list that falls back to "No Default" lifts the limit; restore and upgrade,
// which bring other folders, start again from "No Default"). PackNeeded asks for a pack after the
// account and folder cycles, the import and at shutdown; FolderListStale has the folder list
// refilled at the next paint. The window is the program's progress box (ShowProgress and
// SetProgress reach it once it is installed as the progress sink). Closing it packs when needed,
// ends the engine and releases the directory. The tabs are built in MainTabs.cpp; the handlers,
// tab by tab, are in MainU.cpp.
#pragma once

#include <QMainWindow>

#include "data/Progress.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace kvl {

class TMaskEdit;
class TDropDownList;

class TFormMain : public QMainWindow, public ProgressSink {
    Q_OBJECT
  public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    bool FormShow();

    void showProgress(bool visible, const QString& caption) override;
    void setProgress(int position) override;

    // Refills the folder list from FOLDER; the paint handler calls it while FolderListStale.
    void RefillFolderList();
    // Sets FolderListStale and asks for the paint that refills.
    void MarkFolderListStale();
    // "No Default" in the folder list at its next refill, and no limit from now on.
    void ForgetFolderFilter();

    // The help topic F1 opens: the current tab's when the focus is on the tabs, else the window's.
    int HelpTopicForFocus() const;

    // The shortest time the splash stays up, in milliseconds.
    static void SetSplashMinimum(int milliseconds);

    int DefaultFolder = -1;
    bool PackNeeded = false;
    bool FolderListStale = true;
    bool SplashFlag = true;
    int FolderIndex = 0;

    QTabWidget* PageControl1;  // the four tabs
    QWidget* TabSheet1;        // Income and Expenses
    QWidget* TabSheet2;        // Report Generation
    QWidget* TabSheet3;        // Program Setup
    QWidget* TabSheet4;        // File Maintenance

    QToolButton* BtnIncome;
    QToolButton* BtnExpense;
    QToolButton* BtnAccountI;
    QToolButton* BtnAccountE;
    QToolButton* BtnFolders;
    QToolButton* BtnImport;
    QToolButton* BtnRateChange;
    QLabel* LabelFolder;
    TDropDownList* FolderCBox;
    QToolButton* BtnHelpIncExp;

    QToolButton* BtnExpRpt;
    QToolButton* BtnIncRpt;
    QToolButton* BtnProfRpt;
    QToolButton* BtnGLRpt;
    QToolButton* BtnChartRpt;
    QLabel* LabelFrom;
    TMaskEdit* MaskEdit1;  // report period from
    QLabel* LabelThrough;
    TMaskEdit* MaskEdit2;  // report period through
    QToolButton* BtnHelpReports;
    QMenu* PopupExpRpt;
    QMenu* PopupIncRpt;
    QMenu* PopupProfRpt;
    QMenu* PopupCharts;

    QPushButton* BtnFont;
    QLineEdit* Edit1;  // the report font, read only
    QPushButton* BtnPSetup;
    QLineEdit* Edit2;      // the printer and page, read only
    QGroupBox* GroupBox1;  // "Fiscal Year Setup"
    QLabel* LabelMonth;
    TMaskEdit* MaskEdit3;  // fiscal year start month
    QLabel* LabelDay;
    TMaskEdit* MaskEdit4;  // fiscal year start day
    QToolButton* BtnHelpSetup;

    QToolButton* BtnBackup;
    QToolButton* BtnRestore;
    QToolButton* BtnArchive;
    QToolButton* BtnDeArchive;
    QToolButton* BtnReIndex;
    QToolButton* BtnPack;
    QToolButton* BtnEraseData;
    QToolButton* BtnUpgrade;
    QToolButton* BtnHelpMaint;

    QGroupBox* ProgressBox;
    QProgressBar* ProgressBar1;  // the progress box's bar

    QMenu* MenuFile;
    QAction* MenuImportStatement;
    QAction* MenuExit;
    QMenu* MenuHelp;
    QAction* MenuAbout;
    QAction* MenuHelpContents;

    // Handlers. The operations of later work are reached through these slots; their buttons stay
    // disabled until the windows they show exist.
    void BtnIncomeClick();
    void BtnExpenseClick();
    void BtnAccountIClick();
    void BtnAccountEClick();
    void BtnFoldersClick();
    void BtnImportClick();
    void BtnRateChangeClick();
    void FolderCBoxChange(int index);

    void BtnExpRptClick();
    void BtnIncRptClick();
    void BtnProfRptClick();
    void BtnGLRptClick();
    void BtnChartRptClick();
    void MaskEdit1Change();
    void MaskEdit1Exit();
    void MaskEdit2Change();
    void MaskEdit2Exit();

    void BtnFontClick();
    void BtnPSetupClick();
    void MaskEdit3Exit();
    void MaskEdit4Exit();

    void BtnBackupClick();
    void BtnRestoreClick();
    void BtnArchiveClick();
    void BtnDeArchiveClick();
    void BtnReIndexClick();
    void BtnPackClick();
    void BtnEraseDataClick();
    void BtnUpgradeClick();

    // Runs the report of the report table named kind (reports/ReportKinds.h), as its menu entry
    // or button does: its tables opened, the builder run with the desktop's report context, every
    // table closed.
    void RunReportEntry(const char* kind);
    // Runs the chart named kind (reports/ChartSeries.h) over the report period and the folders
    // chosen as for a report, with every table closed again, and shows it in the chart window.
    void RunChartEntry(const char* kind);

    // Asks for a bank or card statement and shows it for review with its tables open.
    void MenuImportStatementClick();
    void MenuExitClick();
    void MenuAboutClick();
    void MenuHelpClick();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // "Kelvane Talvarin 1.22 - " and the user's name.
    static QString CaptionFor(const QString& userName);
    void buildIncomeExpenseTab();
    void buildReportTab();
    void buildSetupTab();
    void buildMaintenanceTab();
    void buildMenus();
    // An entry of a report menu that runs the report kind.
    QAction* AddReportEntry(QMenu* menu, const char* text, const char* kind);
    QAction* AddChartEntry(QMenu* menu, const char* text, const char* kind);
    void loadReportSettings();
    void showPrinter();
    void Shutdown();

    bool refillQueued_ = false;
    bool started_ = false;
    bool shutDown_ = false;
};

extern TFormMain* FormMain;

}  // namespace kvl
