// kvl [--launcher] [DIR]: the desktop program, working on the data tables in DIR (made the current
// directory) or in the current directory. Started from the applications menu (--launcher, no DIR)
// it first asks which data to open or create.
#include <QApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/DataChoiceU.h"
#include "app/MainU.h"
#include "app/Windows.h"
#include "data/Messages.h"
#include "data/ProgramExit.h"
#include "data/Progress.h"
#include "screen/KeyboardReturn.h"
#include "screen/MessageBoxes.h"

namespace {

void Usage(std::FILE* out) {
    std::fputs(
        "Usage: kvl [--launcher] [DIR]\n"
        "Kelvane Talvarin: bookkeeping for the small business.\n"
        "Runs the program on the data tables in DIR, which it makes the current directory, or\n"
        "in the current directory. Create a data set with 'kvl-cli new DIR'.\n"
        "\n"
        "Options:\n"
        "  --launcher  as started from the applications menu: without DIR, first offer the\n"
        "              data used last, data in another directory, or new data (empty or\n"
        "              with a sample business) in a directory of the user's choice\n"
        "  -h, --help  print this help and exit\n"
        "  --version   print the version and exit\n",
        out);
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before the window system is reached, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("kvl " KVL_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage(stdout);
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KVL"));
    QGuiApplication::setDesktopFileName(QStringLiteral(KVL_APP_ID));

    QStringList args = QApplication::arguments();
    const bool launcher = args.removeAll(QStringLiteral("--launcher")) > 0;
    if (args.size() > 2 || (args.size() == 2 && args.at(1).startsWith(QLatin1Char('-')))) {
        Usage(stderr);
        return 2;
    }

    kvl::TMessageBoxSink boxes;
    kvl::SetMessageSink(&boxes);
    kvl::InstallKeyboardReturn();
    QString dataDir = args.value(1);
    // From a terminal the current directory is the data's, or the start says it is not; from the
    // menu there is no such directory, so the user is asked.
    if (launcher && dataDir.isEmpty()) {
        kvl::TDataChoice choice;
        if (choice.exec() != QDialog::Accepted) return 0;
        dataDir = choice.Chosen;
    }
    if (!dataDir.isEmpty() && !QDir::setCurrent(dataDir)) {
        kvl::ShowMessage(kvl::MsgKind::Warning,
                         QStringLiteral("Cannot open the data directory %1.").arg(dataDir));
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
    kvl::CreateWindows(formMain);
    kvl::SetProgressSink(formMain);

    if (!formMain->FormShow()) {
        kvl::SetProgressSink(nullptr);
        delete formMain;
        return 1;
    }
    kvl::RememberDataDirectory(QDir::currentPath());
    formMain->show();
    const int code = QApplication::exec();
    kvl::SetProgressSink(nullptr);
    delete formMain;
    kvl::SetMessageSink(nullptr);
    return code;
}
