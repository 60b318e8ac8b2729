// The save dialog of the report and chart exports: Qt's own dialog (the same on every desktop),
// opening in the current directory each time, asking before it overwrites a file, with the filter
// and default suffix of the format. The current directory is restored at once, whatever the
// dialog did, since the tables are opened by bare names.
#pragma once

#include <QString>

class QFileDialog;
class QWidget;

namespace kvl {

// The file chosen, or empty when cancelled. *shown points to the dialog while it is open (for
// the window that owns it), and is null again after.
QString AskExportFile(QWidget* parent, const QString& title, const QString& filter,
                      const QString& suffix, QFileDialog** shown = nullptr);

}  // namespace kvl
