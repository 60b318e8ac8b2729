#include "reports/ViewerParts.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QMenuBar>

namespace kvl {

ViewerMenus SetUpViewer(QDialog* window, const QString& name, const QString& title) {
    window->setObjectName(name);
    window->setWindowTitle(title);
    window->setWindowFlag(Qt::WindowMaximizeButtonHint);
    QPalette white = window->palette();
    white.setColor(QPalette::Window, Qt::white);
    window->setPalette(white);
    window->setAutoFillBackground(true);
    ViewerMenus menus;
    menus.bar = new QMenuBar(window);
    menus.bar->setObjectName(QStringLiteral("MainMenu1"));
    menus.exit = menus.bar->addAction(QStringLiteral("E&xit"));
    menus.print = menus.bar->addAction(QStringLiteral("Print"));
    menus.exports = menus.bar->addMenu(QStringLiteral("&Export"));
    return menus;
}

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

WaitCursor::WaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor() {
    QApplication::restoreOverrideCursor();
}

}  // namespace kvl
