// kvl-cli upgrade: converts the older generation's data, as the File Maintenance button does.
#include "data/Upgrade.h"

#include <CLI/CLI.hpp>
#include <QDir>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "data/Messages.h"

namespace kvl::cli {

namespace {

struct UpgradeOptions {
    std::string old;
    std::string dir = ".";
    bool yes = false;
};

// --yes is the answer OK to the overwrite warning; every other message is printed and every
// other question refused, as without a window.
class AnswerOverwrite : public MessageSink {
  public:
    AnswerOverwrite() : previous_(SetMessageSink(this)) {}
    ~AnswerOverwrite() override { SetMessageSink(previous_); }
    MsgAnswer show(MsgKind kind, const QString& text, MsgDefault) override {
        QString line = text;
        line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
        switch (kind) {
            case MsgKind::WarningOkCancel:
                return MsgAnswer::Ok;
            case MsgKind::InformationOkCancel:
                return MsgAnswer::Cancel;
            case MsgKind::WarningYesNo:
            case MsgKind::Confirmation:
                return MsgAnswer::No;
            default:
                return MsgAnswer::Ok;
        }
    }

  private:
    MessageSink* previous_;
};

int RunUpgradeCommand(const UpgradeOptions& options) {
    const QString old = ExistingDirectory(options.old, "upgrade");
    if (old.isEmpty()) return 2;
    if (!options.yes) {
        Complain("upgrade",
                 QStringLiteral("this replaces every record of the data set by the data in %1; "
                                "nothing was changed. Add --yes to go ahead.")
                     .arg(QDir::toNativeSeparators(old)));
        return 2;
    }
    DataSession session;
    if (!session.open(options.dir, "upgrade")) return 2;
    AnswerOverwrite answer;
    QString why;
    switch (RunUpgrade(old, &why)) {
        case UpgradeOutcome::Converted:
            std::fprintf(stderr, "kvl-cli upgrade: converted the data in %s into %s\n",
                         QDir::toNativeSeparators(old).toUtf8().constData(),
                         session.shownDir().toUtf8().constData());
            return 0;
        case UpgradeOutcome::NotFound:
        case UpgradeOutcome::Declined:
            Complain("upgrade", why);
            return 2;
        case UpgradeOutcome::Failed:
            break;
    }
    Complain("upgrade", QStringLiteral("the conversion failed: %1").arg(why));
    return 1;
}

}  // namespace

Command AddUpgradeCommand(CLI::App& cli) {
    CLI::App* command = cli.add_subcommand("upgrade", "convert the data of the older generation");
    auto options = std::make_shared<UpgradeOptions>();
    command
        ->add_option("OLDDIR", options->old,
                     "the directory of Inc3.dbf, Exp3.dbf, Acc.dbf\n"
                     "and Folder.dbf")
        ->required();
    AddDirOption(*command, options->dir)->type_name("DATA");  // DIR is the other directory
    command->add_flag("--yes", options->yes,
                      "answer OK to \"All previously entered data will be\n"
                      "overwritten\"; without it nothing is changed");
    command->footer(
        "Replaces every record of the data set: folders and expense accounts are taken over\n"
        "from OLDDIR, the income chart becomes the one account \"Ordinary Income\", and every\n"
        "old income and expense record is converted. The new tables replace the old ones\n"
        "only when the whole conversion succeeded; then the index files are rebuilt and the\n"
        "tables packed.");
    return {command, [options] { return RunUpgradeCommand(*options); }};
}

}  // namespace kvl::cli
