// What the report viewer and the chart window share: a white window with the menu bar "E&xit",
// "Print" and "&Export", the save dialog of their exports, and the hourglass of a long print or
// export. The save dialog is Qt's own (the same on every desktop), opens in the current directory
// each time, asks before it overwrites a file, and has the filter and default suffix of the
// format; the current directory is restored at once, whatever the dialog did, since the tables
// are opened by bare names.
#pragma once

#include <QString>

class QAction;
class QDialog;
class QFileDialog;
class QMenu;
class QMenuBar;
class QWidget;

namespace kvl {

struct ViewerMenus {
    QMenuBar* bar;
    QAction* exit;
    QAction* print;
    QMenu* exports;  // the caller adds its formats
};

// Names and titles window, makes it white and gives it the menu bar.
ViewerMenus SetUpViewer(QDialog* window, const QString& name, const QString& title);

// The file chosen, or empty when cancelled. *shown points to the dialog while it is open (for
// the window that owns it), and is null again after.
QString AskExportFile(QWidget* parent, const QString& title, const QString& filter,
                      const QString& suffix, QFileDialog** shown = nullptr);

// The hourglass for the life of the object.
class WaitCursor {
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace kvl
