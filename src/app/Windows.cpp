#include "app/Windows.h"

#include "accounts/AccountU.h"
#include "accounts/FolderU.h"
#include "accounts/PickAccU.h"
#include "accounts/PickFolU.h"
#include "app/About.h"
#include "app/DriveDirU.h"
#include "app/MainU.h"
#include "entry/ExpenseU.h"
#include "entry/IncomeU.h"
#include "entry/PickExpU.h"
#include "entry/PickIncU.h"
#include "reports/ChartU.h"
#include "reports/MultFolU.h"
#include "reports/ReportU.h"
#include "transfer/ArchiveU.h"
#include "transfer/PmtImportU.h"
#include "transfer/RateChangeU.h"
#include "transfer/StmtImportU.h"

namespace kvl {

namespace {

void ForgetWindows() {
    AboutForm = nullptr;
    PickIncForm = nullptr;
    IncomeForm = nullptr;
    PickFolForm = nullptr;
    FolderForm = nullptr;
    PickExpForm = nullptr;
    ExpenseForm = nullptr;
    PickAccForm = nullptr;
    AccountForm = nullptr;
    MultFolForm = nullptr;
    DriveDirForm = nullptr;
    ArchiveForm = nullptr;
    RateChangeForm = nullptr;
    PmtImportForm = nullptr;
    StmtImportForm = nullptr;
    ReportForm = nullptr;
    ChartForm = nullptr;
}

}  // namespace

void CreateWindows(TFormMain* formMain) {
    FormMain = formMain;
    AboutForm = new TAboutForm(formMain->SplashFlag, formMain);
    PickIncForm = new TPickInc(formMain->DefaultFolder, formMain);
    IncomeForm = new TIncome(formMain->DefaultFolder, formMain);
    PickFolForm = new TPickFol(formMain);
    FolderForm = new TFolderF(formMain->PackNeeded, formMain);
    PickExpForm = new TPickExp(formMain->DefaultFolder, formMain);
    ExpenseForm = new TExpense(formMain->DefaultFolder, formMain);
    PickAccForm = new TPickAcc(formMain);
    AccountForm = new TAccount(formMain->PackNeeded, formMain);
    MultFolForm = new TMultFol(formMain);
    DriveDirForm = new TDriveDir(formMain);
    ArchiveForm = new TArchive(formMain);
    RateChangeForm = new TRateChange(formMain);
    PmtImportForm = new TPmtImport(formMain->PackNeeded, formMain);
    StmtImportForm = new TStmtImport(formMain);
    ReportForm = new TReportF(formMain);
    ChartForm = new TChartF(formMain);
    // The children go with the main window; nothing may reach them through a global after that.
    QObject::connect(formMain, &QObject::destroyed, &ForgetWindows);
}

}  // namespace kvl
