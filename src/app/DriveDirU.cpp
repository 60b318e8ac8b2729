#include "app/DriveDirU.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>

#include "data/Messages.h"
#include "screen/FormParts.h"

namespace kvl {

TDriveDir* DriveDirForm = nullptr;

namespace {

QString DriveText(const QStorageInfo& volume) {
    const QString name = volume.displayName();
    return name == volume.rootPath() || name.isEmpty()
               ? volume.rootPath()
               : QStringLiteral("%1  [%2]").arg(volume.rootPath(), name);
}

bool Readable(const QString& root) {
    const QStorageInfo volume(root);
    return volume.isValid() && volume.isReady() && QDir(root).isReadable();
}

}  // namespace

TDriveDir::TDriveDir(QWidget* parent)
    : TFormDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("DriveDir"));
    TakeOwnerFont(this);
    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DirectoryListBox1 = new QTreeView(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setHeaderHidden(true);
    for (QWidget* part : {static_cast<QWidget*>(DirectoryListBox1), DirectoryListBox1->viewport(),
                          static_cast<QWidget*>(DirectoryListBox1->verticalScrollBar())})
        part->installEventFilter(this);
    readTree();
    FileListBox1 = new QListWidget(this);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setEnabled(false);
    BtnOK = FormButton(this, "BtnOK", QStringLiteral("OK"));
    BtnCancel = FormButton(this, "BtnCancel", QStringLiteral("Cancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(DriveComboBox1, 0, 0);
    grid->addWidget(DirectoryListBox1, 1, 0, 3, 1);
    grid->addWidget(FileListBox1, 0, 1, 2, 2);
    grid->addWidget(BtnOK, 2, 1);
    grid->addWidget(BtnCancel, 2, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    resize(460, 300);

    connect(DriveComboBox1, &QComboBox::currentIndexChanged, this,
            &TDriveDir::DriveComboBox1Change);
    connect(BtnOK, &QPushButton::clicked, this, &TDriveDir::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TDriveDir::BtnCancelClick);

    fillDrives();
    SetDirectory(QDir::currentPath());
}

// QFileSystemModel keeps what it once read, directories since removed included; a model of its own
// for each showing reads the disk as it is now.
void TDriveDir::readTree() {
    QFileSystemModel* old = model_;
    QItemSelectionModel* oldSelection = DirectoryListBox1->selectionModel();
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setReadOnly(true);
    DirectoryListBox1->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        DirectoryListBox1->hideColumn(column);
    connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { DirectoryListBox1Change(); });
    // Until the user takes over, the open directory stays marked and in sight while the rows
    // above it arrive.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this] {
        if (opening_) showCurrent();
    });
    connect(model_, &QFileSystemModel::rowsInserted, this, [this] {
        if (opening_) scrollSoon();
    });
    delete oldSelection;
    delete old;
}

void TDriveDir::SetCaptions(const QString& caption, const QString& okText) {
    setWindowTitle(caption);
    BtnOK->setText(okText);
}

void TDriveDir::fillDrives() {
    const QString shown = DriveComboBox1->currentData().toString();
    const QSignalBlocker quiet(DriveComboBox1);
    DriveComboBox1->clear();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        DriveComboBox1->addItem(DriveText(volume), volume.rootPath());
    const int again = DriveComboBox1->findData(shown);
    if (again >= 0) DriveComboBox1->setCurrentIndex(again);
}

void TDriveDir::SetDirectory(const QString& dir) {
    const QString root = QStorageInfo(dir).rootPath();
    int index = DriveComboBox1->findData(root);
    if (index < 0) {
        DriveComboBox1->addItem(root, root);
        index = DriveComboBox1->count() - 1;
    }
    const QSignalBlocker quiet(DriveComboBox1);
    DriveComboBox1->setCurrentIndex(index);
    showDrive(root, dir);
}

void TDriveDir::showDrive(const QString& root, const QString& dir) {
    model_->setRootPath(root);
    DirectoryListBox1->setRootIndex(model_->index(root));
    current_ = QDir::cleanPath(dir);
    opening_ = true;
    // Until the tree has read the directory, no other one may stay marked as open.
    if (!model_->index(current_).isValid()) DirectoryListBox1->setCurrentIndex(QModelIndex());
    listFiles();
    showCurrent();
}

// The tree fills in the background; the open directory is marked in it once it is there.
void TDriveDir::showCurrent() {
    const QModelIndex open = model_->index(current_);
    if (!open.isValid()) return;
    if (open != DirectoryListBox1->currentIndex()) DirectoryListBox1->setCurrentIndex(open);
    DirectoryListBox1->expand(open);  // its subdirectories are where the user goes next
    scrollSoon();
}

// Once the rows just read are laid out.
void TDriveDir::scrollSoon() {
    if (scrollQueued_) return;
    scrollQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        scrollQueued_ = false;
        const QModelIndex open = DirectoryListBox1->currentIndex();
        if (opening_ && open.isValid())
            DirectoryListBox1->scrollTo(open, QAbstractItemView::PositionAtCenter);
    });
}

bool TDriveDir::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
        case QEvent::KeyPress:
            opening_ = false;
            break;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

void TDriveDir::listFiles() {
    FileListBox1->clear();
    FileListBox1->addItems(QDir(current_).entryList(QDir::Files, QDir::Name));
}

QString TDriveDir::CurrentDirectory() const {
    return current_;
}

void TDriveDir::FormShow() {
    rememberedDirectory_ = QDir::currentPath();
    fillDrives();
    readTree();
    QString open = current_;  // as it was left, or as the caller set it
    while (!QFileInfo(open).isDir() && QFileInfo(open).path() != open)
        open = QFileInfo(open).path();
    SetDirectory(open);
    rememberedDrive_ = DriveComboBox1->currentIndex();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    BtnOK->setFocus();
}

void TDriveDir::DriveComboBox1Change(int index) {
    if (index < 0) return;
    const QString root = DriveComboBox1->itemData(index).toString();
    if (Readable(root)) {
        showDrive(root, root);
        return;
    }
    ShowMessage(MsgKind::Information, QStringLiteral("Unable to read from drive ") + root);
    const QSignalBlocker quiet(DriveComboBox1);
    const int back =
        rememberedDrive_ >= 0 && rememberedDrive_ < DriveComboBox1->count() ? rememberedDrive_ : 0;
    DriveComboBox1->setCurrentIndex(back);
    const QString previous = DriveComboBox1->itemData(back).toString();
    showDrive(previous, previous);
}

void TDriveDir::DirectoryListBox1Change() {
    const QModelIndex open = DirectoryListBox1->currentIndex();
    if (!open.isValid()) return;
    const QString path = model_->filePath(open);
    if (path != current_) opening_ = false;  // the user moved
    current_ = path;
    listFiles();
}

void TDriveDir::restoreCurrentDirectory() {
    if (!rememberedDirectory_.isEmpty() && !QDir::setCurrent(rememberedDirectory_))
        ShowMessage(MsgKind::Error,
                    QStringLiteral("I/O error: cannot return to ") + rememberedDirectory_);
}

void TDriveDir::BtnOKClick() {
    ChosenDirectory = CurrentDirectory();
    restoreCurrentDirectory();
    accept();
}

void TDriveDir::BtnCancelClick() {
    ChosenDirectory.clear();
    restoreCurrentDirectory();
    QDialog::reject();
}

void TDriveDir::reject() {
    BtnCancelClick();
}

}  // namespace kvl
