// kvl [DIR]: the desktop program, working on the data tables in DIR (made the current directory)
// or in the current directory.
#include <QApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

#include "accounts/AccountU.h"
#include "accounts/FolderU.h"
#include "accounts/PickAccU.h"
#include "accounts/PickFolU.h"
#include "app/About.h"
#include "app/DriveDirU.h"
#include "app/MainU.h"
#include "data/Messages.h"
#include "data/ProgramExit.h"
#include "data/Progress.h"
#include "entry/ExpenseU.h"
#include "entry/IncomeU.h"
#include "entry/PickExpU.h"
#include "entry/PickIncU.h"
#include "reports/MultFolU.h"
#include "reports/ReportU.h"
#include "screen/MessageBoxes.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KVL"));

    const QStringList args = QApplication::arguments();
    if (args.size() > 2 || (args.size() == 2 && args.at(1).startsWith(QLatin1Char('-')))) {
        std::fprintf(stderr,
                     "usage: kvl [DIR]\n  Runs Kelvane Talvarin on the data tables in DIR "
                     "(default: the current directory).\n");
        return args.size() == 2 &&
                       (args.at(1) == QLatin1String("--help") || args.at(1) == QLatin1String("-h"))
                   ? 0
                   : 2;
    }

    kvl::TMessageBoxSink boxes;
    kvl::SetMessageSink(&boxes);
    if (args.size() == 2 && !QDir::setCurrent(args.at(1))) {
        kvl::ShowMessage(kvl::MsgKind::Warning,
                         QStringLiteral("Cannot open the data directory %1.").arg(args.at(1)));
        return 2;
    }

    // An end demanded by the data store comes after its message; nothing more is written and the
    // directory is released. Leaving at once keeps Qt's objects from being torn down under it.
    kvl::SetExitHandler([](int code) {
        kvl::RunProgramEndCleanups();
        std::fflush(nullptr);
        std::_Exit(code);
    });

    auto* formMain = new kvl::TFormMain;
    kvl::FormMain = formMain;
    kvl::AboutForm = new kvl::TAboutForm(formMain->SplashFlag, formMain);
    kvl::PickIncForm = new kvl::TPickInc(formMain->DefaultFolder, formMain);
    kvl::IncomeForm = new kvl::TIncome(formMain->DefaultFolder, formMain);
    kvl::PickFolForm = new kvl::TPickFol(formMain);
    kvl::FolderForm = new kvl::TFolderF(formMain->PackNeeded, formMain);
    kvl::PickExpForm = new kvl::TPickExp(formMain->DefaultFolder, formMain);
    kvl::ExpenseForm = new kvl::TExpense(formMain->DefaultFolder, formMain);
    kvl::PickAccForm = new kvl::TPickAcc(formMain);
    kvl::AccountForm = new kvl::TAccount(formMain->PackNeeded, formMain);
    kvl::MultFolForm = new kvl::TMultFol(formMain);
    kvl::DriveDirForm = new kvl::TDriveDir(formMain);
    kvl::ReportForm = new kvl::TReportF(formMain);
    kvl::SetProgressSink(formMain);

    if (!formMain->FormShow()) {
        kvl::SetProgressSink(nullptr);
        delete formMain;
        return 1;
    }
    formMain->show();
    const int code = QApplication::exec();
    kvl::SetProgressSink(nullptr);
    delete formMain;
    kvl::SetMessageSink(nullptr);
    return code;
}
