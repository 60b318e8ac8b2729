#include "reports/ExportDialog.h"

#include <QDir>
#include <QFileDialog>

namespace kvl {

QString AskExportFile(QWidget* parent, const QString& title, const QString& filter,
                      const QString& suffix, QFileDialog** shown) {
    const QString remembered = QDir::currentPath();
    // In the current directory each time, not wherever a file dialog was last left.
    QFileDialog dialog(parent, title, remembered);
    if (shown) *shown = &dialog;
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(QString());
    const bool chosen = dialog.exec() == QDialog::Accepted;
    if (shown) *shown = nullptr;
    QDir::setCurrent(remembered);
    if (!chosen || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

}  // namespace kvl
