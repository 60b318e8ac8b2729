// The drive and directory chooser of backup, restore and upgrade.
//
// Created once at start-up and shown modally as often as needed. A caller sets the caption and the
// OK button's text (SetCaptions), may point the directory list somewhere first (SetDirectory),
// shows the dialog with exec() and reads ChosenDirectory afterwards: the directory open in the
// list when OK was pressed, empty after Cancel. A drive is a mounted volume, listed by its mount
// point and name; one that cannot be read is refused with "Unable to read from drive " and its
// mount point, and the combo returns to the drive it showed when the dialog opened. Moving through
// the list never changes the process's current directory (the data directory, where the tables
// are opened by bare name); the dialog makes the directory it found current again as it closes.
// Between uses the list stays where it was left (or the nearest directory above that still
// exists); each showing reads the tree afresh and lists the files of the directory it opens on.
#pragma once

#include <QString>

#include "screen/FormDialog.h"

class QComboBox;
class QFileSystemModel;
class QListWidget;
class QPushButton;
class QTreeView;

namespace kvl {

class TDriveDir : public TFormDialog {
    Q_OBJECT
  public:
    explicit TDriveDir(QWidget* parent = nullptr);

    void SetCaptions(const QString& caption, const QString& okText);
    // The drive that holds dir, with dir open in the list.
    void SetDirectory(const QString& dir);
    // The directory open in the list.
    QString CurrentDirectory() const;

    QString ChosenDirectory;

    QComboBox* DriveComboBox1;     // the drives (mount points)
    QTreeView* DirectoryListBox1;  // the directory tree of the drive
    QListWidget* FileListBox1;     // the files of the directory chosen, shown only
    QPushButton* BtnOK;
    QPushButton* BtnCancel;

    void FormShow() override;
    void DriveComboBox1Change(int index);
    void DirectoryListBox1Change();
    void BtnOKClick();
    void BtnCancelClick();

  protected:
    void reject() override;  // Escape is Cancel
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fillDrives();
    void readTree();
    void showDrive(const QString& root, const QString& dir);
    void showCurrent();
    void scrollSoon();
    void listFiles();
    void restoreCurrentDirectory();

    QFileSystemModel* model_ = nullptr;
    QString current_;       // the directory open in the list
    bool opening_ = false;  // the tree is still reading its way to current_
    bool scrollQueued_ = false;
    QString rememberedDirectory_;
    int rememberedDrive_ = -1;
};

extern TDriveDir* DriveDirForm;

}  // namespace kvl
