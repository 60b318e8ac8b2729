#include "cli/ReportArgs.h"

#include <CLI/CLI.hpp>
#include <QDir>
#include <algorithm>
#include <cstdlib>

#include "cli/Session.h"
#include "data/DbUtil.h"
#include "data/Messages.h"
#include "data/Period.h"
#include "data/ProgramExit.h"
#include "data/dbFiles.h"
#include "reports/MultFolOps.h"

namespace kvl::cli {

namespace {

void EndUnreadableBooksWithOne() {
    SetExitHandler([](int code) {
        RunProgramEndCleanups();
        std::exit(code == 0 ? 0 : 1);
    });
}

}  // namespace

void AddPeriodOptions(CLI::App& command, std::string& from, std::string& through,
                      std::string& folders) {
    command.add_option("--from", from, "the period's first day (default: the month's first)")
        ->type_name("YYYY-MM-DD");
    command.add_option("--through", through, "the period's last day (default: the month's last)")
        ->type_name("YYYY-MM-DD");
    command.add_option("--folders", folders, "the folders, or all (needed with two or more)")
        ->type_name("N,N,...|all");
}

bool ReadReportDate(const std::string& text, const char* option, QDate* date, const char* command) {
    if (text.empty()) return true;
    const QDate read = QDate::fromString(QString::fromStdString(text), Qt::ISODate);
    if (!read.isValid() || text.size() != 10) {
        Complain(command, QStringLiteral("%1 %2 is not a date YYYY-MM-DD")
                              .arg(QLatin1String(option), QString::fromStdString(text)));
        return false;
    }
    const int first = CenturyWindowStart();
    if (read.year() < first || read.year() > first + 99) {
        Complain(command,
                 QStringLiteral("%1 %2 is outside the years %3 to %4 that the data files can hold")
                     .arg(QLatin1String(option), QString::fromStdString(text))
                     .arg(first)
                     .arg(first + 99));
        return false;
    }
    *date = read;
    return true;
}

int ChooseReportFolders(const std::string& given, const std::vector<int>& live,
                        std::vector<int>* out, const char* command) {
    if (given.empty()) {
        if (live.size() == 1) *out = live;
        if (live.size() <= 1) return 0;
        Complain(command, QStringLiteral("this data set has %1 folders: name them with "
                                         "--folders N,N,... or --folders all")
                              .arg(live.size()));
        return 2;
    }
    if (given == "all") {
        *out = live;
        return 0;
    }
    std::vector<int> wanted;
    for (const QString& part : QString::fromStdString(given).split(QLatin1Char(','))) {
        bool ok = false;
        const int number = part.trimmed().toInt(&ok);
        if (!ok || std::find(live.begin(), live.end(), number) == live.end()) {
            Complain(command, QStringLiteral("--folders: no folder %1").arg(part.trimmed()));
            return 2;
        }
        wanted.push_back(number);
    }
    for (int number : live)
        if (std::find(wanted.begin(), wanted.end(), number) != wanted.end()) out->push_back(number);
    return 0;
}

int ChooseLiveFolders(const std::string& given, std::vector<int>* out, const char* command) {
    OpenFolders();
    std::vector<int> live;
    for (const QString& item : FolderListItems()) live.push_back(ItemFolderNumber(item));
    const bool failed = ShowEngineError(cb);
    code4close(cb);
    if (failed) return 1;
    if (live.empty()) {
        ShowMessage(MsgKind::Information, QStringLiteral("Create folders before running reports"));
        return 1;
    }
    return ChooseReportFolders(given, live, out, command);
}

bool OpenReportBooks(DataSession& session, const std::string& dir, const QDate& from,
                     const QDate& through, const char* command) {
    if (!session.open(dir, command)) return false;
    EndUnreadableBooksWithOne();
    OpenSettings();
    LoadSettings();
    code4close(cb);
    ReportFrom = from;
    ReportThrough = through;
    return true;
}

QString OutputPath(const std::string& given) {
    if (given.empty()) return QString();
    return QDir::current().absoluteFilePath(QString::fromLocal8Bit(given.c_str()));
}

}  // namespace kvl::cli
