#include "app/DataChoiceU.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "data/Messages.h"
#include "data/NewDataSet.h"
#include "data/dbFiles.h"
#include "screen/Icons.h"

namespace kvl {

namespace {

const QString kLastKey = QStringLiteral("LastDataDirectory");

// ~/.config/kelvane-talvarin/kvl.conf on Linux.
QSettings UserSettings() {
    return QSettings(QStringLiteral("kelvane-talvarin"), QStringLiteral("kvl"));
}

// A directory in the user's home is shown from there, as a shell would: ~/kvl-books.
QString ShownPath(const QString& dir) {
    const QString home = QDir::homePath();
    if (dir.startsWith(home + QLatin1Char('/')))
        return QDir::toNativeSeparators(QStringLiteral("~") + dir.mid(home.size()));
    return QDir::toNativeSeparators(dir);
}

}  // namespace

QString LastDataDirectory() {
    return UserSettings().value(kLastKey).toString();
}

void RememberDataDirectory(const QString& dir) {
    UserSettings().setValue(kLastKey, QDir(dir).absolutePath());
}

TDataChoice::TDataChoice(QWidget* parent) : TFormDialog(parent) {
    setObjectName(QStringLiteral("DataChoice"));
    setWindowTitle(QStringLiteral("Kelvane Talvarin 1.22"));
    setWindowIcon(AppIcon());

    Label1 = new QLabel(QStringLiteral("Kelvane Talvarin keeps its data files in one directory. "
                                       "Which data shall it open?"),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    BtnLast = new QPushButton(QStringLiteral("Open the data used &last"), this);
    BtnLast->setObjectName(QStringLiteral("BtnLast"));
    LabelLast = new QLabel(this);
    LabelLast->setObjectName(QStringLiteral("LabelLast"));
    LabelLast->setTextFormat(Qt::PlainText);
    BtnOpen = new QPushButton(QStringLiteral("&Open data in another directory..."), this);
    BtnOpen->setObjectName(QStringLiteral("BtnOpen"));
    LabelName = new QLabel(QStringLiteral("&Name for new data:"), this);
    LabelName->setObjectName(QStringLiteral("LabelName"));
    EditName = new QLineEdit(this);
    EditName->setObjectName(QStringLiteral("EditName"));
    EditName->setMaxLength(60);  // the settings record's user name
    EditName->setToolTip(QStringLiteral("Shown in the main window's caption"));
    LabelName->setBuddy(EditName);
    BtnNewEmpty = new QPushButton(QStringLiteral("Create &empty data..."), this);
    BtnNewEmpty->setObjectName(QStringLiteral("BtnNewEmpty"));
    BtnNewSample =
        new QPushButton(QStringLiteral("Create data with the &sample business..."), this);
    BtnNewSample->setObjectName(QStringLiteral("BtnNewSample"));
    BtnExit = new QPushButton(QStringLiteral("E&xit"), this);
    BtnExit->setObjectName(QStringLiteral("BtnExit"));

    DirDialog = new QFileDialog(this);
    DirDialog->setObjectName(QStringLiteral("DirDialog"));
    DirDialog->setFileMode(QFileDialog::Directory);
    DirDialog->setOption(QFileDialog::ShowDirsOnly);

    auto* grid = new QGridLayout;
    grid->addWidget(BtnLast, 0, 0);
    grid->addWidget(LabelLast, 0, 1);
    grid->addWidget(BtnOpen, 1, 0);
    grid->addWidget(LabelName, 2, 0, Qt::AlignRight);
    grid->addWidget(EditName, 2, 1);
    grid->addWidget(BtnNewEmpty, 3, 0);
    grid->addWidget(BtnNewSample, 3, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    auto* exitRow = new QHBoxLayout;
    exitRow->addStretch();
    exitRow->addWidget(BtnExit);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(DrawPicture(Picture::App, 48));
    auto* heading = new QHBoxLayout;
    heading->addWidget(Image1);
    heading->addWidget(Label1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(heading);
    layout->addSpacing(8);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(exitRow);
    resize(560, sizeHint().height());

    connect(BtnLast, &QPushButton::clicked, this, &TDataChoice::BtnLastClick);
    connect(BtnOpen, &QPushButton::clicked, this, &TDataChoice::BtnOpenClick);
    connect(BtnNewEmpty, &QPushButton::clicked, this, [this] { BtnNewClick(false); });
    connect(BtnNewSample, &QPushButton::clicked, this, [this] { BtnNewClick(true); });
    connect(BtnExit, &QPushButton::clicked, this, &QDialog::reject);
    connect(DirDialog, &QDialog::accepted, this, &TDataChoice::DirDialogAccepted);
}

void TDataChoice::FormShow() {
    Chosen.clear();
    const QString last = LastDataDirectory();
    const QString shown = ShownPath(last);
    const bool usable = !last.isEmpty() && CheckDataFilesIn(last);
    if (last.isEmpty())
        LabelLast->setText(QStringLiteral("No data has been opened yet."));
    else if (usable)
        LabelLast->setText(shown);
    else
        LabelLast->setText(QStringLiteral("%1 (its data files are missing)").arg(shown));
    BtnLast->setEnabled(usable);
    DirDialog->setDirectory(last.isEmpty() ? QDir::homePath() : QFileInfo(last).path());
    // Enter opens what was used last; without it, another directory.
    QPushButton* first = usable ? BtnLast : BtnOpen;
    first->setDefault(true);
    first->setFocus();
}

void TDataChoice::BtnLastClick() {
    Chosen = LastDataDirectory();
    accept();
}

void TDataChoice::BtnOpenClick() {
    pickDirectory(QStringLiteral("Open Data Directory"), Pick::Open);
}

void TDataChoice::BtnNewClick(bool sample) {
    pickDirectory(QStringLiteral("Directory for the New Data"),
                  sample ? Pick::NewSample : Pick::NewEmpty);
}

// The chooser is shown without a nested event loop; its answer arrives here.
void TDataChoice::DirDialogAccepted() {
    const QString dir = DirDialog->selectedFiles().value(0);
    if (dir.isEmpty()) return;
    if (pick_ == Pick::Open) {
        if (!CheckDataFilesIn(dir)) {
            ShowMessage(MsgKind::Warning,
                        QStringLiteral("%1 holds no Kelvane Talvarin data files.\r\nChoose the "
                                       "directory that holds them, or create new data.")
                            .arg(QDir::toNativeSeparators(dir)));
            return;
        }
    } else {
        NewDataSetOptions options;
        options.sample = pick_ == Pick::NewSample;
        options.userName = EditName->text().trimmed();
        if (options.sample && options.userName.isEmpty()) options.userName = SampleBusinessName();
        QString reason;
        if (!CreateDataSetLocked(dir, options, &reason)) {
            ShowMessage(MsgKind::Warning,
                        QStringLiteral("The new data files could not be created.\r\n") + reason);
            return;
        }
    }
    Chosen = dir;
    accept();
}

void TDataChoice::pickDirectory(const QString& caption, Pick pick) {
    pick_ = pick;
    DirDialog->setWindowTitle(caption);
    DirDialog->open();
}

}  // namespace kvl
